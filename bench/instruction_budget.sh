#!/usr/bin/env bash
# Holds the reader's speed against the budget in bench/instruction_budget.txt:
# quota_report's instruction count under callgrind, which a busy machine does
# not move, on a fixed generated listing, with each set of switches there.
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
"$build/generate_listing" 8 >"$work/listing"

over=0
while read -r switches budget reached; do
    arguments=()
    [ "$switches" = default ] || arguments=("$switches")
    count=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
        "$build/quota_report" "${arguments[@]}" <"$work/listing" 2>&1 >/dev/null |
        sed -n 's/^==[0-9]*== I *refs: *//p' | tr -d ,)
    [ -n "$count" ] || { echo "callgrind gave no count for quota_report $switches" >&2; exit 1; }
    if [ "$count" -le "$budget" ]; then verdict="within"; else verdict="OVER"; over=1; fi
    echo "quota_report $switches: $count instructions, $verdict the budget of $budget" \
        "(last reached: $reached)"
done < <(grep -v '^#' "$here/instruction_budget.txt")
exit "$over"
