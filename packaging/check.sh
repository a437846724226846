#!/usr/bin/env bash
# Checks the release packages as a site meets them.
#
#     packaging/check.sh REFERENCE_BINARY
#
# Builds the packages of the last commit twice (the package and
# portable-aarch64 workflows), in fresh clones at different paths with nothing
# set by the caller, and requires the same bytes and a SHA256SUMS that
# sha256sum -c accepts; runs lintian (no error, no warning, no override),
# rpmlint (no error but no-signature) and hardening-check on the packaged
# binaries; unpacks every package and runs its binary on -h and the sample
# listing, whose report must be REFERENCE_BINARY's (a native build, with
# generate_listing beside it), and finds its version in it.  The portable
# x86-64 binary also runs in an otherwise empty root, and the aarch64 one
# under qemu-aarch64-static, which must behave as the reference on listings of
# several MB.  The source release, unpacked outside any git checkout, must
# build, run the sample and pass every test with the two commands of its
# README.
set -euo pipefail

reference=$(realpath "${1:?usage: check.sh REFERENCE_BINARY}")
source_tree=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sample=$source_tree/examples/listing.txt
version=$(sed -n 's/^project(quota_report VERSION \([0-9.]*\)$/\1/p' "$source_tree/CMakeLists.txt")

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

build_packages() { # clone-folder
    git clone -q "$source_tree" "$1"
    (cd "$1" && env -u SOURCE_DATE_EPOCH cmake --workflow --preset package &&
        env -u SOURCE_DATE_EPOCH cmake --workflow --preset portable-aarch64) >"$1.log" 2>&1 ||
        { tail -n 40 "$1.log"; fail "the package workflows failed in $1"; }
}

