#!/usr/bin/env bash
# Follows README on fresh Debian systems, as root: each command as written,
# in order, with the release files of the package folder.
#
#     packaging/install_on_debian.sh [--build SUITE]... PACKAGE_FOLDER REFERENCE_BINARY SUITE...
#
# For each suite (bullseye, bookworm, trixie, …) makes a minimal root with
# debootstrap from the machine's own Debian mirror, and there: installs the
# amd64 .deb with apt, runs the installed program on the installed sample
# listing, whose report must be REFERENCE_BINARY's, finds the manual page
# with man; runs the portable tarball where it is unpacked, and unpacks it
# into /usr/local, whose folders keep the modes and owners a site gives them
# (2775 root:staff), and into
# /opt/qr, whose manual page man finds by MANPATH; makes the report folder and
# runs the crontab line under /bin/sh with cron's PATH, after another user has
# tried to plant links in the report's place; and removes the package.  With
# --build, that suite also installs the build tools with README's apt-get
# line and builds the source release as README says for its CMake, every test
# run: with the presets where CMake has them, and otherwise with the plain
# commands, with the static C library moved aside (the plain build needs
# none, and a static build is refused at once without it).
set -euo pipefail

usage="usage: install_on_debian.sh [--build SUITE]... PACKAGE_FOLDER REFERENCE_BINARY SUITE..."
build_suites=" "
while [ "${1:-}" = --build ]; do
    build_suites+="${2:?$usage} "
    shift 2
done
packages=$(realpath "${1:?$usage}")
reference=$(realpath "${2:?$usage}")
shift 2
source_tree=$(cd "$(dirname "$0")/.." && pwd)
readme=$source_tree/README.md
version=$(sed -n 's/^project(quota_report VERSION \([0-9.]*\)$/\1/p' "$source_tree/CMakeLists.txt")
deb=$packages/quota-report_${version}_amd64.deb
tarball=$packages/quota_report-$version-linux-x86_64.tar.gz
release=$packages/quota_report-$version.tar.gz
for file in "$deb" "$tarball" "$release"; do
    [ -f "$file" ] || { echo "FAIL: no $file" >&2; exit 1; }
done
sample=$source_tree/examples/listing.txt
work=$(mktemp -d)
trap 'for m in "$work"/*/dev/pts "$work"/*/proc; do umount "$m" 2>/dev/null || true; done; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# README's command block that begins with the line starting with PREFIX
# (indented by four spaces there): that line and the indented lines after it.
readme_block() { # prefix
    awk -v prefix="    $1" 'index($0, prefix) == 1 { on = 1 } on && !/^    / { exit } on { print substr($0, 5) }' "$readme"
}
readme_line() { # prefix
    readme_block "$1" | head -n 1 | grep . || fail "README has no command beginning with $1"
}

# The mirror this machine installs its own packages from.
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
[ -n "$mirror" ] || fail "no Debian mirror in this machine's apt sources"

# The roots, with man, are made side by side: most of the time goes in
# waiting for the mirror.
for suite in "$@"; do
    debootstrap --variant=minbase --include=man-db "$suite" "$work/$suite" "$mirror" \
        >"$work/$suite.log" 2>&1 &
done
for suite in "$@"; do
    wait -n || { tail -n 20 "$work"/*.log; fail "debootstrap failed"; }
done

# As root in the root, in /root, with the release files beside; apt answers
# yes for the administrator.
in_root() { chroot "$root" env -C /root DEBIAN_FRONTEND=noninteractive LC_ALL=C HOME=/root "$@"; }
as_admin() { in_root bash -euo pipefail -c "$1"; }
owners() { stat -c '%n %a %U:%G' "$@"; }

# The source release, built as README says for the suite's CMake; every test
# runs, the fault cases too.
build_source() { # suite
    local log=$work/$1.build.log cmake_minor commands libc
    as_admin "apt-get update -qq && $(readme_line 'apt-get install cmake make g++')" \
        >"$log" 2>&1 || { tail -n 20 "$log"; fail "$1: README's apt-get line failed"; }
    tar -xzf "$release" -C "$root/root"
    cmake_minor=$(in_root cmake --version | sed -n 's/^cmake version 3\.\([0-9]*\).*/\1/p')
    if [ "$cmake_minor" -ge 25 ]; then
        commands="$(readme_line 'cmake --preset default && ') && $(readme_line 'cmake --workflow --preset test')"
        as_admin "cd quota_report-$version && $commands" >>"$log" 2>&1 ||
            { tail -n 40 "$log"; fail "$1: the source release does not build or pass its tests"; }
        grep -q '^home' "$log" || fail "$1: the preset build gave no sample report"
    else
        libc=$(in_root g++ -print-file-name=libc.a)
        mv "$root$libc" "$root$libc.aside"
        as_admin "cd quota_report-$version && $(readme_line 'cmake -S . -B build && ')" >>"$log" 2>&1 ||
            { tail -n 40 "$log"; fail "$1: the plain build does not build or pass its tests without libc.a"; }
        ! as_admin "cd quota_report-$version && cmake -S . -B static -D QUOTA_REPORT_PORTABLE=ON" \
            >"$work/$1.static.log" 2>&1 && grep -q 'cannot link a static' "$work/$1.static.log" ||
            { cat "$work/$1.static.log"; fail "$1: a static build without libc.a is not refused at once"; }
        mv "$root$libc.aside" "$root$libc"
    fi
    grep -q '^100% tests passed' "$log" && ! grep -q '(Skipped)' "$log" ||
        { tail -n 20 "$log"; fail "$1: not every test of the source release ran and passed"; }
    echo "   $1: README's apt-get line, then $(in_root cmake --version | head -n 1)," \
        "$(in_root g++ --version | head -n 1): $(grep -cE 'Test +#' "$log") tests passed$(
            [ "$cmake_minor" -ge 25 ] && echo " with the presets" ||
                echo " with the plain commands and no libc.a, where a static build is refused")"
}

