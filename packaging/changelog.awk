# NEWS.md's releases as the Debian (format=debian) or the RPM changelog,
# signed by maintainer; NEWS.md is read twice, first for the days.  Debian
# wants each entry later than the one below it: releases of one day are told
# apart by the second of the day, the oldest at 00:00:00.
function date(when, form,   command, out) {
    command = "date -u -d \"" when "\" \"+" form "\""
    command | getline out
    close(command)
    return out
}
FNR == 1 { pass++ }
pass == 1 && /^## / { day[++n] = substr($3, 2, 10); next }
pass == 1 { next }
/^## / {
    d = substr($3, 2, 10); m++; older = 0
    for (i = m + 1; i <= n; i++) older += day[i] == d
    if (format == "debian") {
        if (m > 1) print "\n -- " maintainer "  " stamp "\n"
        print "quota-report (" $2 ") unstable; urgency=medium\n"
        stamp = date(d " 00:00:" sprintf("%02d", older), "%a, %d %b %Y %T +0000")
    } else {
        if (m > 1) print ""
        print "* " date(d, "%a %b %d %Y") " " maintainer " - " $2 "-1"
    }
    next
}
m == 0 || /^$/ { next }
/^- / { print (format == "debian" ? "  * " : "- ") substr($0, 3); next }
/^  / { print (format == "debian" ? "    " : "  ") substr($0, 3); next }
{ print "NEWS.md: a release holds only items: " $0 > "/dev/stderr"; exit 1 }
END { if (format == "debian") print "\n -- " maintainer "  " stamp }
