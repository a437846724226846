# The report row: name to 32 columns, quota then size right-aligned to 9,
# then type and the two detail tokens, one space apart.

### a short name: 900 in columns 40 to 42, 700 in columns 50 to 52, 64 columns in all
$ quota_report -r
< vol.one 101 RO 700 K On-line
<     hostA pA
<     x
<     MaxQuota 900 K
> vol.one                                900       700 RO hostA pA
? 0

### a name of 32 bytes is followed by the single separating space
$ quota_report
< n2345678901234567890123456789012 1 RW 7 K On-line
<     hostA pA
<     x
<     MaxQuota 8 K
> n2345678901234567890123456789012         8         7 RW hostA pA
? 0

### a name of 40 bytes is written whole and moves the row 8 columns right
$ quota_report
< n234567890123456789012345678901234567890 1 RW 7 K On-line
<     hostA pA
<     x
<     MaxQuota 8 K
> n234567890123456789012345678901234567890         8         7 RW hostA pA
? 0

### numbers of 9, 10 and 20 digits: wider ones widen their column
# 2^32 and the largest count hold on machines whose long has 32 bits too;
# 99999999 is the last count that leaves a space before it.
$ quota_report
< vol.d 5 RW 100000000 K On-line
<     hostD pD
<     x
<     MaxQuota 99999999 K
< vol.e 6 RW 99999999 K On-line
<     hostE pE
<     x
<     MaxQuota 100000001 K
< vol.f 7 RW 100000001 K On-line
<     hostF pF
<     x
<     MaxQuota 100000000 K
< vol.a 1 RW 123456789 K On-line
<     hostA pA
<     x
<     MaxQuota 1234567890 K
< vol.b 2 RW 18446744073709551615 K On-line
<     hostB pB
<     x
<     MaxQuota 0 K
< vol.c 4294967296 RW 4294967296 K On-line
<     hostC pC
<     x
<     MaxQuota 4294967297 K
> vol.d                             99999999 100000000 RW hostD pD
> vol.e                            100000001  99999999 RW hostE pE
> vol.f                            100000000 100000001 RW hostF pF
> vol.a                            1234567890 123456789 RW hostA pA
> vol.b                                    0 18446744073709551615 RW hostB pB
> vol.c                            4294967297 4294967296 RW hostC pC
? 0

### the widest type and second detail token are written whole
$ quota_report
< vol.a 1 ABCDEFGH 5 K On-line
<     host.example.org part-123456789
<     x
<     MaxQuota 6 K
> vol.a                                    6         5 ABCDEFGH host.example.org part-123456789
? 0
