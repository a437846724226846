#!/usr/bin/env bash
# Checks the release files as a site meets them.
#
#     packaging/check.sh REFERENCE_BINARY
#
# Builds the release files of the last commit for every architecture, in a
# fresh clone with nothing set by the caller: the workflow package (amd64)
# and package-ARCH for each toolchain file of packaging/cross/, tests and all,
# the cross builds' tests under their emulators, and finishes the release
# with packaging/finish_release.sh (the C library's source packages and the
# SPDX document).  Builds the amd64 and arm64 files again, untested, in a
# clone at another path, and requires the same bytes and a SHA256SUMS that
# sha256sum -c accepts and that lists a .deb and a portable tarball for each
# architecture, an .rpm for each that names its processor in RPM, the source
# release, the SPDX document, and every file of the source package of each C
# library the programs embed that the archive served.  For each architecture:
# the C library the program embeds is the one the toolchain's package says,
# and the .deb names it in Built-Using and its copyright file, the .rpm in its
# License and Provides with every licence text as a %license file, the
# tarball in its notices, all with the written offer for its source, and the
# SPDX document lists the file with its checksum and those packages; lintian
# finds nothing in the .deb but the static program (overridden, with the
# reason), rpmlint no error in the .rpm but the missing signature (the static
# program is filtered in packaging/rpmlintrc), the .rpm is not relocatable,
# requires no C library and holds the .deb's program, manual page and sample;
# every program is static with fortified functions (position independent,
# with read-only relocations and immediate binding, where linked with
# -static-pie), carries its version, and prints the help text and the sample
# listing's report of REFERENCE_BINARY (a native build, with generate_listing
# beside it), byte for byte, natively or under its emulator.  hardening-check
# passes the dynamic amd64 build of the same objects; the portable x86-64
# program runs in an otherwise empty root, and the arm64 one behaves as the
# reference on listings of several MB.  The amd64 and arm64 .rpm install into
# empty roots with rpm, run there, verify and remove.  README's commands run
# as written, as root, on fresh Debian 11, 12 and 13: the amd64 .deb, the
# tarball, the crontab line, and on 11 and 12 the source release built and
# tested with the system's own CMake and g++ (install_on_debian.sh).  The
# source release, unpacked outside any git checkout, must build, run the
# sample and pass every test with the two commands of its README.
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