for suite in "$@"; do
    root=$work/$suite
    mount -t proc proc "$root/proc"
    mount --bind /dev/pts "$root/dev/pts"
    echo 'APT::Get::Assume-Yes "true";' >"$root/etc/apt/apt.conf.d/90yes"
    cp "$deb" "$tarball" "$root/root/"
    cp "$sample" "$root/root/volumes.txt"
    "$reference" "$sample" >"$work/report"

    # The package, its program, its sample and its manual page.
    as_admin "$(readme_line 'apt install ./quota-report_')" >"$work/$suite.install.log" 2>&1 ||
        { tail -n 20 "$work/$suite.install.log"; fail "$suite: the install failed"; }
    as_admin "$(readme_line 'quota_report /usr/share/doc/quota-report/')" | cmp -s - "$work/report" ||
        fail "$suite: the installed program's report of the installed sample differs"
    page=$(in_root man -w quota_report) || fail "$suite: man does not find the manual page"

    # The tarball where it is unpacked, in a prefix, and in a prefix man does not search.
    as_admin "$(readme_block 'tar -xzf quota_report-' | sed -n 1,3p)" | cmp -s - "$work/report" ||
        fail "$suite: the unpacked tarball's report of its sample differs"
    as_admin "$(readme_block 'tar -xzf quota_report-' | sed -n '1,2p;4p')" | grep -q 'quota_report' ||
        fail "$suite: man -l shows no manual page from the unpacked tarball"
    # As a site keeps them, where staff may install programs.
    chown root:staff "$root/usr/local" "$root/usr/local/bin" "$root/usr/local/share"
    chmod 2775 "$root/usr/local" "$root/usr/local/bin" "$root/usr/local/share"
    before=$(cd "$root" && owners usr/local usr/local/bin usr/local/share usr/local/share/man)
    as_admin "$(readme_line 'tar -C /usr/local ')"
    after=$(cd "$root" && owners usr/local usr/local/bin usr/local/share usr/local/share/man)
    [ "$before" = "$after" ] || fail "$suite: unpacking into /usr/local changed its folders: $before / $after"
    as_admin "/usr/local/bin/quota_report volumes.txt" | cmp -s - "$work/report" ||
        fail "$suite: the program unpacked into /usr/local gives another report"
    as_admin "$(readme_block 'mkdir -p /opt/qr')" | grep -q 'quota_report' ||
        fail "$suite: man does not find the manual page of /opt/qr by MANPATH"

    # The crontab line, after another user has tried to plant links where root writes.
    as_admin "$(readme_line 'install -d -m 755 /var/lib/quota')"
    printf '#!/bin/sh\ncat /root/volumes.txt\n' >"$root/usr/local/sbin/list_volumes"
    chmod 755 "$root/usr/local/sbin/list_volumes"
    echo "keep" >"$root/root/important"
    in_root useradd -M other
    planted=0
    for name in volumes.txt report.tmp report.txt; do
        in_root setpriv --reuid=other --regid=other --clear-groups \
            ln -s /root/important "/var/lib/quota/$name" 2>/dev/null && planted=$((planted + 1))
    done
    [ "$planted" = 0 ] || fail "$suite: another user planted a link in /var/lib/quota"
    crontab_command=$(readme_line '15 6 * * * ' | cut -d' ' -f6-)
    in_root env -i PATH=/usr/bin:/bin HOME=/root SHELL=/bin/sh /bin/sh -c "$crontab_command" ||
        fail "$suite: the crontab line failed"
    cmp -s "$root/var/lib/quota/report.txt" "$work/report" && [ "$(cat "$root/root/important")" = keep ] ||
        fail "$suite: the crontab line wrote another report, or through a link"
    in_root apt-get remove -y -q quota-report >"$work/$suite.remove.log" 2>&1 ||
        { cat "$work/$suite.remove.log"; fail "$suite: the package does not remove"; }
    [ ! -e "$root/usr/bin/quota_report" ] || fail "$suite: the program is left after removal"
    echo "   Debian $(cat "$root/etc/debian_version") ($suite), C library" \
        "$(in_root dpkg-query -W -f '${Version}' libc6): README's commands as root: the .deb" \
        "installed with apt, the sample's report, man finds $page; the tarball run in place," \
        "into /usr/local (its folders kept: $(echo "$after" | awk '{ printf "%s %s %s; ", $1, $2, $3 }' |
            sed 's/; $//')) and /opt/qr (man by MANPATH); the crontab line under /bin/sh wrote" \
        "the report, another user could plant no link in /var/lib/quota; removed"
    case $build_suites in *" $suite "*) build_source "$suite" ;; esac
    umount "$root/dev/pts" "$root/proc"
done
