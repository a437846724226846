# Streams that fail: nothing is reported as success that did not succeed.

### a directory as the input file cannot be opened, and the output file stays as it was
$ mkdir folder
$ echo keep >report
$ quota_report folder
$ quota_report folder report
$ quota_report folder new
! Unable to open input file folder
! Unable to open input file folder
! Unable to open input file folder
= report
> keep
- new
? 2

### a directory as standard input is a read error
$ mkdir folder
$ quota_report <folder
! Unable to read standard input
? 2

### closed standard input is a read error
$ quota_report <&-
! Unable to read standard input
? 2

### rows that cannot be written to a named output file
$ quota_report listing /dev/full
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
! Unable to write output file /dev/full
? 2

### rows that cannot be written to standard output
$ quota_report >/dev/full
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
! Unable to write standard output
? 2

### a long report to a full device stops reading at the first failed write
# The producer has far more to write than a pipe holds; it is cut off only if
# the filter stops reading.
$ env --default-signal=PIPE bash -c 'records 20000' | quota_report >/dev/full
$ echo "producer ${PIPESTATUS[0]}, filter ${PIPESTATUS[1]}"
> producer 141, filter 2
! Unable to write standard output
? 0

### writing nothing to a full device is no failure
$ quota_report listing /dev/full
< vol.ro 1 RO 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
? 0

### rows that cannot be written to a closed standard output
$ quota_report >&-
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
! Unable to write standard output
? 2

### a closed standard output with nothing to write holds an empty report
$ quota_report /dev/null >&-
? 0

### a closed standard output leaves a named output file the whole report
# The output file then opens as descriptor 1, standard output's own.
$ quota_report listing out >&-
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
= out
> vol.a                                   20        10 RW hostA pA
? 0

### the input file is refused as the output file, directly and through links
$ ln -s listing symbolic
$ ln listing hard
$ quota_report listing listing; echo "status $?"
$ quota_report listing ./symbolic; echo "status $?"
$ quota_report ./symbolic hard
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> status 2
> status 2
! Unable to open output file listing: it is the input file
! Unable to open output file ./symbolic: it is the input file
! Unable to open output file hard: it is the input file
= listing
> vol.a 1 RW 10 K On-line
>     hostA pA
>     x
>     MaxQuota 20 K
? 2

### a read-only listing named as its own output is refused as the input, not as unwritable
# Whoever may not write the listing is told what is wrong with the command.
# Root may write any file, so the run gives up that power where it has it.
$ chmod a-w listing
$ unwritable=; [ "$(id -u)" != 0 ] || unwritable='setpriv --bounding-set=-dac_override'
$ $unwritable quota_report listing listing
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
! Unable to open output file listing: it is the input file
= listing
> vol.a 1 RW 10 K On-line
>     hostA pA
>     x
>     MaxQuota 20 K
? 2

### standard output that is the listing itself is refused, and the listing stays whole
$ quota_report listing 1<>listing; echo "status $?"
$ quota_report 1<>listing
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> status 2
! Unable to write standard output: it is the input file
! Unable to write standard output: it is the input file
= listing
> vol.a 1 RW 10 K On-line
>     hostA pA
>     x
>     MaxQuota 20 K
? 2

### a FIFO that is both the input and the output is refused, named or as standard output
# The filter would hold the FIFO's write end itself, and the end of input would
# never come; appending changes nothing.
$ mkfifo fifo
$ timeout 10 bash -c 'records 3 >fifo' 2>/dev/null &
$ timeout 10 quota_report fifo fifo; echo "status $?"; wait
$ timeout 10 bash -c 'records 3 >fifo' 2>/dev/null &
$ timeout 10 quota_report <fifo 1<>fifo; echo "status $?"; wait
$ timeout 10 bash -c 'records 3 >fifo' 2>/dev/null &
$ timeout 10 quota_report <fifo >>fifo; echo "status $?"; wait
> status 2
> status 2
> status 2
! Unable to open output file fifo: it is the input file
! Unable to write standard output: it is the input file
! Unable to write standard output: it is the input file
? 0

### appending the report to the listing is allowed
$ quota_report listing >>listing
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
= listing
> vol.a 1 RW 10 K On-line
>     hostA pA
>     x
>     MaxQuota 20 K
> vol.a                                   20        10 RW hostA pA
? 0