# Each architecture as its toolchain file names it: Debian name, processor
# (which names the tarball), RPM name or -, emulator or -, triplet, and the
# build folder of its workflow.
architectures=("amd64 x86_64 x86_64 - x86_64-linux-gnu release")
for toolchain in "$source_tree"/packaging/cross/*.cmake; do
    value() { sed -n "s/^set($1 \(.*\))$/\1/p" "$toolchain"; }
    arch=$(basename "$toolchain" .cmake)
    rpm_arch=$(value rpm_architecture)
    fields=("$arch" "$(value CMAKE_SYSTEM_PROCESSOR)" "${rpm_arch:--}" "$(value cross_emulator)")
    architectures+=("${fields[*]} $(value cross_triplet) cross/$arch")
done
# The C library source version the toolchain of an architecture links, as its
# package says: a cross toolchain's in its Built-Using field.
c_library_of() { # debian-arch
    if [ "$1" = amd64 ]; then
        dpkg-query -W -f '${source:Version}' libc6-dev:amd64
    else
        dpkg-query -W -f '${Built-Using}' "libc6-dev-$1-cross" | grep -o 'glibc (= [^)]*)' |
            sed 's/glibc (= \(.*\))/\1/'
    fi
}
workflow() { # debian-arch
    if [ "$1" = amd64 ]; then echo package; else echo "package-$1"; fi
}

# The first build runs every workflow as a packager would, tests and all; the
# second, which only has to give the same bytes, builds amd64 and arm64
# without their tests.
build_packages() { # clone-folder [untested]
    git clone -q "$source_tree" "$1"
    (cd "$1" && for entry in "${architectures[@]}"; do
        read -r arch _ <<<"$entry"
        preset=$(workflow "$arch")
        if [ "${2:-}" != untested ]; then
            echo "== $preset"
            env -u SOURCE_DATE_EPOCH cmake --workflow --preset "$preset" || exit 1
        elif [ "$arch" = amd64 ] || [ "$arch" = arm64 ]; then
            configure=${preset#package-}
            [ "$preset" = package ] && configure=release
            env -u SOURCE_DATE_EPOCH cmake --preset "$configure" &&
                env -u SOURCE_DATE_EPOCH cmake --build --preset "$configure" &&
                env -u SOURCE_DATE_EPOCH cpack --preset "$configure" || exit 1
        fi
    done) >"$1.log" 2>&1 || { tail -n 40 "$1.log"; fail "the package builds failed in $1"; }
    # The tests run under the emulators too, and strace is installed.
    ! grep '(Skipped)' "$1.log" || fail "cases were skipped in $1"
    [ "${2:-}" = untested ] ||
        awk '/^== / { preset = $2 } /linked with/ { link = $NF }
             /tests passed/ { printf "   %-18s linked with %-11s %s\n", preset ":", link, $0 }' "$1.log"
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
for f in SHA256SUMS $(cut -d' ' -f3 "$second/build/packages/SHA256SUMS"); do
    [ "$f" = SHA256SUMS ] || cmp -s "$packages/$f" "$second/build/packages/$f" ||
        fail "$f differs between the two builds"
done
echo "-- the release finished: the C library's source packages and the SPDX document"
"$source_tree/packaging/finish_release.sh" "$packages"
spdx=$packages/quota_report-$version.spdx
expected=("quota_report-$version.tar.gz" "quota_report-$version.spdx")
for entry in "${architectures[@]}"; do
    read -r arch processor rpm_arch _ <<<"$entry"
    expected+=("quota-report_${version}_$arch.deb" "quota_report-$version-linux-$processor.tar.gz")
    [ "$rpm_arch" = - ] || expected+=("quota_report-$version-1.$rpm_arch.rpm")
done
# Of each C library source package: the .dsc, and every file it names that the
# archive served; one it did not is named in the SPDX document.
for glibc in $(for entry in "${architectures[@]}"; do c_library_of "${entry%% *}"; echo; done | sort -u); do
    dsc=glibc_$glibc.dsc
    [ -f "$packages/$dsc" ] || fail "no $dsc in the release folder"
    expected+=("$dsc")
    for file in $(awk '/^Checksums-Sha256:/ { on = 1; next } on && /^ / { print $3; next } on { exit }' \
                      "$packages/$dsc"); do
        if [ -f "$packages/$file" ]; then
            expected+=("$file")
        else
            grep -q "^PackageComment: <text>$file is not in the release folder" "$spdx" ||
                fail "$file is neither in the release folder nor named as missing"
            echo "   glibc $glibc: $file not served by the archive; the written offer stands for it"
        fi
    done
done
diff <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort -u) <(cut -d' ' -f3 "$packages/SHA256SUMS") ||
    fail "SHA256SUMS does not list the release files of every architecture"
sed 's/^/   /' "$packages/SHA256SUMS"
echo "   $(wc -l <"$packages/SHA256SUMS") files; the amd64 and arm64 ones and the source release" \
    "have the same bytes from $first and $second"

runs_the_sample() { # what binary [emulator]: the program, run natively or under the emulator
    local what=$1 binary=$2
    shift 2
    "$@" "$binary" -h 2>"$work/help" && head -n 1 "$work/help" | grep -q '^Usage: .*quota_report \[-rwbnfh\]' ||
        fail "$what: -h does not print the help text"
    "$@" "$binary" "$sample" | cmp -s - <("$reference" "$sample") || fail "$what: the sample report differs"
    # grep reads to the end: strings must not be cut off by a closed pipe.
    strings "$binary" | grep -x "quota_report $version" >/dev/null || fail "$what: no version $version in the binary"
}

# The packaged program is linked statically, which hardening-check cannot
# judge: it sees a static-pie program as a shared library and looks for the
# stack protector and the fortified functions among dynamic symbols, which a
# static program has none of.  So those two are checked on the dynamic build
# of the same objects, and on the static program itself the rest: no program
# interpreter and no shared library; where it is position independent, its
# read-only relocations and immediate binding; and the fortified functions
# linked in (the unstripped build; only a fortified call draws __fprintf_chk
# into a static program).
static_and_hardened() { # what binary unstripped-binary nm
    ! readelf -lW "$2" | grep -q INTERP || fail "$1: the program needs a program interpreter"
    ! readelf -d "$2" | grep -q NEEDED || fail "$1: the program needs shared libraries"
    "$4" "$3" | grep ' T __fprintf_chk$' >/dev/null || fail "$1: no fortified functions"
    if readelf -h "$2" | grep -q 'Type: *DYN'; then
        readelf -d "$2" | grep -q 'FLAGS_1.*PIE' || fail "$1: not a position-independent executable"
        readelf -lW "$2" | grep -q GNU_RELRO || fail "$1: no read-only relocations"
        readelf -d "$2" | grep -q 'FLAGS.*BIND_NOW' || fail "$1: no immediate binding"
        echo "static-pie with read-only relocations and immediate binding"
    else
        echo "static"
    fi
}
hardening-check "$first/build/release/quota_report" >"$work/hardening" || true
for feature in 'Position Independent Executable' 'Stack protected' \
    'Fortify Source functions' 'Read-only relocations' 'Immediate binding'; do
    grep -q "^ $feature: yes" "$work/hardening" || fail "the dynamic build: $feature is not yes"
done
echo "-- hardening-check on the dynamic amd64 build of the same objects"
sed 's/^/   /' "$work/hardening"

# The SPDX document lists the release file with its checksum and the C
# library its program embeds.
in_spdx() { # file glibc-version
    local id
    id=SPDXRef-$(echo "${1##*/}" | tr -c 'A-Za-z0-9.\n-' '-')
    grep -A 7 "^PackageFileName: ${1##*/}$" "$spdx" | grep -qx "PackageChecksum: SHA256: $(sha256sum "$1" | cut -d' ' -f1)" &&
        grep -qx "Relationship: $id CONTAINS SPDXRef-glibc-$(echo "$2" | tr -c 'A-Za-z0-9.\n-' '-')" "$spdx" ||
        fail "the SPDX document does not list ${1##*/} with its checksum and glibc $2"
}

