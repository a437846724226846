#!/usr/bin/env bash
# Installs the amd64 .deb on Debian releases older and newer than the one it
# is built on, as a site would, and checks that it works there.
#
#     packaging/install_on_debian.sh [--build SUITE] PACKAGE_FOLDER REFERENCE_BINARY SUITE...
#
# For each suite (bullseye, trixie, …) makes a minimal root with debootstrap
# from the machine's own Debian mirror, installs the .deb with apt, runs the
# installed program on the installed sample listing, whose report must be
# REFERENCE_BINARY's, finds the manual page with man, and removes the package.
# With --build, the root of that suite also gets the suite's own cmake, make,
# g++ and strace, and builds the source release from the package folder there
# with the plain commands of README (no presets), and runs every test.
set -euo pipefail

usage="usage: install_on_debian.sh [--build SUITE] PACKAGE_FOLDER REFERENCE_BINARY SUITE..."
build_suite=
if [ "${1:-}" = --build ]; then
    build_suite=${2:?$usage}
    shift 2
fi
packages=$(realpath "${1:?$usage}")
reference=$(realpath "${2:?$usage}")
shift 2
deb=$(echo "$packages"/quota-report_*_amd64.deb)
[ -f "$deb" ] || { echo "FAIL: no amd64 .deb in $packages" >&2; exit 1; }
sample=$(cd "$(dirname "$0")/.." && pwd)/examples/listing.txt
work=$(mktemp -d)
trap 'umount "$work"/*/proc 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The mirror this machine installs its own packages from.
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
[ -n "$mirror" ] || fail "no Debian mirror in this machine's apt sources"

# The source release, built as README says for CMake older than 3.25, with the
# suite's own tools; every test runs, the fault cases too.
build_source() { # suite root
    local release
    release=$(basename "$(echo "$packages"/quota_report-[0-9]*[0-9].tar.gz)" .tar.gz)
    tar -xzf "$packages/$release.tar.gz" -C "$2/tmp"
    in_root sh -c "cd /tmp/$release && cmake -S . -B build && cmake --build build -j 2 &&
        cd build && ctest --output-on-failure" >"$work/$1.build.log" 2>&1 ||
        { tail -n 40 "$work/$1.build.log"; fail "$1: the source release does not build or pass its tests"; }
    grep -q '^100% tests passed' "$work/$1.build.log" && ! grep -q '(Skipped)' "$work/$1.build.log" ||
        { tail -n 20 "$work/$1.build.log"; fail "$1: not every test of the source release ran and passed"; }
    echo "   Debian $(cat "$2/etc/debian_version") ($1): $release built with" \
        "$(in_root cmake --version | head -n 1), $(in_root g++ --version | head -n 1)," \
        "build type $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$2/tmp/$release/build/CMakeCache.txt");" \
        "$(grep -c 'Test #' "$work/$1.build.log") tests passed"
}

# The roots, with man, are made side by side: most of the time goes in
# waiting for the mirror.
for suite in "$@"; do
    include=man-db
    [ "$suite" != "$build_suite" ] || include=$include,cmake,make,g++,strace
    debootstrap --variant=minbase --include=$include "$suite" "$work/$suite" "$mirror" \
        >"$work/$suite.log" 2>&1 &
done
for suite in "$@"; do
    wait -n || { tail -n 20 "$work"/*.log; fail "debootstrap failed"; }
done

for suite in "$@"; do
    root=$work/$suite
    mount -t proc proc "$root/proc"
    cp "$deb" "$root/tmp/"
    in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C "$@"; }
    # The package depends on nothing, so apt needs no package lists for it.
    in_root apt-get install -y -q "/tmp/$(basename "$deb")" >"$work/$suite.install.log" 2>&1 ||
        { tail -n 20 "$work/$suite.install.log"; fail "$suite: the install failed"; }
    in_root quota_report /usr/share/doc/quota-report/examples/listing.txt | cmp -s - <("$reference" "$sample") ||
        fail "$suite: the installed program's report of the installed sample differs"
    page=$(in_root man -w quota_report) || fail "$suite: man does not find the manual page"
    in_root apt-get remove -y -q quota-report >"$work/$suite.remove.log" 2>&1 ||
        { cat "$work/$suite.remove.log"; fail "$suite: the package does not remove"; }
    [ ! -e "$root/usr/bin/quota_report" ] || fail "$suite: the program is left after removal"
    echo "   Debian $(cat "$root/etc/debian_version") ($suite), C library" \
        "$(in_root dpkg-query -W -f '${Version}' libc6): installed with apt, the sample's report," \
        "man finds $page, removed"
    [ "$suite" != "$build_suite" ] || build_source "$suite" "$root"
    umount "$root/proc"
done