echo "-- two builds of $(git -C "$source_tree" rev-parse --short HEAD)"
first=$work/first/quota_report
second=$work/second/elsewhere/qr
mkdir -p "$(dirname "$first")" "$(dirname "$second")"
build_packages "$first"
build_packages "$second"
packages=$first/build/packages
(cd "$packages" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
(cd "$second/build/packages" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
for f in SHA256SUMS $(cut -d' ' -f3 "$packages/SHA256SUMS"); do
    cmp -s "$packages/$f" "$second/build/packages/$f" || fail "$f differs between the two builds"
done
[ "$(wc -l <"$packages/SHA256SUMS")" = 5 ] ||
    fail "SHA256SUMS does not list four packages and the source release"
sed 's/^/   /' "$packages/SHA256SUMS"
echo "   the same bytes from $first and $second"

deb=$(echo "$packages"/*.deb)
rpm=$(echo "$packages"/*.rpm)
tgz=$(echo "$packages"/*-linux-x86_64.tar.gz)
tgz_aarch64=$(echo "$packages"/*-linux-aarch64.tar.gz)

runs_the_sample() { # what binary
    "$2" -h 2>"$work/help" && head -n 1 "$work/help" | grep -q '^Usage: .*quota_report \[-rwbnfh\]' ||
        fail "$1: -h does not print the help text"
    "$2" "$sample" | cmp -s - <("$reference" "$sample") || fail "$1: the sample report differs"
    carries_its_version "$1" "$2"
    echo "   $1: -h and the sample listing as the reference build; it is $version"
}

carries_its_version() { # what binary
    # grep reads to the end: strings must not be cut off by a closed pipe.
    strings "$2" | grep -x "quota_report $version" >/dev/null || fail "$1: no version $version in the binary"
}

hardened() { # what binary
    hardening-check "$2" >"$work/hardening" || true
    sed 's/^/   /' "$work/hardening"
    for feature in 'Position Independent Executable' 'Stack protected' \
        'Fortify Source functions' 'Read-only relocations' 'Immediate binding'; do
        grep -q "^ $feature: yes" "$work/hardening" || fail "$1: $feature is not yes"
    done
}

echo "-- the .deb"
dpkg-deb -I "$deb" | grep -E '^ (Package|Version|Architecture|Maintainer|Depends|Description):'
dpkg-deb -c "$deb" >"$work/deb.list"
! grep -q 'lintian/overrides' "$work/deb.list" || fail "the .deb carries lintian overrides"
# Lintian's own notices (such as running as root) go to standard error.
lintian --fail-on error,warning "$deb" 2> >(grep -v "running with root" >&2) >"$work/lintian" || { cat "$work/lintian"; fail "lintian"; }
echo "   lintian: $(if [ -s "$work/lintian" ]; then cat "$work/lintian"; else echo "no findings"; fi)"
dpkg-deb -x "$deb" "$work/deb"
doc=$work/deb/usr/share/doc/quota-report
for f in usr/bin/quota_report usr/share/man/man1/quota_report.1.gz \
    usr/share/doc/quota-report/copyright usr/share/doc/quota-report/changelog.gz \
    usr/share/doc/quota-report/examples/listing.txt; do
    [ -f "$work/deb/$f" ] || fail "the .deb lacks $f"
done
grep -q '^License: ISC$' "$doc/copyright" || fail "the copyright file names no ISC licence"
echo "   changelog: $(zcat "$doc/changelog.gz" | head -n 1)"
echo "   manual page: $(zcat "$work/deb/usr/share/man/man1/quota_report.1.gz" | head -n 1)"
hardened .deb "$work/deb/usr/bin/quota_report"
runs_the_sample .deb "$work/deb/usr/bin/quota_report"

echo "-- the .rpm"
rpm -qp --qf '   %{NAME} %{VERSION}-%{RELEASE} %{ARCH}, licence %{LICENSE}, built on %{BUILDHOST}\n' "$rpm"
rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$rpm" | grep -q '^dl /usr/share/doc/quota_report/LICENSE$' ||
    fail "the .rpm does not carry LICENSE as %license"
rpm -qp --changelog "$rpm" | head -n 1 | sed 's/^/   changelog: /'
rpmlint "$rpm" >"$work/rpmlint" 2>&1 || true
grep -E ': [EW]: ' "$work/rpmlint" | sed 's/^/   rpmlint: /'
! grep -E ': E: ' "$work/rpmlint" | grep -v ': E: no-signature$' || fail "rpmlint reports errors"
mkdir "$work/rpm"
rpm2cpio "$rpm" | (cd "$work/rpm" && cpio -idm --quiet)
for f in usr/share/man/man1/quota_report.1.gz usr/share/doc/quota_report/examples/listing.txt; do
    [ -f "$work/rpm/$f" ] || fail "the .rpm lacks $f"
done
hardened .rpm "$work/rpm/usr/bin/quota_report"
runs_the_sample .rpm "$work/rpm/usr/bin/quota_report"

portable() { # what tarball folder: unpacks it and checks what it holds
    mkdir "$3"
    tar -xzf "$2" -C "$3"
    top=$(echo "$3"/*)
    for f in bin/quota_report share/man/man1/quota_report.1.gz share/doc/quota_report/README.md \
        share/doc/quota_report/LICENSE share/doc/quota_report/examples/listing.txt; do
        [ -f "$top/$f" ] || fail "$1 lacks $f"
    done
    carries_its_version "$1" "$top/bin/quota_report"
    ! readelf -d "$top/bin/quota_report" | grep -q NEEDED || fail "$1: the binary needs shared libraries"
    readelf -d "$top/bin/quota_report" | grep -q BIND_NOW || fail "$1: no immediate binding"
    readelf -lW "$top/bin/quota_report" | grep -q GNU_RELRO || fail "$1: no read-only relocations"
    echo "   $1: $(stat -c %s "$top/bin/quota_report") bytes, $(file -b "$top/bin/quota_report" | cut -d, -f1-5)"
}

echo "-- the portable x86-64 .tar.gz"
portable x86-64 "$tgz" "$work/x86_64"
root=$work/root
mkdir "$root"
cp "$top/bin/quota_report" "$sample" "$root/"
chroot "$root" /quota_report /listing.txt | cmp -s - <("$reference" "$sample") ||
    fail "x86-64: the report in an empty root differs"
echo "   x86-64: in a root holding only itself and the listing, the reference's report"

echo "-- the portable aarch64 .tar.gz"
portable aarch64 "$tgz_aarch64" "$work/aarch64"
aarch64=$top/bin/quota_report
"$(dirname "$reference")/generate_listing" 8 >"$work/generated.txt"
same_as_reference() { # arguments
    local expected actual
    expected=$( (exec -a quota_report "$reference" "$@") 2>&1 >"$work/native.out"; echo "status $?")
    actual=$(qemu-aarch64-static -0 quota_report "$aarch64" "$@" 2>&1 >"$work/aarch64.out"; echo "status $?")
    [ "$actual" = "$expected" ] && cmp -s "$work/native.out" "$work/aarch64.out" ||
        fail "aarch64 under qemu differs from the reference: quota_report $*"
}
same_as_reference -x
for switches in "" -rbf -wn -rwbnf; do
    for listing in "$sample" "$work/generated.txt"; do
        same_as_reference $switches "$listing"
    done
done
echo "   aarch64 under qemu: the reference's output, errors and status for the usage line and for" \
    "the sample and an 8 MB listing under the default switches, -rbf, -wn and -rwbnf"

echo "-- cmake --install"
cmake --install "$first/build/release" --prefix "$work/prefix" >/dev/null
for f in bin/quota_report share/man/man1/quota_report.1.gz share/doc/quota_report/README.md \
    share/doc/quota_report/NEWS.md share/doc/quota_report/LICENSE \
    share/doc/quota_report/examples/listing.txt; do
    [ -f "$work/prefix/$f" ] || fail "not installed: $f"
done
echo "   installs the program, the manual page and the documentation"

echo "-- the source release"
mkdir "$work/source"
tar -xzf "$packages/quota_report-$version.tar.gz" -C "$work/source"
unpacked=$work/source/quota_report-$version
[ -f "$unpacked/README.md" ] && [ ! -e "$unpacked/.git" ] || fail "the source release is not one folder"
git -C "$unpacked" rev-parse 2>/dev/null && fail "the source release lies in a git checkout"
diff <(tar -tzf "$packages/quota_report-$version.tar.gz" | grep -v '/$' | sed "s|^quota_report-$version/||" | sort) \
    <(git -C "$source_tree" ls-files | sort) >/dev/null || fail "the source release is not the tracked files"
# The two commands of its README: the sample, then every test.
sample_command=$(grep -m 1 '^    cmake --preset default && ' "$unpacked/README.md" | sed 's/^    //')
test_command=$(grep -m 1 '^    cmake --workflow --preset test$' "$unpacked/README.md" | sed 's/^    //')
[ -n "$sample_command" ] && [ -n "$test_command" ] || fail "the README gives no build commands"
(cd "$unpacked" && eval "$sample_command") >"$work/source.sample" 2>"$work/source.log" ||
    { tail -n 20 "$work/source.log"; fail "the source release does not build and run the sample"; }
grep -q "^home" "$work/source.sample" || fail "the source release's sample report is empty"
(cd "$unpacked" && eval "$test_command") >"$work/source.tests" 2>&1 ||
    { tail -n 30 "$work/source.tests"; fail "the source release fails its tests"; }
grep -q '^100% tests passed' "$work/source.tests" || fail "the source release's tests did not all pass"
echo "   quota_report-$version.tar.gz: the tracked files; outside git it builds, runs the sample" \
    "and passes $(grep -c 'Test #' "$work/source.tests") tables"