check_deb() { # deb arch unstripped-binary nm [emulator]
    local deb=$1 arch=$2 unstripped=$3 nm=$4 unpacked=$work/deb-$2 glibc
    shift 4
    glibc=$(c_library_of "$arch")
    dpkg-deb -f "$deb" Architecture | grep -qx "$arch" || fail "the $arch .deb is not for $arch"
    [ -z "$(dpkg-deb -f "$deb" Depends)" ] || fail "the $arch .deb depends on other packages"
    [ "$(dpkg-deb -f "$deb" Built-Using)" = "glibc (= $glibc)" ] ||
        fail "the $arch .deb's Built-Using is not glibc (= $glibc): $(dpkg-deb -f "$deb" Built-Using)"
    [ -n "$(dpkg-deb -f "$deb" Homepage)" ] || fail "the $arch .deb has no Homepage"
    in_spdx "$deb" "$glibc"
    # Lintian's own notices (such as running as root) go to standard error.
    # Its verdict leaves overridden tags out; the second run shows them.
    lintian --fail-on error,warning "$deb" 2> >(grep -v "running with root" >&2) \
        >"$work/lintian" || { cat "$work/lintian"; fail "lintian on the $arch .deb"; }
    [ ! -s "$work/lintian" ] || { cat "$work/lintian"; fail "lintian finds more than the static program"; }
    lintian --show-overrides "$deb" 2>/dev/null | grep -v '^N: ' >"$work/lintian" || true
    ! grep -vE '^O: quota-report: (shared-library-lacks-prerequisites|statically-linked-binary) ' \
        "$work/lintian" || fail "lintian overrides more than the static program"
    dpkg-deb -x "$deb" "$unpacked"
    for f in usr/bin/quota_report usr/share/man/man1/quota_report.1.gz \
        usr/share/doc/quota-report/copyright usr/share/doc/quota-report/changelog.gz \
        usr/share/doc/quota-report/examples/listing.txt usr/share/lintian/overrides/quota-report; do
        [ -f "$unpacked/$f" ] || fail "the $arch .deb lacks $f"
    done
    local copyright=$unpacked/usr/share/doc/quota-report/copyright pattern
    for pattern in '^License: ISC$' '^Files: glibc/\*$' '^License: LGPL-2.1+$' \
        '^Files: gcc-[0-9]*/libgcc/\*$' '^License: GPL-3+ with GCC-exception-3.1 exception$' \
        "source package glibc $glibc\.\$" '/usr/share/common-licenses/LGPL-2.1\.' \
        '/usr/share/common-licenses/GPL-3\.' 'GCC RUNTIME LIBRARY EXCEPTION' 'written offer of section 6(c)'; do
        grep -q "$pattern" "$copyright" || fail "the $arch .deb's copyright file lacks $pattern"
    done
    local program=$unpacked/usr/bin/quota_report link
    runs_the_sample ".deb $arch" "$program" "$@"
    link=$(static_and_hardened ".deb $arch" "$program" "$unstripped" "$nm")
    echo "   .deb $arch: $(stat -c %s "$deb") bytes, Built-Using: glibc (= $glibc), no Depends, lintian clean but" \
        "$(cut -d' ' -f3 "$work/lintian" | tr '\n' ' ')(overridden); the program: $link," \
        "fortified; -h and the sample's report${1:+ under $1}"
}

