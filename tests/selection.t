# Which volumes each option word selects.
# volumes.txt holds one volume for each type code (RW, RO, BK, an unlisted XX, a lower-case rw)
# and each status (On-line, Off-line, an unlisted busy), named type.status.

### defaults: read-write and unlisted types, on-line and unlisted statuses
$ quota_report  "$TESTS_DIR/volumes.txt"
> rw.on                                 1000       100 RW srv1 part1
> rw.busy                               3000       300 RW srv3 part3
> xx.on                                10000      1000 XX srv10 part10
> xx.busy                              12000      1200 XX srv12 part12
> lc.on                                13000      1300 rw srv13 part13
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -r adds read-only volumes
$ quota_report -r "$TESTS_DIR/volumes.txt"
> rw.on                                 1000       100 RW srv1 part1
> rw.busy                               3000       300 RW srv3 part3
> ro.on                                 4000       400 RO srv4 part4
> ro.busy                               6000       600 RO srv6 part6
> xx.on                                10000      1000 XX srv10 part10
> xx.busy                              12000      1200 XX srv12 part12
> lc.on                                13000      1300 rw srv13 part13
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -b adds backup volumes
$ quota_report -b "$TESTS_DIR/volumes.txt"
> rw.on                                 1000       100 RW srv1 part1
> rw.busy                               3000       300 RW srv3 part3
> bk.on                                 7000       700 BK srv7 part7
> bk.busy                               9000       900 BK srv9 part9
> xx.on                                10000      1000 XX srv10 part10
> xx.busy                              12000      1200 XX srv12 part12
> lc.on                                13000      1300 rw srv13 part13
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -f adds off-line volumes
$ quota_report -f "$TESTS_DIR/volumes.txt"
> rw.on                                 1000       100 RW srv1 part1
> rw.off                                2000       200 RW srv2 part2
> rw.busy                               3000       300 RW srv3 part3
> xx.on                                10000      1000 XX srv10 part10
> xx.off                               11000      1100 XX srv11 part11
> xx.busy                              12000      1200 XX srv12 part12
> lc.on                                13000      1300 rw srv13 part13
> lc.off                               14000      1400 rw srv14 part14
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -w drops read-write volumes but keeps unlisted types
$ quota_report -w "$TESTS_DIR/volumes.txt"
> xx.on                                10000      1000 XX srv10 part10
> xx.busy                              12000      1200 XX srv12 part12
> lc.on                                13000      1300 rw srv13 part13
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -rw: read-only in, read-write out
$ quota_report -rw "$TESTS_DIR/volumes.txt"
> ro.on                                 4000       400 RO srv4 part4
> ro.busy                               6000       600 RO srv6 part6
> xx.on                                10000      1000 XX srv10 part10
> xx.busy                              12000      1200 XX srv12 part12
> lc.on                                13000      1300 rw srv13 part13
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -rn: on-line read-only volumes are dropped too
$ quota_report -rn "$TESTS_DIR/volumes.txt"
> rw.busy                               3000       300 RW srv3 part3
> ro.busy                               6000       600 RO srv6 part6
> xx.busy                              12000      1200 XX srv12 part12
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -rnf: off-line volumes replace on-line ones
$ quota_report -rnf "$TESTS_DIR/volumes.txt"
> rw.off                                2000       200 RW srv2 part2
> rw.busy                               3000       300 RW srv3 part3
> ro.off                                5000       500 RO srv5 part5
> ro.busy                               6000       600 RO srv6 part6
> xx.off                               11000      1100 XX srv11 part11
> xx.busy                              12000      1200 XX srv12 part12
> lc.off                               14000      1400 rw srv14 part14
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -bfr selects every volume
$ quota_report -bfr "$TESTS_DIR/volumes.txt"
> rw.on                                 1000       100 RW srv1 part1
> rw.off                                2000       200 RW srv2 part2
> rw.busy                               3000       300 RW srv3 part3
> ro.on                                 4000       400 RO srv4 part4
> ro.off                                5000       500 RO srv5 part5
> ro.busy                               6000       600 RO srv6 part6
> bk.on                                 7000       700 BK srv7 part7
> bk.off                                8000       800 BK srv8 part8
> bk.busy                               9000       900 BK srv9 part9
> xx.on                                10000      1000 XX srv10 part10
> xx.off                               11000      1100 XX srv11 part11
> xx.busy                              12000      1200 XX srv12 part12
> lc.on                                13000      1300 rw srv13 part13
> lc.off                               14000      1400 rw srv14 part14
> lc.busy                              15000      1500 rw srv15 part15
? 0

### -rbf selects the same volumes as -bfr
$ quota_report -rbf "$TESTS_DIR/volumes.txt"
> rw.on                                 1000       100 RW srv1 part1
> rw.off                                2000       200 RW srv2 part2
> rw.busy                               3000       300 RW srv3 part3
> ro.on                                 4000       400 RO srv4 part4
> ro.off                                5000       500 RO srv5 part5
> ro.busy                               6000       600 RO srv6 part6
> bk.on                                 7000       700 BK srv7 part7
> bk.off                                8000       800 BK srv8 part8
> bk.busy                               9000       900 BK srv9 part9
> xx.on                                10000      1000 XX srv10 part10
> xx.off                               11000      1100 XX srv11 part11
> xx.busy                              12000      1200 XX srv12 part12
> lc.on                                13000      1300 rw srv13 part13
> lc.off                               14000      1400 rw srv14 part14
> lc.busy                              15000      1500 rw srv15 part15
? 0

### repeating a letter changes nothing, and no letter undoes another
$ quota_report -wwnnw "$TESTS_DIR/volumes.txt"
> xx.busy                              12000      1200 XX srv12 part12
> lc.busy                              15000      1500 rw srv15 part15
? 0

### type and status are compared whole and case-sensitively
$ quota_report -wn
< v1 1 RWX 10 K busy
<     h p
<     x
<     MaxQuota 1 K
< v2 2 XX 10 K on-line
<     h p
<     x
<     MaxQuota 2 K
< v3 3 RW 10 K busy
<     h p
<     x
<     MaxQuota 3 K
< v4 4 bk 10 K Offline
<     h p
<     x
<     MaxQuota 4 K
< v5 5 XX 10 K On-line
<     h p
<     x
<     MaxQuota 5 K
> v1                                       1        10 RWX h p
> v2                                       2        10 XX h p
> v4                                       4        10 bk h p
? 0
