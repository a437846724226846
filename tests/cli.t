# The command line: option word, file arguments, usage and help.

### no arguments: the listing comes from standard input, the report goes to standard output
$ quota_report
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> vol.a                                   20        10 RW hostA pA
? 0

### an empty argument vector behaves as no arguments
$ run_with_empty_argv "$(command -v quota_report)"
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> vol.a                                   20        10 RW hostA pA
? 0

### -h prints the help text, and letters after it are not looked at
$ quota_report -hx
! Usage: quota_report [-rwbnfh] [ input-file [ output-file ]]
! where      -r  include read-only volumes
!            -w  exclude read-write volumes
!            -b  include backup volumes
!            -n  exclude on-line volumes
!            -f  include off-line volumes
!            -h  print this message
? 0

### help wins over a surplus of file arguments, and names the program as it was called
$ ln -s "$(command -v quota_report)" qr
$ ./qr -rh a b c
! Usage: ./qr [-rwbnfh] [ input-file [ output-file ]]
! where      -r  include read-only volumes
!            -w  exclude read-write volumes
!            -b  include backup volumes
!            -n  exclude on-line volumes
!            -f  include off-line volumes
!            -h  print this message
? 0

### an unknown letter before h gives the usage line
$ quota_report -xh
! Usage: quota_report [-rwbnfh] [ input-file [ output-file ]]
? 2

### a lone hyphen gives the usage line and reads nothing
$ quota_report -
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
! Usage: quota_report [-rwbnfh] [ input-file [ output-file ]]
? 2

### letters before an unknown one do not save the run
$ quota_report -rbR listing
! Usage: quota_report [-rwbnfh] [ input-file [ output-file ]]
? 2

### three file arguments, with or without an option word, give the usage line
$ quota_report -r a b c; echo "status $?"
$ quota_report a b c
> status 2
! Usage: quota_report [-rwbnfh] [ input-file [ output-file ]]
! Usage: quota_report [-rwbnfh] [ input-file [ output-file ]]
? 2

### an input file and an output file: the report goes to the file only
$ quota_report listing report </dev/null
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
= report
> vol.a                                   20        10 RW hostA pA
? 0

### a new output file gets the mode the shell's > gives it: 0666 less the umask
$ (umask 0; quota_report listing open) && (umask 027; quota_report listing masked)
$ stat -c '%a %n' open masked
> 666 open
> 640 masked
? 0

### an existing output file is emptied and rewritten, also one over 4 GiB
$ echo 'old report line one' >report
$ quota_report listing report
$ truncate -s 5G large
$ quota_report listing large
= report
= large
? 0

### an argument after a file argument is a file even when it begins with a hyphen
$ quota_report listing -r </dev/null
< vol.ro 1 RO 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
= -r
> vol.a                                   20        10 RW hostA pA
? 0

### an input file whose name begins with a hyphen is named after an option word
$ mv listing ./-listing
$ quota_report -b -listing </dev/null
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> vol.a                                   20        10 RW hostA pA
? 0

### a missing input file
$ quota_report no-such-listing
! Unable to open input file no-such-listing
? 2

### an empty file argument is a file that cannot be opened
$ quota_report ''
! Unable to open input file 
? 2

### a missing input file leaves the output file alone, existing or not
$ echo 'kept' >kept
$ quota_report no-such-listing kept; echo "status $?"
$ quota_report no-such-listing new
> status 2
! Unable to open input file no-such-listing
! Unable to open input file no-such-listing
= kept
> kept
- new
? 2

### an output file in a missing folder
$ quota_report listing no-such-folder/report
! Unable to open output file no-such-folder/report
? 2