check_rpm() { # rpm rpm-arch deb-arch objcopy [emulator]
    local rpm=$1 arch=$2 deb_files=$work/deb-$3 objcopy=$4 unpacked=$work/rpm-$2 file glibc
    glibc=$(c_library_of "$3")
    shift 4
    [ "$(rpm -qp --qf '%{LICENSE}' "$rpm")" = \
        "ISC AND LGPL-2.1-or-later AND GPL-3.0-or-later WITH GCC-exception-3.1" ] ||
        fail "the $arch .rpm's License is $(rpm -qp --qf '%{LICENSE}' "$rpm")"
    rpm -qp --provides "$rpm" | grep -qx "bundled(glibc) = $glibc" &&
        rpm -qp --provides "$rpm" | grep -q '^bundled(libgcc) = ' ||
        fail "the $arch .rpm does not provide bundled(glibc) = $glibc and bundled(libgcc)"
    [ -z "$(rpm -qp --qf '[%{PREFIXES}]' "$rpm")" ] || fail "the $arch .rpm is relocatable"
    [ -n "$(rpm -qp --qf '%{URL}' "$rpm" | grep -v '^(none)$')" ] || fail "the $arch .rpm has no URL"
    in_spdx "$rpm" "$glibc"
    rpm -qp --qf '%{ARCH}\n' "$rpm" | grep -qx "$arch" || fail "the $arch .rpm is not for $arch"
    rpm -qp --qf '%{PAYLOADCOMPRESSOR}\n' "$rpm" | grep -qxE 'xz|gzip' || fail "the $arch .rpm is not xz or gzip"
    rpm -qp --requires "$rpm" >"$work/requires"
    ! grep -Ei 'libc|glibc|ld-linux|rtld' "$work/requires" || fail "the $arch .rpm requires a C library"
    grep -q '^rpmlib(' "$work/requires" && ! grep -qv '^rpmlib(' "$work/requires" ||
        fail "the $arch .rpm requires more than rpmlib features"
    for file in LICENSE NOTICE glibc.copyright LGPL-2.1 GPL-3 GCC-exception-3.1; do
        rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$rpm" |
            grep -q "^l /usr/share/licenses/quota_report/$file$" ||
            fail "the $arch .rpm does not carry $file as %license"
    done
    rpmlint -r "$source_tree/packaging/rpmlintrc" "$rpm" >"$work/rpmlint" 2>&1 || true
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
    grep -q "source package\$" "$unpacked/usr/share/licenses/quota_report/NOTICE" &&
        grep -q "^  glibc $glibc,\$" "$unpacked/usr/share/licenses/quota_report/NOTICE" ||
        fail "the $arch .rpm's NOTICE does not name glibc $glibc"
    runs_the_sample ".rpm $arch" "$unpacked/usr/bin/quota_report" "$@"
    echo "   .rpm $arch: $(stat -c %s "$rpm") bytes, not relocatable, License and Provides naming glibc $glibc," \
        "six %license files, requires only rpmlib features, rpmlint: no" \
        "error but the missing signature, warnings $(grep -oE ': W: [^ ]+' "$work/rpmlint" |
            cut -d' ' -f3 | sort -u | paste -sd, | sed 's/,/, /g'); the .deb's program," \
        "manual page, README and sample; -h and the sample's report${1:+ under $1}"
}

