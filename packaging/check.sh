#!/usr/bin/env bash
# Checks the release packages as a site meets them.
#
#     packaging/check.sh REFERENCE_BINARY
#
# Builds the packages of the last commit twice (the package and package-arm64
# workflows), in fresh clones at different paths with nothing
# set by the caller, and requires the same bytes and a SHA256SUMS that
# sha256sum -c accepts.  Each .deb and .rpm, amd64 and arm64, holds the
# static program and depends on nothing: lintian finds nothing but the
# static program (overridden, with the reason), rpmlint no error but the
# missing signature (the static program is filtered in packaging/rpmlintrc),
# the .rpm requires no C library and holds the .deb's program, manual page
# and sample; the static programs are position independent with read-only
# relocations, immediate binding and fortified functions, and hardening-check
# passes the dynamic build of the same objects.  Every program runs -h and
# the sample listing, whose report must be REFERENCE_BINARY's (a native
# build, with generate_listing beside it), natively or under
# qemu-aarch64-static, and carries its version.  The portable x86-64 binary
# also runs in an otherwise empty root, and the aarch64 one must behave as the
# reference on listings of several MB.  The amd64 .deb is installed with apt
# on Debian 11 and 13 (install_on_debian.sh).  The source release, unpacked
# outside any git checkout, must build, run the sample and pass every test
# with the two commands of its README.
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

