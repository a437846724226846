#!/usr/bin/env bash
# Measures quota_report, and its portable static build, against an awk filter
# doing the same selection, a plain C program making the stdio calls that the
# filter once made, wc -l, and the read limit (a program that only reads the
# listing in 64 KiB blocks), on generated listings of 1, 64 and 512 MB; then
# the start-up cost: the sample listing through the dynamic and the static
# binary.  hyperfine does the timing, /usr/bin/time
# measures peak memory.
#
#     bench/run.sh [--smoke] BUILD_DIR
#
# BUILD_DIR holds quota_report, portable/quota_report, generate_listing,
# stdio_baseline and read_blocks.  --smoke runs on 1 and 2 MB listings with few runs, to check
# that the script works.
set -euo pipefail

sizes=(1 64 512) megabytes_per_figure=512 rounds=3 warmup=1 min_runs=2 startup_runs=300 smoke=
if [ "${1:-}" = --smoke ]; then
    sizes=(1 2) megabytes_per_figure=4 rounds=1 warmup=1 min_runs=2 startup_runs=10 smoke=1
    shift
fi
build=$(cd "${1:?usage: run.sh [--smoke] BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk_name=$(basename "$(readlink -f "$(command -v awk)")")
sample=$here/../examples/listing.txt

# The commands, each reading the listing on standard input.
names=("quota_report" "quota_report -rbf" "quota_report, static" "plain C, fgets and sscanf"
       "plain C -rbf" "awk ($awk_name)" "awk ($awk_name) -rbf" "wc -l" "read limit, 64 KiB reads")
commands=("$build/quota_report" "$build/quota_report -rbf" "$build/portable/quota_report"
          "$build/stdio_baseline" "$build/stdio_baseline -rbf" "awk -f $here/select.awk"
          "awk -v ro=1 -v bk=1 -v offline=1 -f $here/select.awk" "wc -l" "$build/read_blocks")
# The row each is compared with: quota_report with the same switches.
reference=(0 1 0 0 1 0 1 0 0)
wc_row=7 read_row=8
# The rows that must write quota_report's very report before they are timed.
same_report=(2 3 4 5 6)
# hyperfine, quietly; its own messages are shown only when it fails.
time_with_hyperfine() { # json-file hyperfine-arguments...
    local json=$1
    shift
    hyperfine --style none --export-json "$json" "$@" >/dev/null 2>"$work/hyperfine.err" ||
        { cat "$work/hyperfine.err" >&2; exit 1; }
}

# A figure of hyperfine's JSON export (of its first command), in seconds.
figure() { # json-file name
    sed -n "s/^ *\"$2\": *\([^,]*\),*\$/\1/p" "$1" | head -n 1
}

# Seconds per pass over the listing: the fastest of enough runs to read
# megabytes_per_figure (at least min_runs), after warm-up runs.  The fastest
# run is the one least slowed by the rest of the machine.
seconds_per_pass() { # command listing megabytes
    local runs=$(((megabytes_per_figure + $3 - 1) / $3))
    [ "$runs" -ge "$min_runs" ] || runs=$min_runs
    time_with_hyperfine "$work/pass.json" --warmup "$warmup" --runs "$runs" "$1 <$2"
    figure "$work/pass.json" min
}

peak_kilobytes() { # command listing
    /usr/bin/time -f %M $1 <"$2" 2>&1 >/dev/null | tail -n 1
}

# A ratio of two figures, or "-" where either is too small to measure.
ratio() { # numerator denominator digits
    awk -v n="$1" -v d="$2" -v f="%.$3f" 'BEGIN { if (n > 0 && d > 0) printf f, n / d; else printf "-" }'
}

# Speed against quota_report with the same switches (above 1 is faster), then
# time against wc -l and against the read limit (below is faster).
printf '%-8s %-28s %14s %8s %11s %8s %10s\n' listing program "x quota_report" "/ wc -l" \
    "/ read limit" "MB/s" "peak KB"
declare -A seconds kilobytes
for size in "${sizes[@]}"; do
    listing=$work/listing-$size.txt
    "$build/generate_listing" "$size" >"$listing"
    bytes=$(stat -c %s "$listing")

    # Every other filter must give the very same report before it is timed.
    for i in "${same_report[@]}"; do
        ${commands[reference[i]]} <"$listing" >"$work/expected"
        ${commands[i]} <"$listing" | cmp -s - "$work/expected" ||
            { echo "${names[i]} differs from ${names[reference[i]]} at $size MB" >&2; exit 1; }
    done

    # Rounds over all the commands in turn, so that a slow spell of the
    # machine does not fall on one command alone.
    for ((round = 0; round < rounds; round++)); do
        for i in "${!commands[@]}"; do
            t=$(seconds_per_pass "${commands[i]}" "$listing" "$((size * rounds))")
            if [ "$round" = 0 ] || awk -v t="$t" -v b="${seconds[$size,$i]}" 'BEGIN { exit !(t < b) }'; then
                seconds[$size,$i]=$t
            fi
        done
    done
    for i in "${!commands[@]}"; do
        kilobytes[$size,$i]=$(peak_kilobytes "${commands[i]}" "$listing")
        printf '%-8s %-28s %14s %8s %11s %8s %10s\n' "$size MB" "${names[i]}" \
            "$(ratio "${seconds[$size,${reference[i]}]}" "${seconds[$size,$i]}" 2)" \
            "$(ratio "${seconds[$size,$i]}" "${seconds[$size,$wc_row]}" 2)" \
            "$(ratio "${seconds[$size,$i]}" "${seconds[$size,$read_row]}" 2)" \
            "$(ratio "$bytes" "$(ratio "${seconds[$size,$i]}" 0.000001 6)" 0)" "${kilobytes[$size,$i]}"
    done
done

# What a cron job, or a loop over many servers, pays per run.
startup() { # binary
    time_with_hyperfine "$work/startup.json" -N --warmup 20 --runs "$startup_runs" "$1 $sample"
    echo "$(ratio "$(figure "$work/startup.json" mean)" 0.001 2) ms" \
        "(± $(ratio "$(figure "$work/startup.json" stddev)" 0.001 2))"
}
echo
echo "Start-up, the $(stat -c %s "$sample")-byte sample listing, mean of $startup_runs runs:" \
    "dynamic $(startup "$build/quota_report"), static $(startup "$build/portable/quota_report")"

verdict() { # measured target
    if [ -n "$smoke" ]; then
        echo "not judged on a smoke run"
        return
    fi
    awk -v m="$1" -v t="$2" 'BEGIN { print (m >= t ? "met" : "NOT met") }'
}

# The targets, on every listing but the smallest (on a smoke run, the last):
# at least 3 times the plain C program's speed and 6 times awk's, at most 2
# times the time of wc -l and 3.5 times the read limit's, with the default
# switches and with -rbf.
judged=("${sizes[@]:1}")
[ -z "$smoke" ] || judged=("${sizes[-1]}")
echo
for size in "${judged[@]}"; do
    for mode in 0 1; do
        c=$(ratio "${seconds[$size,$((3 + mode))]}" "${seconds[$size,$mode]}" 2)
        a=$(ratio "${seconds[$size,$((5 + mode))]}" "${seconds[$size,$mode]}" 2)
        w=$(ratio "${seconds[$size,$mode]}" "${seconds[$size,$wc_row]}" 2)
        r=$(ratio "${seconds[$size,$mode]}" "${seconds[$size,$read_row]}" 2)
        echo "$size MB, ${names[mode]}: ${c}x plain C ($(verdict "$c" 3))," \
            "${a}x awk ($(verdict "$a" 6)), ${w} times wc -l ($(verdict "$(ratio 2 "$w" 4)" 1))," \
            "${r} times the read limit ($(verdict "$(ratio 3.5 "$r" 4)" 1))"
    done
done
first=${sizes[0]} last=${sizes[-1]}
echo "Peak memory of quota_report: ${kilobytes[$first,0]} KB at $first MB," \
    "${kilobytes[$last,0]} KB at $last MB"
