#!/usr/bin/env bash
# Measures quota_report against an awk filter doing the same selection, a
# plain C program making the same stdio calls, and the raw read limit
# (wc -l), on generated listings of 1, 64 and 512 MB.
#
#     bench/run.sh [--smoke] BUILD_DIR
#
# BUILD_DIR holds quota_report, generate_listing and stdio_baseline.
# --smoke runs on 1 and 2 MB listings only, to check that the script works.
set -euo pipefail

sizes=(1 64 512) batch_megabytes=128 batches=3 smoke=
if [ "${1:-}" = --smoke ]; then
    sizes=(1 2) batch_megabytes=4 batches=1 smoke=1
    shift
fi
build=$(cd "${1:?usage: run.sh [--smoke] BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk_name=$(basename "$(readlink -f "$(command -v awk)")")

# The commands, each reading the listing on standard input.
names=("quota_report" "quota_report -rbf" "plain C, same stdio calls"
       "awk ($awk_name)" "awk ($awk_name) -rbf" "wc -l (read limit)")
commands=("$build/quota_report" "$build/quota_report -rbf" "$build/stdio_baseline"
          "awk -f $here/select.awk" "awk -v ro=1 -v bk=1 -v offline=1 -f $here/select.awk"
          "wc -l")
# The row each is compared with: quota_report with the same switches.
reference=(0 1 0 0 1 0)

# Nanoseconds per pass over the listing: the best of three timed batches, each
# reading at least 128 MB so that small listings still give a stable figure.
nanoseconds_per_pass() { # command listing megabytes
    local passes=$(((batch_megabytes + $3 - 1) / $3)) best= start end t i b
    for ((b = 0; b < batches; b++)); do
        start=$(date +%s%N)
        for ((i = 0; i < passes; i++)); do $1 <"$2" >/dev/null; done
        end=$(date +%s%N)
        t=$(((end - start) / passes))
        if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    done
    echo "$best"
}

peak_kilobytes() { # command listing
    /usr/bin/time -f %M $1 <"$2" 2>&1 >/dev/null | tail -n 1
}

ratio() { # numerator denominator digits
    awk -v n="$1" -v d="$2" -v f="%.$3f" 'BEGIN { printf f, n / d }'
}

printf '%-8s %-28s %14s %8s %10s\n' listing program "x quota_report" "MB/s" "peak KB"
declare -A nanoseconds kilobytes
for size in "${sizes[@]}"; do
    listing=$work/listing-$size.txt
    "$build/generate_listing" "$size" >"$listing"
    bytes=$(stat -c %s "$listing")

    # The awk filter must give the very same report before it is timed.
    for i in 3 4; do
        ${commands[reference[i]]} <"$listing" >"$work/expected"
        ${commands[i]} <"$listing" | cmp -s - "$work/expected" ||
            { echo "${names[i]} differs from ${names[reference[i]]} at $size MB" >&2; exit 1; }
    done

    for i in "${!commands[@]}"; do
        nanoseconds[$size,$i]=$(nanoseconds_per_pass "${commands[i]}" "$listing" "$size")
    done
    for i in "${!commands[@]}"; do
        kilobytes[$size,$i]=$(peak_kilobytes "${commands[i]}" "$listing")
        printf '%-8s %-28s %14s %8s %10s\n' "$size MB" "${names[i]}" \
            "$(ratio "${nanoseconds[$size,${reference[i]}]}" "${nanoseconds[$size,$i]}" 2)" \
            "$(ratio "$bytes" "$((nanoseconds[$size,$i] / 1000))" 0)" "${kilobytes[$size,$i]}"
    done
done

verdict() { # measured target
    if [ -n "$smoke" ]; then
        echo "not judged on a smoke run"
        return
    fi
    awk -v m="$1" -v t="$2" 'BEGIN { print (m >= t ? "met" : "NOT met") }'
}

first=${sizes[0]} last=${sizes[-1]}
against_awk=$(ratio "${nanoseconds[$last,3]}" "${nanoseconds[$last,0]}" 2)
against_awk_rbf=$(ratio "${nanoseconds[$last,4]}" "${nanoseconds[$last,1]}" 2)
against_c=$(ratio "${nanoseconds[$last,2]}" "${nanoseconds[$last,0]}" 2)
echo
echo "At $last MB, quota_report against awk: ${against_awk}x (default), ${against_awk_rbf}x (-rbf);" \
    "target at least 2x: $(verdict "$against_awk" 2), $(verdict "$against_awk_rbf" 2)"
echo "At $last MB, quota_report against plain C: ${against_c}x; target at least 1x" \
    "within 3% timing noise: $(verdict "$against_c" 0.97)"
echo "Peak memory of quota_report: ${kilobytes[$first,0]} KB at $first MB," \
    "${kilobytes[$last,0]} KB at $last MB"
