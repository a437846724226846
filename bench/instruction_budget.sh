#!/usr/bin/env bash
# Holds the reader's speed against the budget in bench/instruction_budget.txt:
# quota_report's instruction count under callgrind, which a busy machine does
# not move, and its count of system calls under strace, which callgrind does
# not see, on a fixed generated listing with each set of switches there, and
# on the same listing with CR LF line ends.
#
#     bench/instruction_budget.sh BUILD_DIR
#
# BUILD_DIR is the default preset's build, with quota_report and
# generate_listing.  Fails when a count is over its budget.
set -euo pipefail

build=$(cd "${1:?usage: instruction_budget.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/generate_listing" 8 >"$work/lf"
sed 's/$/\r/' "$work/lf" >"$work/crlf"

verdict() { # count budget
    if [ "$1" -le "$2" ]; then echo "within"; else echo "OVER"; fi
}

over=0 rows=0
while read -r listing switches budget reached call_budget calls_reached; do
    arguments=()
    [ "$switches" = default ] || arguments=("$switches")
    count=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
        "$build/quota_report" "${arguments[@]}" <"$work/$listing" 2>&1 >/dev/null |
        sed -n 's/^==[0-9]*== I *refs: *//p' | tr -d ,)
    strace -f -qq -c -o "$work/calls" "$build/quota_report" "${arguments[@]}" \
        <"$work/$listing" >/dev/null
    # The summary's last line: % time, seconds, usecs/call, calls, [errors,] total.
    calls=$(awk '$NF == "total" { print $4 }' "$work/calls")
    [ -n "$count" ] && [ -n "$calls" ] ||
        { echo "no count for quota_report $switches on the $listing listing" >&2; exit 1; }
    [ "$count" -le "$budget" ] && [ "$calls" -le "$call_budget" ] || over=1
    rows=$((rows + 1))
    echo "quota_report $switches, $listing: $count instructions, $(verdict "$count" "$budget") the" \
        "budget of $budget (last reached: $reached); $calls system calls, $(verdict "$calls" \
        "$call_budget") the budget of $call_budget (last reached: $calls_reached)"
done < <(grep -v '^#' "$here/instruction_budget.txt")
# A table without a row would hold nothing to its budget.
[ "$rows" -gt 0 ] || { echo "no budget in bench/instruction_budget.txt" >&2; exit 1; }
exit "$over"
