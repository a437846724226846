# How the reader recognises records, chunk by chunk.

### a worked listing: one complete record, one unselected, one broken by the next header
$ quota_report
< Total number of volumes: 3
< vol.a 1 RW 10 K On-line
<     hostA pA
<     any text
<     MaxQuota 20 K
< vol.b 2 BK 5 K On-line
<     hostA pA
<     any text
<     MaxQuota 20 K
< vol.c 3 RW 7 K On-line
< vol.d 4 RW 8 K On-line
<     hostB pB
<     any text
<     MaxQuota 9 K
<
< Total volumes on server: 4
> vol.a                                   20        10 RW hostA pA
? 0

### empty input gives an empty report
$ quota_report </dev/null
? 0

### summary lines, empty lines and indented lines only give no rows
$ quota_report
< Total number of volumes: 12
<
<     MaxQuota 20 K
< Total volumes on server: 12
? 0

### header lines without detail lines give no rows
$ quota_report
< vol.a 1 RW 10 K On-line
< vol.b 2 RW 11 K On-line
< vol.c 3 RW 12 K On-line
? 0

### a header line after an unselected one is examined as usual
$ quota_report
< vol.ro 1 RO 10 K On-line
< vol.b 2 RW 11 K On-line
<     hostA pA
<     x
<     MaxQuota 30 K
> vol.b                                   30        11 RW hostA pA
? 0

### a missing quota line loses its record and the header line after it
$ quota_report
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
< vol.b 2 RW 11 K On-line
<     hostA pA
<     x
<     MaxQuota 30 K
< vol.c 3 RW 12 K On-line
<     hostC pC
<     x
<     MaxQuota 40 K
> vol.c                                   40        12 RW hostC pC
? 0

### a first detail line of one token abandons the record
$ quota_report
< vol.a 1 RW 10 K On-line
<     hostA
<     x
<     MaxQuota 20 K
< vol.b 2 RW 11 K On-line
<     hostB pB
<     x
<     MaxQuota 30 K
> vol.b                                   30        11 RW hostB pB
? 0

### detail lines indented by a tab or by three spaces abandon the record
$ quota_report
< vol.a 1 RW 10 K On-line
< \thostA pA
<     x
<     MaxQuota 20 K
< vol.b 2 RW 11 K On-line
<     hostB pB
<    x
<     MaxQuota 30 K
< vol.c 3 RW 12 K On-line
<     hostC pC
<     x
< \tMaxQuota 40 K
? 0

### columns aligned with long runs of spaces, as listings print them
$ quota_report
< home.alice                        536870915 RW    1638400 K On-line
<     fs1.example.net             /srv/a
<     ids rw 536870915 ro 536870916 bk 536870917
<     MaxQuota            5000000 K
> home.alice                         5000000   1638400 RW fs1.example.net /srv/a
? 0

### a header line may begin with a tab but not with a space
$ quota_report
<  vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
< \tvol.b 2 RW 11 K On-line
<     hostB pB
<     x
<     MaxQuota 30 K
> vol.b                                   30        11 RW hostB pB
? 0

### the K after the size is required, with or without white space around it
$ quota_report
< vol.a 1 RW 10 On-line
<     hostA pA
<     x
<     MaxQuota 20 K
< vol.b 2 RW 11K On-line
<     hostB pB
<     x
<     MaxQuota 30 K
< vol.c 3 RW 12 KOn-line
<     hostC pC
<     x
<     MaxQuota 40 K
< vol.d 4 RW 13 K
<     hostD pD
<     x
<     MaxQuota 50 K
> vol.b                                   30        11 RW hostB pB
> vol.c                                   40        12 RW hostC pC
? 0

### the quota line needs "MaxQuota", one space and a number; the K may be missing
$ quota_report
< vol.a 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20
< vol.b 2 RW 11 K On-line
<     hostB pB
<     x
<     MaxQuota30 K
< vol.c 3 RW 12 K On-line
<     hostC pC
<     x
<     MaxQuota K
< vol.d 4 RW 13 K On-line
<     hostD pD
<     x
<     Maxquota 50 K
< vol.e 5 RW 14 K On-line
<     hostE pE
<     x
<     MaxQuota      60 K and more words
> vol.a                                   20        10 RW hostA pA
> vol.e                                   60        14 RW hostE pE
? 0

### a status longer than 18 bytes is cut, and the cut word is no known status
$ quota_report -n
< vol.a 1 RW 10 K On-line-since-last-Tuesday
<     hostA pA
<     x
<     MaxQuota 20 K
< vol.b 2 RW 11 K On-line and more words
<     hostB pB
<     x
<     MaxQuota 30 K
> vol.a                                   20        10 RW hostA pA
? 0

