#!/usr/bin/env bash
# Runs a table of cases against the built quota_report.
#
#   run_cases.sh BINARY_DIR TABLE...
#
# A table is a sequence of cases; each case is a block of lines:
#   ### title            starts a case
#   $ command            shell command, run in an empty scratch folder whose
#                        file `listing` holds the input; stdin is `listing`
#   < text               one line of the input (printf %b escapes: \t \r \0NNN)
#   > text               one line of expected standard output, or of the file
#                        named by the last `=` line
#   ! text               one line of expected standard error
#   = file               the `>` lines that follow are the file's content
#   - file               the file must not exist afterwards
#   ? status             the expected exit status; ends the case and runs it
# Commands may call `records N`, which writes N complete, selected records.
# Outputs are compared byte for byte; a mismatch prints a diff.
set -u

bin_dir=$(cd "$1" && pwd) || exit 2
shift
export PATH="$bin_dir:$PATH"
export TESTS_DIR
TESTS_DIR=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

records() {
    local i
    for ((i = 1; i <= $1; i++)); do
        printf 'v%d 1 RW 1 K On-line\n    h p\n    x\n    MaxQuota 1 K\n' "$i"
    done
}
export -f records

passed=0
failed=0

compare() { # what expected actual
    cmp -s "$2" "$3" && return 0
    echo "  $1 differs:"
    diff -u --label expected --label actual "$2" "$3" | sed 's/^/    /'
    echo
}

run_case() {
    local title=$1 status=$2 dir=$work/case rc report f
    mkdir -p "$dir/run"
    cp "$work/listing" "$dir/run/listing"
    (cd "$dir/run" && eval "$command") <"$dir/run/listing" >"$dir/stdout" 2>"$dir/stderr"
    rc=$?
    report=$(
        compare "standard output" "$work/expect.stdout" "$dir/stdout"
        compare "standard error" "$work/expect.stderr" "$dir/stderr"
        [ "$rc" = "$status" ] || echo "  exit status: expected $status, got $rc"
        for f in "${files[@]}"; do
            if [ -f "$dir/run/$f" ]; then
                compare "file $f" "$work/expect.file.$f" "$dir/run/$f"
            else
                echo "  file $f: missing"
            fi
        done
        for f in "${absent[@]}"; do
            [ ! -e "$dir/run/$f" ] || echo "  file $f: should not exist"
        done
    )
    if [ -z "$report" ]; then
        passed=$((passed + 1))
        echo "ok   $title"
    else
        failed=$((failed + 1))
        printf 'FAIL %s\n%s\n' "$title" "$report"
    fi
    rm -rf "$dir"
}

new_case() {
    title=$1 command= files=() absent=() target=$work/expect.stdout
    : >"$work/listing"
    : >"$work/expect.stdout"
    : >"$work/expect.stderr"
    rm -f "$work"/expect.file.*
}

for table in "$@"; do
    echo "# $(basename "$table")"
    while IFS= read -r line || [ -n "$line" ]; do
        tag=${line:0:1} text=${line:2}
        case $tag in
        '#') [ "${line:0:4}" = '### ' ] && new_case "${line:4}" ;;
        '$') command+="$text"$'\n' ;;
        '<') printf '%b\n' "$text" >>"$work/listing" ;;
        '>') printf '%b\n' "$text" >>"$target" ;;
        '!') printf '%b\n' "$text" >>"$work/expect.stderr" ;;
        '=') files+=("$text") target=$work/expect.file.$text; : >"$target" ;;
        '-') absent+=("$text") ;;
        '?') run_case "$title" "$text" ;;
        '') ;;
        *) echo "$table: cannot read line: $line" >&2; exit 2 ;;
        esac
    done <"$table"
done

echo "$passed passed, $failed failed"
[ $failed = 0 ]
