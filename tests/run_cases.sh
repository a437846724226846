#!/usr/bin/env bash
# Runs a table of cases against the built quota_report.
#
#   run_cases.sh [--emulator COMMAND] BINARY_DIR TABLE...
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
# A tag may stand alone (an empty line of text) or is followed by one space.
# Lines beginning with # are comments; empty lines are ignored.
# Commands may call `records N`, which writes N complete, selected records,
# `inject CALL ERRNO|ACTION WHEN FILE COMMAND...` and `shared FILE COMMAND...`
# (below).  A case whose command exits 77 is skipped, which fails the table
# where QUOTA_REPORT_NO_SKIP is set.
# Outputs are compared byte for byte; a mismatch prints a diff.
# With --emulator, each program of BINARY_DIR runs under COMMAND (a user-mode
# emulator), named as it was called.
set -u

emulator=
[ "$1" = --emulator ] && emulator=$2 && shift 2
bin_dir=$(cd "$1" && pwd) || exit 2
shift
export PATH="$bin_dir:$PATH"
export TESTS_DIR
TESTS_DIR=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -n "$emulator" ]; then
    mkdir "$work/emulated" && PATH="$work/emulated:$PATH"
    for program in quota_report run_with_empty_argv; do
        printf '#!/bin/sh\ncase $0 in */emulated/*) name=${0##*/} ;; *) name=$0 ;; esac\n%s\n' \
            "exec $emulator -0 \"\$name\" $bin_dir/$program \"\$@\"" >"$work/emulated/$program"
        chmod +x "$work/emulated/$program"
    done
fi

records() {
    local i
    for ((i = 1; i <= $1; i++)); do
        printf 'v%d 1 RW 1 K On-line\n    h p\n    x\n    MaxQuota 1 K\n' "$i"
    done
}
export -f records

# Runs COMMAND with the WHEN-th use (2, or 2+ for every use from the second)
# of system call CALL on FILE failing with ERRNO, or instead: held back at its
# entry by delay_enter=MICROSECONDS, not made and answered by retval=VALUE,
# or followed by signal=SIGNAL.  strace logs those calls in strace.log as
# they begin, and their ends as they return.  Skips the case where strace is
# missing or tracing is refused.  LeakSanitizer cannot run under a tracer.
inject() {
    strace -qq -o /dev/null true 2>/dev/null || exit 77
    local action=error=$2
    case $2 in delay_enter=* | retval=* | signal=*) action=$2 ;; esac
    ASAN_OPTIONS=detect_leaks=0 strace --quiet=all -o strace.log -P "$4" -P "$(realpath -m "$4")" \
        -e trace="$1" -e inject="$1:$action:when=$3" "${@:5}"
}
export -f inject

# Runs COMMAND with standard input and standard output one open file of FILE,
# read-write for appending, at its start: one offset for both, as a program
# that opens a file once and hands it over as both streams leaves them.
shared() {
    perl -MFcntl -e 'sysopen(F, $ARGV[0], O_RDWR | O_APPEND) && sysseek(F, 0, 0) &&
        open(STDIN, "<&", F) && open(STDOUT, ">&", F) or die "$ARGV[0]: $!\n";
        exec @ARGV[1 .. $#ARGV] or die "$ARGV[1]: $!\n"' "$@"
}
export -f shared

# Runs COMMAND with standard input a pipe that already holds all of FILE and
# has no writer left, so that every read it answers is the same on every run.
piped() {
    perl -e 'pipe(R, W) && fcntl(W, 1031, 1 << 20) or die "pipe: $!\n";  # F_SETPIPE_SZ
        open(F, "<", $ARGV[0]) or die "$ARGV[0]: $!\n"; local $/; my $bytes = <F>;
        syswrite(W, $bytes) == length $bytes && close(W) && open(STDIN, "<&", R) && close(R) &&
        exec @ARGV[1 .. $#ARGV] or die "$ARGV[1]: $!\n"' "$@"
}
export -f piped

# Runs COMMAND, in which quota_report reads the listing L of the case's folder,
# with each call it makes on its streams and files failed in turn
# (tests/sweep.pl says how and what each run must leave), and notes how many
# faults were tried.
sweep() {
    strace -qq -o /dev/null true 2>/dev/null || exit 77
    mkdir -p "$work/sweep" && cp "$TESTS_DIR/../examples/listing.txt" "$work/sweep/sample" &&
        { printf '%8s' '' | tr ' ' '\n'; records 1234; } >"$work/sweep/long" &&
        perl "$TESTS_DIR/sweep.pl" "$1" "$(command -v quota_report)" "$work/sweep" "$work/note" \
            "$work/sweep/sample" "$work/sweep/long"
}

passed=0
failed=0
skipped=0

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
    rm -f "$work/note"
    (cd "$dir/run" && eval "$command") <"$dir/run/listing" >"$dir/stdout" 2>"$dir/stderr"
    rc=$?
    if [ "$rc" = 77 ] && [ "$status" != 77 ]; then
        skipped=$((skipped + 1)); echo "skip $title"; rm -rf "$dir"; return
    fi
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
        [ ! -e "$work/note" ] || sed 's/^/     /' "$work/note"
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

# A line the runner does not understand stops it: a tag must stand alone or be
# followed by one space, every tag belongs to a case, and every case ends in
# its status.
unreadable() { # table line-number why
    echo "$1:$2: $3" >&2
    exit 2
}

for table in "$@"; do
    echo "# $(basename "$table")"
    number=0 open=
    while IFS= read -r line || [ -n "$line" ]; do
        number=$((number + 1))
        tag=${line:0:1} text=${line:2}
        if [ "$tag" = '#' ]; then
            [ "${line:0:4}" = '### ' ] || continue
            [ -z "$open" ] || unreadable "$table" "$number" "the case \"$title\" has no status line"
            new_case "${line:4}"
            open=1
            continue
        fi
        [ -n "$line" ] || continue
        [ "${#line}" = 1 ] || [ "${line:1:1}" = ' ' ] ||
            unreadable "$table" "$number" "a tag must be followed by one space: $line"
        case $tag in
        '$' | '<' | '>' | '!' | '=' | '-' | '?') ;;
        *) unreadable "$table" "$number" "cannot read line: $line" ;;
        esac
        [ -n "$open" ] || unreadable "$table" "$number" "a line outside any case: $line"
        case $tag in
        '$') command+="$text"$'\n' ;;
        '<') printf '%b\n' "$text" >>"$work/listing" ;;
        '>') printf '%b\n' "$text" >>"$target" ;;
        '!') printf '%b\n' "$text" >>"$work/expect.stderr" ;;
        '=') files+=("$text") target=$work/expect.file.$text; : >"$target" ;;
        '-') absent+=("$text") ;;
        '?')
            [[ $text =~ ^[0-9]+$ ]] || unreadable "$table" "$number" "not an exit status: $line"
            run_case "$title" "$text"
            open= ;;
        esac
    done <"$table"
    [ -z "$open" ] || unreadable "$table" "$number" "the case \"$title\" has no status line"
done

echo "$passed passed, $failed failed, $skipped skipped"
[ $failed = 0 ] || exit 1
# A table that holds no case tests nothing.
[ $((passed + skipped)) -gt 0 ] || { echo "no case in $*" >&2; exit 1; }
# Where every case can run (QUOTA_REPORT_NO_SKIP), a skipped one fails.
[ $skipped = 0 ] || { [ -z "${QUOTA_REPORT_NO_SKIP:-}" ] || exit 1; exit 77; }