### a listing that the report is appended to is read only as far as it went
# 1500 records make more than a read of rows, which must not be read back as
# listing; the last line, "    MaxQuota 7", has no newline for a row to glue to.
$ for i in $(seq 1500); do printf 'v%d 1 RW 1 K On-line\n    h p\n    x\n    MaxQuota 7 K\n' $i; done |
$     head -c -3 >L
$ cp L before
$ quota_report L >>L; echo "status $?"
$ quota_report <before >>before; echo "status $?"
$ cmp L before && wc -l <L && tail -n 1 L
> status 0
> status 0
> 7499
> v1500                                    7         1 RW h p
? 0

### a listing that is standard input and output in one open file for appending is read whole
# The first block of rows moves the offset the two streams share to the end of
# the file; the listing is still read from where standard input stood.
$ records 2000 >L
$ cp L before
$ shared L quota_report; echo "status $?"
$ quota_report before >>before
$ cmp L before && grep -c ' RW h p$' L
> status 0
> 2000
? 0

### a listing appended to is read from where standard input stood
# Two of its three records are read first, by the shell's standard input and
# through one open file for both streams: only the third is reported.
$ records 3 >L
$ cp L S
$ { head -c 102 >/dev/null; quota_report; } <L >>L; echo "status $?"
$ shared S bash -c 'head -c 102 >/dev/null; quota_report'; echo "status $?"
$ tail -n +13 L; tail -n +13 S
> status 0
> status 0
> v3                                       1         1 RW h p
> v3                                       1         1 RW h p
? 0

### an appending run leaves standard input where its read ended, as any filter does
# The second run goes on from there, and finds no record in the first's rows;
# a listing read to its end before the run gets no row at all.
$ records 3 >L
$ { quota_report; quota_report; } <L >>L; echo "status $?"
$ tail -n +13 L
$ records 3 >E
$ cp E before
$ { cat >/dev/null; quota_report; } <E >>E; echo "status $?"
$ cmp E before && echo "nothing appended"
> status 0
> v1                                       1         1 RW h p
> v2                                       1         1 RW h p
> v3                                       1         1 RW h p
> status 0
> nothing appended
? 0

### an output file named as a symbolic link to nothing is made through it, as the shell makes it
$ ln -s made out
$ quota_report listing out
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
= made
> vol.a                                   20        10 RW hostA pA
? 0

### devices are not refused when named twice or bound to both streams
$ quota_report /dev/null /dev/null
$ quota_report /dev/null >/dev/null
? 0

### a pipe closed by its reader ends the filter as it ends any filter
$ records 20000 >many
$ env --default-signal=PIPE quota_report many | head -n 1; echo "status ${PIPESTATUS[0]}"
> v1                                       1         1 RW h p
> status 141
? 0

### with SIGPIPE ignored, a pipe closed by its reader is a write error
$ records 20000 >many
$ (trap '' PIPE; quota_report many | head -n 1; echo "status ${PIPESTATUS[0]}")
> v1                                       1         1 RW h p
> status 2
! Unable to write standard output
? 0

### a finished row reaches the pipe while the listing stalls
# The writer keeps the listing open until it has read the row back, for 10 s
# at most: a row held in the buffer would come only after that, too late.
$ mkfifo rows
$ { records 1; timeout 10 head -n 1 rows >got; } | quota_report >rows; echo "status $?"
$ cat got
> status 0
> v1                                       1         1 RW h p
? 0

### a finished row goes out while the listing stalls, and the listing then goes on
# The writer holds the second record back until the first row is out.
$ mkfifo rows
$ cat rows >report &
$ { records 1; for i in $(seq 200); do grep -qs v1 report && break; sleep 0.05; done
$     grep -qs v1 report && echo "the first row is out" >&2
$     printf 'v2 1 RW 1 K On-line\n    h p\n    x\n    MaxQuota 1 K\n'; } | quota_report >rows
$ echo "status $?"; wait; cat report
> status 0
> v1                                       1         1 RW h p
> v2                                       1         1 RW h p
! the first row is out
? 0

### a row that cannot be written while the listing stalls fails the run
# The writer holds the second record back until the row's write has failed.
$ strace -qq -o /dev/null true 2>/dev/null || exit 77
$ { records 1; for i in $(seq 200); do grep -qs ENOSPC strace.log && break; sleep 0.05; done
$     grep -qs ENOSPC strace.log && echo "refused while the listing stalls" >seen; records 1; } |
$     ASAN_OPTIONS=detect_leaks=0 strace -qq -o strace.log -e trace=write quota_report >/dev/full
$ echo "status $?"; cat seen
> status 2
> refused while the listing stalls
! Unable to write standard output
? 0