check_tarball() { # tarball processor debian-arch unstripped-binary nm [emulator]
    local tgz=$1 processor=$2 unstripped=$4 nm=$5 top glibc
    glibc=$(c_library_of "$3")
    shift 5
    in_spdx "$tgz" "$glibc"
    mkdir "$work/tgz-$processor"
    tar -xzf "$tgz" -C "$work/tgz-$processor"
    top=$(echo "$work/tgz-$processor"/*)
    [ "$(basename "$top")" = "quota_report-$version-linux-$processor" ] || fail "$tgz: its top folder is $top"
    for f in bin/quota_report share/man/man1/quota_report.1.gz share/doc/quota_report/README.md \
        share/doc/quota_report/LICENSE share/doc/quota_report/examples/listing.txt \
        share/doc/quota_report/NOTICE share/doc/quota_report/glibc.copyright \
        share/doc/quota_report/LGPL-2.1 share/doc/quota_report/GPL-3 \
        share/doc/quota_report/GCC-exception-3.1; do
        [ -f "$top/$f" ] || fail "$tgz lacks $f"
    done
    grep -q "^  glibc $glibc,\$" "$top/share/doc/quota_report/NOTICE" &&
        grep -q "written offer of section 6(c)" "$top/share/doc/quota_report/NOTICE" ||
        fail "$tgz: its NOTICE does not name glibc $glibc and the written offer"
    runs_the_sample "the $processor tarball" "$top/bin/quota_report" "$@"
    local link
    link=$(static_and_hardened "the $processor tarball" "$top/bin/quota_report" "$unstripped" "$nm")
    echo "   $(basename "$tgz"): $(stat -c %s "$tgz") bytes; notices of glibc $glibc and libgcc;" \
        "$(file -b "$top/bin/quota_report" | cut -d, -f1-2); $link"
}

for entry in "${architectures[@]}"; do
    read -r arch processor rpm_arch emulator triplet build <<<"$entry"
    echo "-- $arch"
    run=()
    [ "$emulator" = - ] || run=("$emulator")
    unstripped=$first/build/$build/portable/quota_report
    check_deb "$packages/quota-report_${version}_$arch.deb" "$arch" "$unstripped" "$triplet-nm" "${run[@]}"
    [ "$rpm_arch" = - ] || check_rpm "$packages/quota_report-$version-1.$rpm_arch.rpm" "$rpm_arch" "$arch" \
        "$triplet-objcopy" "${run[@]}"
    check_tarball "$packages/quota_report-$version-linux-$processor.tar.gz" "$processor" "$arch" "$unstripped" \
        "$triplet-nm" "${run[@]}"
done

echo "-- the portable x86-64 program in an empty root"
root=$work/root
mkdir "$root"
cp "$work/tgz-x86_64/quota_report-$version-linux-x86_64/bin/quota_report" "$sample" "$root/"
chroot "$root" /quota_report /listing.txt | cmp -s - <("$reference" "$sample") ||
    fail "x86-64: the report in an empty root differs"
echo "   in a root holding only itself and the listing, the reference's report"

echo "-- the portable aarch64 program on larger listings"
aarch64=$work/tgz-aarch64/quota_report-$version-linux-aarch64/bin/quota_report
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
echo "   under qemu: the reference's output, errors and status for the usage line and for" \
    "the sample and an 8 MB listing under the default switches, -rbf, -wn and -rwbnf"

echo "-- the amd64 and aarch64 .rpm installed into empty roots"
install_rpm() { # rpm-arch [emulator]
    local rpm=$packages/quota_report-$version-1.$1.rpm rpm_root=$work/rpm-root-$1
    shift
    mkdir "$rpm_root"
    # Debian's rpm warns on standard error that it is not its package manager.
    rpm --root "$rpm_root" --initdb 2>"$work/rpm.log" &&
        rpm --root "$rpm_root" --nodeps --ignorearch -i "$rpm" 2>>"$work/rpm.log" ||
        { cat "$work/rpm.log"; fail "$rpm does not install"; }
    local installed=$rpm_root/usr/bin/quota_report listing=/usr/share/doc/quota_report/examples/listing.txt
    if [ $# -eq 0 ]; then
        chroot "$rpm_root" /usr/bin/quota_report "$listing"
    else
        "$@" "$installed" "$rpm_root$listing"
    fi | cmp -s - <("$reference" "$sample") || fail "$rpm: the installed program's report differs"
    rpm --root "$rpm_root" -V quota_report >"$work/verify" 2>&1 || { cat "$work/verify"; fail "$rpm: rpm -V"; }
    [ ! -s "$work/verify" ] || { cat "$work/verify"; fail "$rpm: rpm -V finds changes"; }
    rpm --root "$rpm_root" -e quota_report 2>"$work/rpm.log" || { cat "$work/rpm.log"; fail "$rpm does not remove"; }
    [ ! -e "$installed" ] && ! rpm --root "$rpm_root" -q quota_report >/dev/null ||
        fail "$rpm: the program is left after removal"
    echo "   $(basename "$rpm"): installed with rpm --root --nodeps -i, the installed sample's report" \
        "${1:+under $1 }in the root, rpm -V clean, removed with rpm -e"
}
install_rpm x86_64
install_rpm aarch64 qemu-aarch64-static

echo "-- cmake --install"
cmake --install "$first/build/release" --prefix "$work/prefix" >/dev/null
for f in bin/quota_report share/man/man1/quota_report.1.gz share/doc/quota_report/README.md \
    share/doc/quota_report/NEWS.md share/doc/quota_report/examples/listing.txt; do
    [ -f "$work/prefix/$f" ] || fail "not installed: $f"
done
[ "$(find "$work/prefix" -type f | wc -l)" = 5 ] ||
    fail "cmake --install installs more than these five files, each once: $(find "$work/prefix" -type f)"
readelf -d "$work/prefix/bin/quota_report" | grep -q 'NEEDED.*libc' || fail "cmake --install installs no dynamic program"
echo "   installs the dynamic program, the manual page, README, NEWS and the sample, each once"

echo "-- README followed as root on Debian 11, 12 and 13, and the source release built on 11 and 12"
"$source_tree/packaging/install_on_debian.sh" --build bullseye --build bookworm "$packages" "$reference" \
    bullseye bookworm trixie

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
    "and passes $(grep -cE 'Test +#' "$work/source.tests") tests"
