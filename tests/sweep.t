# Every call that can fail, failed in turn (sweep, in run_cases.sh), on the
# listing L, the output file out and both streams, in each shape of command
# that a script may run, on the sample and on a listing of 65537 bytes, whose
# last read has one byte left: each run ends in the whole report or in the
# program's own failure, and a refused run leaves every file as it was.  The
# case holds what the run without a fault does.

### a fault in any call, with a named input and a new output file
$ sweep 'quota_report L out'
> sample: the report in out
> long: the report in out
? 0

### a fault in any call, with a named input and an output file that exists
$ echo keep >out
$ sweep 'quota_report L out'
> sample: the report in out
> long: the report in out
? 0

### a fault in any call, with standard input and standard output
$ sweep 'quota_report <L'
> sample: the report in :stdout
> long: the report in :stdout
? 0

### a fault in any call, with the report appended to the listing
$ sweep 'quota_report L >>L'
$ sweep 'quota_report <L >>L'
$ sweep 'shared L quota_report'
> sample: the report in L
> long: the report in L
> sample: the report in L
> long: the report in L
> sample: the report in L
> long: the report in L
? 0

### a fault in any call, with standard output the listing itself
$ sweep 'quota_report <L 1<>L'
> sample: status 2, Unable to write standard output: it is the input file
> long: status 2, Unable to write standard output: it is the input file
? 0

### a fault in any call, with the listing through a pipe
$ sweep 'piped L quota_report'
> sample: the report in :stdout
> long: the report in :stdout
? 0

### a fault in any call, with a closed stream
$ sweep 'quota_report L out >&-'
$ sweep 'quota_report L <&-'
> sample: the report in out
> long: the report in out
> sample: the report in :stdout
> long: the report in :stdout
? 0
