# The report an administrator would otherwise write in awk: the same
# selection and row as quota_report, for well-formed listings.  Its words and
# widths are its own, on purpose: the benchmark requires its report to be
# quota_report's, which checks the program's spelling of them too.
#     awk -v ro=1 -v bk=1 -v offline=1 -f select.awk listing
BEGIN {
    if (rw == "") rw = 1
    if (online == "") online = 1
}
state == 0 {
    if (/^ / || /^$/ || /^Total number of/ || /^Total volumes on/) next
    if (NF < 6 || $5 != "K") next
    if (($3 == "RW" && !rw) || ($3 == "RO" && !ro) || ($3 == "BK" && !bk)) next
    if (($6 == "Off-line" && !offline) || ($6 == "On-line" && !online)) next
    name = $1; type = $3; size = $4; state = 1
    next
}
state == 1 {
    if (/^    / && NF >= 2) { first = $1; second = $2; state = 2 } else state = 0
    next
}
state == 2 {
    state = /^    / ? 3 : 0
    next
}
state == 3 {
    state = 0
    if (/^    MaxQuota /)
        printf "%-32s %9s %9s %s %s %s\n", name, $2, size, type, first, second
}
