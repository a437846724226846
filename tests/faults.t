# Faults below the C library, as disks and network file systems make them:
# one system call on one file fails (inject, through strace).
#
# The listing is read in blocks of 65536 bytes.  `many` holds 65352 empty
# lines, then nine records of 63 bytes, so that the first block ends inside the
# quota line of vol.3, at "    MaxQuota 12".

### a read error part way through the listing ends the scan after whole rows
# Whatever the error, even a read that would block, the quota line it cuts
# short at "MaxQuota 12" makes no row, and nothing after it is read.
$ printf '%65352s' '' | tr ' ' '\n' >many
$ printf 'vol.%d 1 RW 10 K On-line\n    hostA pA\n    x\n    MaxQuota 1234 K\n' 1 2 3 4 5 6 7 8 9 >>many
$ for error in EIO EAGAIN; do
$     inject read $error 2 many quota_report many; echo "status $?"
$     inject read $error 2 many quota_report <many; echo "status $?"
$ done
> vol.1                                 1234        10 RW hostA pA
> vol.2                                 1234        10 RW hostA pA
> status 2
> vol.1                                 1234        10 RW hostA pA
> vol.2                                 1234        10 RW hostA pA
> status 2
> vol.1                                 1234        10 RW hostA pA
> vol.2                                 1234        10 RW hostA pA
> status 2
> vol.1                                 1234        10 RW hostA pA
> vol.2                                 1234        10 RW hostA pA
> status 2
! Unable to read input file many
! Unable to read standard input
! Unable to read input file many
! Unable to read standard input
? 0

### an output path made a link to the listing while it is being opened is refused
# The open of `out` is held back until the link is in place; the listing stays whole.
$ : >out
$ (for i in $(seq 200); do grep -qs '"out"' strace.log && break; sleep 0.05; done
$     ln -sf listing out) &
$ inject openat delay_enter=2000000 1 out quota_report listing out; echo "status $?"; wait
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> status 2
! Unable to open output file out: it is the input file
= listing
> vol.a 1 RW 10 K On-line
>     hostA pA
>     x
>     MaxQuota 20 K
? 0

### a finished row reaches a terminal at once, while the listing is still read
# The program is stopped as the read after the record's returns, and goes on
# only once the row has been looked for on the terminal: a row kept for a
# later block cannot be there, however long it is looked for.
$ strace -qq -o /dev/null true 2>/dev/null || exit 77
$ records 1 >one
$ SHELL=/bin/bash script -qfec 'echo $$ >session; inject read signal=SIGSTOP 2 one quota_report one' \
$     typescript </dev/null >/dev/null &
$ for i in $(seq 200); do grep -qs v1 typescript && break; sleep 0.05; done
$ for i in $(seq 200); do grep -qs 'stopped by SIGSTOP' strace.log && break; sleep 0.05; done
$ grep -qs v1 typescript && grep -qs 'stopped by SIGSTOP' strace.log &&
$     echo "on the terminal while the listing is read"
$ kill -CONT -- "-$(cat session)"; wait; echo "status $?"
> on the terminal while the listing is read
> status 0
? 0

### an output file that cannot be emptied cannot be opened
$ inject ftruncate EIO 1 report quota_report listing report
! Unable to open output file report
- report
? 2

### a run refused once its output file is open leaves no file it made, and empties none
# The stat of its name and the fstat of the file opened fail, or the file
# cannot be bound to standard output.
$ echo keep >kept
$ inject %stat,%fstat EIO 1+ made quota_report listing made; echo "status $?"
$ inject dup2,dup3 EIO 1 made quota_report listing made; echo "status $?"
$ inject %stat,%fstat EIO 1+ kept quota_report listing kept; echo "status $?"
$ inject dup2,dup3 EIO 1 kept quota_report listing kept; echo "status $?"
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> status 2
> status 2
> status 2
> status 2
! Unable to open output file made
! Unable to open output file made
! Unable to open output file kept
! Unable to open output file kept
- made
= kept
> keep
? 0

### a disk that fills up after the first block, named or bound to standard output
# Rows are written 64 KiB at a time; the report of 3000 records is three times that.
$ records 3000 >many
$ quota_report many whole
$ inject write ENOSPC 2+ report quota_report many report; echo "status $?"
$ wc -c <report; head -c 65536 whole | cmp - report && echo "a prefix of the report"
$ inject write EIO 2+ report quota_report many >report; echo "status $?"
$ wc -c <report; head -c 65536 whole | cmp - report && echo "a prefix of the report"
> status 2
> 65536
> a prefix of the report
> status 2
> 65536
> a prefix of the report
! Unable to write output file report
! Unable to write standard output
? 0

### a write error reported only when the output file is closed
$ inject close EIO 1+ report quota_report listing report
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
! Unable to write output file report
= report
> vol.a                                   20        10 RW hostA pA
? 2

### closing standard input fails after the whole report is written
$ inject close EIO 1+ listing quota_report
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> vol.a                                   20        10 RW hostA pA
? 255

### a check of whether the output is the listing that cannot be made refuses the run
# Whether the output is the listing, and how much of it to read, is found with
# fstat of both streams, fcntl and lseek: when one fails, nothing is read or
# written.  The first fstat of the listing is the named input's own check.
$ records 3 >L
$ cp L before
$ inject %fstat EIO 1 L quota_report L out; echo "status $?"
$ inject %fstat EIO 2 L quota_report L out; echo "status $?"
$ inject %fstat EIO 2 L quota_report L 1<>L; echo "status $?"
$ inject %fstat EIO 3 L quota_report L 1<>L; echo "status $?"
$ inject fcntl EIO 1 L quota_report L 1<>L; echo "status $?"
$ for error in EIO EOVERFLOW; do inject lseek $error 1 L quota_report L >>L; echo "status $?"; done
$ inject lseek EIO 1 L quota_report <L >>L; echo "status $?"
$ cmp L before && echo "the listing is whole"
> status 2
> status 2
> status 2
> status 2
> status 2
> status 2
> status 2
> status 2
> the listing is whole
! Unable to open input file L
! Unable to open output file out
! Unable to write standard output: cannot tell whether it is the input file
! Unable to write standard output: cannot tell whether it is the input file
! Unable to write standard output: cannot tell whether it is the input file
! Unable to read input file L
! Unable to read input file L
! Unable to read standard input
- out
? 0

### a listing that the report is appended to and that ends before its size is a read error
# Its second read finds its end, as when another process cuts it short; the
# rows of the whole records of the first read stay appended.
$ records 2000 >L
$ cp L before
$ inject pread64 retval=0 2 L quota_report L >>L; echo "status $?"
$ head -c "$(wc -c <before)" L | cmp - before && tail -n 1 L
$ records 3 >first
$ cp first before
$ inject pread64 retval=0 1 first quota_report first >>first; echo "status $?"
$ cmp first before && echo "nothing appended when the first read finds the end"
> status 2
> v1234                                    1         1 RW h p
> status 2
> nothing appended when the first read finds the end
! Unable to read input file L
! Unable to read input file first
? 0

### an appended listing whose offset cannot be left where the read ended is a read error
# The second lseek is the one after the read; every row is appended all the same.
$ records 3 >L
$ quota_report L >>L 2>/dev/null
$ cp L expected
$ records 3 >L
$ inject lseek EIO 2 L quota_report L >>L; echo "status $?"
$ cmp L expected && echo "the whole report appended"
> status 2
> the whole report appended
! Unable to read input file L
? 0

### a read error and a write error in one run give both messages
$ inject read EIO 2 listing quota_report listing /dev/full
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
! Unable to read input file listing
! Unable to write output file /dev/full
? 2