### names of 62 bytes are read, names of 63 bytes and types of 9 bytes are not
# The scan goes on inside a longer name: where its rest reads as the volume
# number, the line is a header line, named by its first 62 bytes.
$ quota_report
< nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
< nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn 2 RW 11 K On-line
<     hostB pB
<     x
<     MaxQuota 30 K
< vol.c 3 TYPECODE9 12 K On-line
<     hostC pC
<     x
<     MaxQuota 40 K
< vol.d 4 TYPECODE 13 K On-line
<     hostD pD
<     x
<     MaxQuota 50 K
< eeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee7 RW 5 K On-line
<     hostE pE
<     x
<     MaxQuota 60 K
> nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn        20        10 RW hostA pA
> vol.d                                   50        13 TYPECODE hostD pD
> eeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee        60         5 RW hostE pE
? 0

### a first detail token past 126 bytes runs on into the second token
$ quota_report
< vol.a 1 RW 10 K On-line
<     hhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhppppppppppppppqqq pA
<     x
<     MaxQuota 20 K
< vol.b 2 RW 11 K On-line
<     host pppppppppppppppqqq
<     x
<     MaxQuota 30 K
> vol.a                                   20        10 RW hhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhh pppppppppppppp
> vol.b                                   30        11 RW host pppppppppppppp
? 0

### numbers past 64 bits and signed numbers are read as the unsigned scan reads them
$ quota_report
< vol.a 1 RW 99999999999999999999999 K On-line
<     hostA pA
<     x
<     MaxQuota 18446744073709551616 K
< vol.b 2 RW -5 K On-line
<     hostB pB
<     x
<     MaxQuota +7 K
> vol.a                            18446744073709551615 18446744073709551615 RW hostA pA
> vol.b                                    7 18446744073709551611 RW hostB pB
? 0

### lines ending in CR LF are read as the same records
$ quota_report
< Total number of volumes: 1\r
< vol.a 1 RW 10 K On-line\r
<     hostA pA\r
<     x\r
<     MaxQuota 20 K\r
<     Creation    Mon Dec  7 10:00:00 2026\r
< \r
> vol.a                                   20        10 RW hostA pA
? 0

### a line of 1022 bytes and a multiple of 1023 more before its CR LF leaves its LF alone
# Its first 1023 bytes are a header line, the rest its first detail line, whose
# CR ends a chunk: the LF is an empty line, which breaks the record.
$ line=$(printf '%-1023s%-1022s' 'vol.a 1 RW 10 K On-line' '    hostA pA')
$ printf '%s\r\n    x\r\n    MaxQuota 5 K\r\n' "$line" | quota_report; echo "CR LF: status $?"
$ printf '%s\n    x\n    MaxQuota 5 K\n' "$line" | quota_report
> CR LF: status 0
> vol.a                                    5        10 RW hostA pA
? 0

### a zero byte hides the rest of its chunk
$ quota_report
< vol.a 1 RW 10 K\0 On-line
<     hostA pA
<     x
<     MaxQuota 20 K
< vol.b 2 RW 11 K On-line
<     hostB\0 pB
<     x
<     MaxQuota 30 K
< vol.c 3 RW 12 K On-line
<     hostC pC
<     x
<     MaxQuota\0 40 K
< vol.d 4 RW 13 K On-line\0 hidden
<     hostD pD\0
<     x\0
<     MaxQuota 50 K\0 trailing
> vol.d                                   50        13 RW hostD pD
? 0

### input that ends inside a record writes nothing for it
$ printf 'vol.a 1 RW 10 K On-line\n    hostA pA\n' | quota_report; echo "status $?"
$ printf 'vol.a 1 RW 10 K On-line\n    hostA pA\n    x\n' | quota_report; echo "status $?"
$ printf 'vol.a 1 RW 10 K On-line\n' | quota_report
> status 0
> status 0
? 0

### a last quota line without a newline still completes its record
$ printf 'vol.a 1 RW 10 K On-line\n    hostA pA\n    x\n    MaxQuota 20 K' | quota_report
> vol.a                                   20        10 RW hostA pA
? 0

### a physical line of more than 1023 bytes is read as several chunks
# A first detail line padded to 1023 bytes; the rest of it is the second detail line.
$ { printf 'vol.a 1 RW 10 K On-line\n'
$   printf '%-1023s    second half\n' '    hostA pA'
$   printf '    MaxQuota 20 K\n'; } | quota_report
> vol.a                                   20        10 RW hostA pA
? 0

### a detail line of 1022 bytes is one chunk; one of 1023 leaves its newline as an empty chunk
$ { printf 'vol.a 1 RW 10 K On-line\n%-1022s\n    x\n    MaxQuota 20 K\n' '    hostA pA'
$   printf 'vol.b 2 RW 11 K On-line\n%-1023s\n    x\n    MaxQuota 30 K\n' '    hostB pB'; } | quota_report
> vol.a                                   20        10 RW hostA pA
? 0

### a header line at the end of a long chunk is read as a header line
$ { printf '%1023s' x; printf 'vol.a 1 RW 10 K On-line\n    hostA pA\n    x\n    MaxQuota 20 K\n'; } | quota_report
> vol.a                                   20        10 RW hostA pA
? 0

### summary lines are known by their first words only
$ quota_report
< Total volumes on-line 3
<     hostA pA
< Total 1 RW 10 K On-line
<     hostA pA
<     x
<     MaxQuota 20 K
> Total                                   20        10 RW hostA pA
? 0