# The first build runs the two workflows as a packager would, tests and all;
# the second, which only has to give the same bytes, skips their tests.
build_packages() { # clone-folder [steps]
    git clone -q "$source_tree" "$1"
    (cd "$1" && for preset in package package-arm64; do
        if [ "${2:-}" = untested ]; then
            configure=${preset#package-}
            [ "$preset" = package ] && configure=release
            env -u SOURCE_DATE_EPOCH cmake --preset "$configure" &&
                env -u SOURCE_DATE_EPOCH cmake --build --preset "$configure" &&
                env -u SOURCE_DATE_EPOCH cpack --preset "$configure" || exit 1
        else
            env -u SOURCE_DATE_EPOCH cmake --workflow --preset "$preset" || exit 1
        fi
    done) >"$1.log" 2>&1 || { tail -n 40 "$1.log"; fail "the package builds failed in $1"; }
    # The tests run here under the emulator too, and strace is installed.
    ! grep '(Skipped)' "$1.log" || fail "cases were skipped in $1"
    grep -E 'The portable quota_report is linked|tests passed' "$1.log" | sed 's/^-- //; s/^/   /' || true
}

echo "-- two builds of $(git -C "$source_tree" rev-parse --short HEAD)"
first=$work/first/quota_report
second=$work/second/elsewhere/qr
mkdir -p "$(dirname "$first")" "$(dirname "$second")"
build_packages "$first"
build_packages "$second" untested
packages=$first/build/packages
(cd "$packages" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
(cd "$second/build/packages" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
for f in SHA256SUMS $(cut -d' ' -f3 "$packages/SHA256SUMS"); do
    cmp -s "$packages/$f" "$second/build/packages/$f" || fail "$f differs between the two builds"
done
[ "$(wc -l <"$packages/SHA256SUMS")" = 7 ] ||
    fail "SHA256SUMS does not list the .deb, .rpm and .tar.gz of two architectures and the source release"
sed 's/^/   /' "$packages/SHA256SUMS"
echo "   the same bytes from $first and $second"

tgz=$(echo "$packages"/*-linux-x86_64.tar.gz)
tgz_aarch64=$(echo "$packages"/*-linux-aarch64.tar.gz)

runs_the_sample() { # what binary [emulator...]: the program, run natively or under the emulator
    local what=$1 binary=$2
    shift 2
    "$@" "$binary" -h 2>"$work/help" && head -n 1 "$work/help" | grep -q '^Usage: .*quota_report \[-rwbnfh\]' ||
        fail "$what: -h does not print the help text"
    "$@" "$binary" "$sample" | cmp -s - <("$reference" "$sample") || fail "$what: the sample report differs"
    carries_its_version "$what" "$binary"
    echo "   $what: -h and the sample listing as the reference build; it is $version"
}

carries_its_version() { # what binary
    # grep reads to the end: strings must not be cut off by a closed pipe.
    strings "$2" | grep -x "quota_report $version" >/dev/null || fail "$1: no version $version in the binary"
}

# The packaged program is linked statically, which hardening-check cannot
# judge: it sees a static-pie program as a shared library and looks for the
# stack protector and the fortified functions among dynamic symbols, which a
# static program has none of.  So those two are checked on the dynamic build
# of the same objects, and on the static program itself the rest: position
# independence, read-only relocations, immediate binding, and the fortified
# functions linked in (the unstripped build; only a fortified call draws
# __fprintf_chk into a static program).
hardened() { # what binary unstripped-binary
    readelf -h "$2" | grep -q 'Type: *DYN' && readelf -d "$2" | grep -q 'FLAGS_1.*PIE' ||
        fail "$1: not a position-independent executable"
    ! readelf -lW "$2" | grep -q INTERP || fail "$1: the program needs a program interpreter"
    readelf -lW "$2" | grep -q GNU_RELRO || fail "$1: no read-only relocations"
    readelf -d "$2" | grep -q 'FLAGS.*BIND_NOW' || fail "$1: no immediate binding"
    # grep reads to the end: nm must not be cut off by a closed pipe.
    nm "$3" | grep ' T __fprintf_chk$' >/dev/null || fail "$1: no fortified functions"
    echo "   $1: static-pie, read-only relocations, immediate binding, fortified functions"
}
hardening-check "$first/build/release/quota_report" >"$work/hardening" || true
for feature in 'Position Independent Executable' 'Stack protected' \
    'Fortify Source functions' 'Read-only relocations' 'Immediate binding'; do
    grep -q "^ $feature: yes" "$work/hardening" || fail "the dynamic build: $feature is not yes"
done
echo "-- hardening-check on the dynamic build of the same objects"
sed 's/^/   /' "$work/hardening"

check_deb() { # deb arch unstripped-binary [emulator...]
    local deb=$1 arch=$2 unstripped=$3 unpacked=$work/deb-$2
    shift 3
    echo "-- the $arch .deb"
    dpkg-deb -I "$deb" | grep -E '^ (Package|Version|Architecture|Maintainer|Depends|Description):'
    dpkg-deb -f "$deb" Architecture | grep -qx "$arch" || fail "the $arch .deb is not for $arch"
    [ -z "$(dpkg-deb -f "$deb" Depends)" ] || fail "the $arch .deb depends on other packages"
    # Lintian's own notices (such as running as root) go to standard error.
    # Its verdict leaves overridden tags out; the second run shows them.
    lintian --fail-on error,warning "$deb" 2> >(grep -v "running with root" >&2) \
        >"$work/lintian" || { cat "$work/lintian"; fail "lintian"; }
    [ ! -s "$work/lintian" ] || { cat "$work/lintian"; fail "lintian finds more than the static program"; }
    lintian --show-overrides "$deb" 2>/dev/null | grep -v '^N: ' >"$work/lintian" || true
    ! grep -v '^O: quota-report: shared-library-lacks-prerequisites ' "$work/lintian" ||
        fail "lintian overrides more than the static program"
    sed 's/^/   lintian: /' "$work/lintian"
    dpkg-deb -x "$deb" "$unpacked"
    local doc=$unpacked/usr/share/doc/quota-report
    for f in usr/bin/quota_report usr/share/man/man1/quota_report.1.gz \
        usr/share/doc/quota-report/copyright usr/share/doc/quota-report/changelog.gz \
        usr/share/doc/quota-report/examples/listing.txt usr/share/lintian/overrides/quota-report; do
        [ -f "$unpacked/$f" ] || fail "the $arch .deb lacks $f"
    done
    grep -q '^License: ISC$' "$doc/copyright" || fail "the copyright file names no ISC licence"
    echo "   changelog: $(zcat "$doc/changelog.gz" | head -n 1)"
    echo "   manual page: $(zcat "$unpacked/usr/share/man/man1/quota_report.1.gz" | head -n 1)"
    hardened ".deb $arch" "$unpacked/usr/bin/quota_report" "$unstripped"
    runs_the_sample ".deb $arch" "$unpacked/usr/bin/quota_report" "$@"
}

check_rpm() { # rpm arch deb-arch objcopy [emulator...]
    local rpm=$1 arch=$2 deb_files=$work/deb-$3 objcopy=$4 unpacked=$work/rpm-$2
    shift 4
    echo "-- the $arch .rpm"
    rpm -qp --qf '   %{NAME} %{VERSION}-%{RELEASE} %{ARCH}, licence %{LICENSE}, built on %{BUILDHOST}, payload %{PAYLOADCOMPRESSOR}\n' "$rpm"
    rpm -qp --qf '%{ARCH}\n' "$rpm" | grep -qx "$arch" || fail "the $arch .rpm is not for $arch"
    rpm -qp --qf '%{PAYLOADCOMPRESSOR}\n' "$rpm" | grep -qxE 'xz|gzip' || fail "the $arch .rpm is not xz or gzip"
    rpm -qp --requires "$rpm" >"$work/requires"
    ! grep -Ei 'libc|glibc|ld-linux|rtld' "$work/requires" || fail "the $arch .rpm requires a C library"
    echo "   requires: $(grep -v '^rpmlib(' "$work/requires" | tr '\n' ' ')(only rpmlib features)"
    rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$rpm" | grep -q '^dl /usr/share/doc/quota_report/LICENSE$' ||
        fail "the $arch .rpm does not carry LICENSE as %license"
    rpm -qp --changelog "$rpm" | head -n 1 | sed 's/^/   changelog: /'
    rpmlint -r "$source_tree/packaging/rpmlintrc" "$rpm" >"$work/rpmlint" 2>&1 || true
    grep -E ': [EW]: ' "$work/rpmlint" | sed 's/^/   rpmlint: /'
    ! grep -E ': E: ' "$work/rpmlint" | grep -v ': E: no-signature$' || fail "rpmlint reports errors"
    mkdir "$unpacked"
    rpm2cpio "$rpm" | (cd "$unpacked" && cpio -idm --quiet)
    # The same program (rpmbuild drops its .comment section), manual page and
    # sample as the .deb of the same processor.
    for binary in "$unpacked/usr/bin/quota_report" "$deb_files/usr/bin/quota_report"; do
        "$objcopy" --remove-section=.comment "$binary" "$binary.code"
    done
    cmp -s "$unpacked/usr/bin/quota_report.code" "$deb_files/usr/bin/quota_report.code" ||
        fail "the $arch .rpm's program is not the .deb's"
    for pair in usr/share/man/man1/quota_report.1.gz:usr/share/man/man1/quota_report.1.gz \
        usr/share/doc/quota_report/examples/listing.txt:usr/share/doc/quota-report/examples/listing.txt \
        usr/share/doc/quota_report/README.md:usr/share/doc/quota-report/README.md; do
        cmp -s "$unpacked/${pair%%:*}" "$deb_files/${pair#*:}" || fail "the $arch .rpm's ${pair%%:*} is not the .deb's"
    done
    echo "   the program, manual page, README and sample of the .deb"
    runs_the_sample ".rpm $arch" "$unpacked/usr/bin/quota_report" "$@"
}

check_deb "$(echo "$packages"/*_amd64.deb)" amd64 "$first/build/release/portable/quota_report"
check_rpm "$(echo "$packages"/*.x86_64.rpm)" x86_64 amd64 objcopy
check_deb "$(echo "$packages"/*_arm64.deb)" arm64 "$first/build/cross/arm64/portable/quota_report" \
    qemu-aarch64-static
check_rpm "$(echo "$packages"/*.aarch64.rpm)" aarch64 arm64 aarch64-linux-gnu-objcopy qemu-aarch64-static

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
readelf -d "$work/prefix/bin/quota_report" | grep -q 'NEEDED.*libc' || fail "cmake --install installs no dynamic program"
echo "   installs the dynamic program, the manual page and the documentation"

echo "-- the amd64 .deb on older and newer Debian"
"$source_tree/packaging/install_on_debian.sh" "$packages" "$reference" bullseye trixie

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
