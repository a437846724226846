# The Debian suites of this machine's release (the codename `release`, and
# its -updates and -security suites) in its apt sources, one line each:
# [OPTIONS] URI SUITE COMPONENTS..., from one-line .list files, and from
# deb822 .sources files when RS is empty.
function emit(line,   words, n, i) {
    n = split(line, words, " ")
    for (i = 1; i < n; i++)
        if (words[i] ~ /^[a-z]+:\/\//) { if (words[i + 1] ~ "^" release "(-|$)") print line; return }
}
RS == "" {
    delete field
    for (i = 1; i <= NF; i++)
        if ($i !~ /^#/) { name = $i; sub(/:.*/, "", name); field[name] = $i; sub(/^[^:]*: */, "", field[name]) }
    if (field["Types"] !~ /(^| )deb( |$)/) next
    n = split(field["URIs"], uris, " "); m = split(field["Suites"], suites, " ")
    for (u = 1; u <= n; u++) for (s = 1; s <= m; s++)
        emit((field["Signed-By"] ? "[signed-by=" field["Signed-By"] "] " : "") uris[u] " " suites[s] " " field["Components"])
    next
}
$1 == "deb" { $1 = ""; emit($0) }
