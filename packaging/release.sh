#!/usr/bin/env bash
# The release: every file a release of quota_report publishes, made from the
# last commit and checked, in build/release/ of this clone.
#
#     packaging/release.sh [--rehearsal]
#
# Run as root, on Debian 12, in a clean clone (.ci/run installs the tools).
# A release names its maintainer and homepage (QUOTA_REPORT_MAINTAINER,
# QUOTA_REPORT_HOMEPAGE) and its signing key (QUOTA_REPORT_SIGNING_KEY) and
# refuses to go without them; a rehearsal names placeholders that reach no
# one and signs with a throwaway key.  In this order:
#
# 1. The C libraries: Debian 12's own libc6-dev of each architecture, at the
#    build machine's version, fetched with its source into a private apt
#    state.  For each architecture of packaging/architectures, a plain CMake
#    build against it (the release build, with the static program), its
#    tests (under qemu where foreign), and cmake --install into a staging
#    folder; the C library the program embeds read from its banner and held
#    against the package its link opened, libgcc's from its package.
# 2. From each stage: the .deb by dpkg-deb, the .rpm by rpmbuild -bb from the
#    one RPM recipe, the tarball by GNU tar; then the source release by git
#    archive, the sources of the C libraries embedded by apt-get source, the
#    SPDX document by reuse spdx and the lines of the release files, the
#    build record from the packages of the files the build used, SHA256SUMS
#    by sha256sum, and the signatures of SHA256SUMS and the source release.
# 3. The checks: each file's fields, contents, owners and notices, judged by
#    the distributions' own tools (lintian, rpmlint, hardening-check); the
#    signatures by gpgv; each program run on the sample, natively or under
#    qemu; the amd64 and arm64 .rpm installed into empty roots; the source
#    release built as distributions build it (rpmbuild -ta; dpkg-buildpackage
#    in a fresh Debian 12, judged by blhc and lintian); README's commands
#    followed as root in fresh Debian 11, 12 and 13 roots, and piuparts on
#    the amd64 .deb; and the same files made again, untested, by an
#    unprivileged user in a clone elsewhere, compared byte for byte.
set -euo pipefail
umask 022
export LC_ALL=C

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $* [$((SECONDS / 60))m$((SECONDS % 60))s]"; }
# Fails on a listing of entries (ls -l's columns) any of which has other owners.
owned_by() { awk -v owners="$1" '$2 != owners { print; bad = 1 } END { exit bad }'; }

mode=release
case ${1:-} in
--rehearsal | --files-only) mode=${1#--} ;;
"") ;;
*) fail "usage: packaging/release.sh [--rehearsal]" ;;
esac
cd "$(dirname "$0")/.."
source_tree=$PWD
files=$source_tree/build/release
work=$source_tree/build/release-work
[ "$mode" = files-only ] || [ "$(id -u)" = 0 ] || fail "the release step runs as root"
commit=$(git rev-parse --short HEAD) || fail "git cannot read $source_tree"
[ -z "$(git status --porcelain)" ] || fail "the clone has changes that are not committed"
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)

placeholder_maintainer="quota_report developers <maintainers@quota-report.invalid>"
placeholder_homepage=https://quota-report.invalid/
export maintainer=${QUOTA_REPORT_MAINTAINER:-$placeholder_maintainer}
export homepage=${QUOTA_REPORT_HOMEPAGE:-$placeholder_homepage}
if [ "$mode" = release ] &&
    { [ "$maintainer" = "$placeholder_maintainer" ] || [ "$homepage" = "$placeholder_homepage" ]; }; then
    fail "a release names its maintainer and homepage: QUOTA_REPORT_MAINTAINER, QUOTA_REPORT_HOMEPAGE"
fi
# The key that signs, a secret key of the caller's GnuPG (QUOTA_REPORT_SIGNING_KEY,
# its fingerprint); a rehearsal makes a throwaway key of its own.
signing_key=${QUOTA_REPORT_SIGNING_KEY:-}
if [ "$mode" = release ] && { [ -z "$signing_key" ] || ! gpg --batch --list-secret-keys "$signing_key" >/dev/null 2>&1; }; then
    fail "a release is signed: QUOTA_REPORT_SIGNING_KEY names no secret key of GnuPG's: '$signing_key'"
fi

rm -rf --one-file-system "$files" "$work"
mkdir -p "$files" "$work/unpacked"
mapfile -t architectures < <(grep -v '^#' packaging/architectures)

# A template filled in with the exported variables that its @NAME@ names.
fill() { # template
    perl -pe 's/\@(\w+)\@/exists $ENV{$1} ? $ENV{$1} : die "$ARGV: \@$1\@ is not set\n"/ge' "$1"
}
# A text as the lines of a field of a Debian control or copyright file.
as_field() {
    sed 's/^[ \t]*$/./; s/^/ /'
}

# NEWS.md's releases as the Debian or the RPM changelog.  Debian wants each
# entry later than the one below it: releases of one day are told apart by
# the second of the day, the oldest at 00:00:00.
changelog() { # debian|rpm
    awk -v format="$1" -v maintainer="$maintainer" '
        function date(when, form,   command, out) {
            command = "date -u -d \"" when "\" \"+" form "\""
            command | getline out
            close(command)
            return out
        }
        FNR == 1 { pass++ }
        pass == 1 && /^## / { day[++n] = substr($3, 2, 10); next }
        pass == 1 { next }
        /^## / {
            d = substr($3, 2, 10); m++; older = 0
            for (i = m + 1; i <= n; i++) older += day[i] == d
            if (format == "debian") {
                if (m > 1) print "\n -- " maintainer "  " stamp "\n"
                print "quota-report (" $2 ") unstable; urgency=medium\n"
                stamp = date(d " 00:00:" sprintf("%02d", older), "%a, %d %b %Y %T +0000")
            } else {
                if (m > 1) print ""
                print "* " date(d, "%a %b %d %Y") " " maintainer " - " $2 "-1"
            }
            next
        }
        m == 0 || /^$/ { next }
        /^- / { print (format == "debian" ? "  * " : "- ") substr($0, 3); next }
        /^  / { print (format == "debian" ? "    " : "  ") substr($0, 3); next }
        { print "NEWS.md: a release holds only items: " $0 > "/dev/stderr"; exit 1 }
        END { if (format == "debian") print "\n -- " maintainer "  " stamp }
    ' NEWS.md NEWS.md
}

# The package that owns a file, as dpkg knows it (perhaps by its path before
# /usr was merged); a compiler names a program it runs from PATH by its name.
package_of() { # file
    local path owner
    [ "${1#/}" != "$1" ] && path=$(realpath "$1") || path=$(realpath "$(command -v "$1")")
    owner=$(dpkg-query -S "$path" 2>/dev/null || dpkg-query -S "${path#/usr}") || fail "no package owns $path"
    echo "${owner%%: *}"
}

# The Debian source package (name and version) of a file the compiler links:
# a cross toolchain's package names the source it was built from in its
# Built-Using field, which wins.
source_of() { # file source-pattern
    local owner fields
    owner=$(package_of "$1")
    fields=$(dpkg-query -W -f '${source:Package} ${source:Version} ${Built-Using}' "$owner")
    if [[ $fields =~ (^|, |\ )($2)\ \(=\ ([^\)]+)\) ]]; then
        echo "${BASH_REMATCH[2]} ${BASH_REMATCH[3]} $owner"
    elif [[ ${fields%% *} =~ ^($2)$ ]]; then
        echo "${fields%% *} $(echo "$fields" | cut -d' ' -f2) $owner"
    else
        fail "$1 comes from $owner, whose source is not $2: $fields"
    fi
}

# The version of the C library a static program embeds, from its banner.
banner_of() { # program
    strings -a "$1" | sed -n 's/^GNU C Library (Debian GLIBC \([^)]*\)) .*/\1/p' | sort -u
}

# ---------------------------------------------------------------------------
# The C libraries: each static program links Debian 12's own libc6-dev for
# its architecture at the version of the build machine's (which amd64's
# links as it is), or where the table says so its cross toolchain's.  They
# and their sources come in a private apt state (its own lists, cache and
# empty package database) from the first of this machine's Debian suites
# of its release that carries that version; an index that fails to come (a
# mirror in the middle of a sync) is fetched again, and one that keeps
# failing fails the release.
step "the C libraries"
glibc_current=$(dpkg-query -W -f '${Version}' libc6-dev:amd64)
apt=$work/apt
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$work/libc"
: >"$apt/status"
apt_options=(-o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Dir::State::status=$apt/status"
    -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts" -o Debug::NoLocking=1
    -o APT::Sandbox::User="$(id -un)" -o "APT::Architectures=$(awk '!/^#/ && $6 == "debian" { print $1 }' \
        packaging/architectures | paste -sd,)")
# This machine's Debian suites, one line each: [options] URI suite components.
mapfile -t suites < <({
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '$1 == "deb" { $1 = ""; print }' || true
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v RS= -F '\n' '{
        for (i = 1; i <= NF; i++) if ($i !~ /^#/) { k = $i; sub(/:.*/, "", k); v[k] = $i; sub(/^[^:]*: */, "", v[k]) }
        if (v["Types"] ~ /(^| )deb( |$)/) {
            n = split(v["URIs"], uris, " "); m = split(v["Suites"], names, " ")
            for (u = 1; u <= n; u++) for (s = 1; s <= m; s++)
                print (v["Signed-By"] ? "[signed-by=" v["Signed-By"] "] " : "") uris[u] " " names[s] " " v["Components"]
        }
        delete v }'
} | awk -v release="$(. /etc/os-release && echo "$VERSION_CODENAME")" '{ for (i = 1; i <= NF; i++)
    if ($i ~ /^[a-z]+:\/\//) { if ($(i + 1) ~ "^" release "(-|$)") print; next } }')
for suite in "${suites[@]}" ""; do
    [ -n "$suite" ] || fail "no Debian suite of this machine's carries libc6-dev $glibc_current"
    printf 'deb %s\ndeb-src %s\n' "$suite" "$suite" >"$apt/sources.list"
    for try in 1 2 3 4 5; do
        apt-get "${apt_options[@]}" --error-on=any -qq update >"$work/apt.log" 2>&1 && break
        [ "$try" != 5 ] || { cat "$work/apt.log"; fail "apt-get update of $suite failed"; }
        sleep 30
    done
    apt-cache "${apt_options[@]}" madison libc6-dev | grep " $glibc_current " >/dev/null && break
done
echo "   libc6-dev $glibc_current, as the build machine has it, from $suite"

# ---------------------------------------------------------------------------
# 1. Each architecture built, tested and installed into its stage, with what
# its program embeds and the notices that come with that.
export copyright_holders licence_text version processor glibc_version glibc_package gcc_source
export gcc_version changelog written_offer glibc_notices gcc_exception toolchain_note
copyright_holders=$(sed -n '1s/^Copyright (c) //p' LICENSE)
licence_text=$(tail -n +3 LICENSE | as_field)
# The compiler's own list of header folders, with those of Debian 12's C
# library before the toolchain's, which keeps the kernel's; without it,
# libstdc++'s include_next would find the toolchain's.
headers() { # compiler language libc6-dev
    "$1" -x "$2" -E -v /dev/null 2>&1 >/dev/null | sed -n '/^#include <...> search starts here:$/,/^End/{//!p}' |
        while read -r folder; do
            [ "$(realpath "$folder")" != "/usr/$triplet/include" ] ||
                printf -- '-isystem %s ' "$3/usr/include/$multiarch" "$3/usr/include"
            printf -- '-isystem %s ' "$folder"
            [ "$(realpath "$folder")" != "/usr/$triplet/include" ] || break
        done
}

for entry in "${architectures[@]}"; do
    read -r arch processor _ triplet emulator origin _ <<<"$entry"
    step "$arch: built, tested and installed"
    build=$work/build/$arch
    compilers=(-D CMAKE_CXX_COMPILER=g++ -D CMAKE_C_COMPILER=gcc)
    [ "$emulator" = - ] || compilers=(--toolchain packaging/cross.cmake -D "QUOTA_REPORT_ARCH=$arch")
    libc=
    if [ "$origin" = debian ] && [ "$arch" != amd64 ]; then
        libc=$work/libc/$arch
        (cd "$work/libc" && apt-get "${apt_options[@]}" -qq download "libc6-dev:$arch=$glibc_current") ||
            fail "libc6-dev:$arch $glibc_current cannot be fetched"
        dpkg-deb -x "$work/libc/libc6-dev_${glibc_current}_$arch.deb" "$libc"
        # Its folders are named after Debian's triplet, not the compiler's (i386-linux-gnu, not i686).
        multiarch=$(find "$libc/usr/lib" -name libc.a -printf '%h\n')
        multiarch=${multiarch##*/}
        compilers+=(-D "CMAKE_CXX_FLAGS=-nostdinc $(headers "$triplet-g++" c++ "$libc")"
            -D "CMAKE_C_FLAGS=-nostdinc $(headers "$triplet-gcc" c "$libc")" -D "QUOTA_REPORT_LIBC=$libc/usr/lib/$multiarch")
    fi
    {
        cmake -S . -B "$build" "${compilers[@]}" -D CMAKE_BUILD_TYPE=Release \
            -D CMAKE_COMPILE_WARNING_AS_ERROR=ON -D QUOTA_REPORT_PORTABLE=ON -D CMAKE_INSTALL_PREFIX=/usr &&
            cmake --build "$build" &&
            if [ "$mode" != files-only ]; then (cd "$build" && ctest -j 2 --output-on-failure); fi &&
            for component in portable manual doc; do
                DESTDIR=$work/stage/$arch cmake --install "$build" --component $component
            done &&
            # The .deb's documentation folder is named after the Debian
            # package, and its manual page says so.
            cmake "$build" -D CMAKE_INSTALL_DOCDIR=share/doc/quota-report &&
            for component in manual doc; do
                DESTDIR=$work/deb/$arch cmake --install "$build" --component $component
            done &&
            cmake "$build" -U CMAKE_INSTALL_DOCDIR
    } >"$work/$arch.log" 2>&1 || { tail -n 40 "$work/$arch.log"; fail "the $arch build failed"; }
    ! grep -q '(Skipped)' "$work/$arch.log" || fail "cases were skipped on $arch"
    grep -E '(tests passed|linked with)' "$work/$arch.log" | sed 's/^ *-* */   /' | uniq || true
    program=$work/stage/$arch/usr/bin/quota_report
    "$triplet-strip" --remove-section=.comment --remove-section=.note "$program"
    cp -a "$work/stage/$arch/usr/bin" "$work/deb/$arch/usr/"
    find "$work/stage/$arch" "$work/deb/$arch" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

    # What the program embeds: the C library its link opened (its start files
    # and archives traced by the linker), and libgcc.
    if [ -z "$libc" ]; then
        libc_a=$(realpath "$("$triplet-g++" -print-file-name=libc.a)")
        read -r _ linked glibc_package < <(source_of "$libc_a" glibc)
        copyright=/usr/share/doc/${glibc_package%:*}/copyright
    else
        libc_a=$libc/usr/lib/$multiarch/libc.a
        linked=$(dpkg-deb -f "$work/libc/libc6-dev_${glibc_current}_$arch.deb" Version)
        glibc_package=libc6-dev:$arch copyright=$libc/usr/share/doc/libc6-dev/copyright
    fi
    (cd "$build/cli" && eval "$(cat CMakeFiles/quota_report_portable.dir/link.txt) -Wl,-t") >"$work/link.$arch"
    # Its start files and archives come from that C library; crti.o and crtn.o
    # may be GCC's own (riscv64).
    opened=$(grep -E '(^|/)(r?crt1|crti|crtn)\.o$|/lib[cm]\.a$' "$work/link.$arch" | xargs -r realpath | sort -u)
    gcc_folder=$(dirname "$(realpath "$("$triplet-g++" -print-libgcc-file-name)")")
    [ "$(grep '/libc\.a$' <<<"$opened")" = "$libc_a" ] &&
        ! xargs -r dirname <<<"$opened" | grep -vx -e "${libc_a%/*}" -e "$gcc_folder" >/dev/null ||
        fail "$arch: the static program links C library files from elsewhere than ${libc_a%/*}: $opened"
    read -r gcc_source gcc_version gcc_package < <(source_of "$("$triplet-g++" -print-libgcc-file-name)" 'gcc-[0-9]+')
    glibc_version=$(banner_of "$program")
    [ -n "$glibc_version" ] && [ "$glibc_version" = "$linked" ] ||
        fail "$arch: the program's banner names glibc '$glibc_version', its C library's $glibc_package $linked"
    echo "$glibc_version $gcc_source $gcc_version $glibc_package" >"$work/embedded.$arch"
    echo "   the program embeds glibc $glibc_version (its banner; $glibc_package, whose start files and archives" \
        "its link opened) and libgcc of $gcc_source $gcc_version ($gcc_package)"
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    notices=$work/notices/$arch
    mkdir -p "$notices"
    cp LICENSE /usr/share/common-licenses/LGPL-2.1 /usr/share/common-licenses/GPL-3 "$notices/"
    cp "$copyright" "$notices/glibc.copyright"
    sed -n '/^ *GCC RUNTIME LIBRARY EXCEPTION/,/requirements of the license of GCC\.$/p' \
        "/usr/share/doc/${gcc_package%:*}/copyright" >"$notices/GCC-exception-3.1"
    [ -s "$notices/GCC-exception-3.1" ] || fail "no GCC Runtime Library Exception in $gcc_package's copyright"
    toolchain_note=
    [ "$origin" != toolchain ] || toolchain_note=$(printf '\n\n%s\n%s\n%s' \
        "Debian 12 has no C library for $arch, and Debian 13's makes the linker of" \
        "Debian 12's cross toolchain crash, so this program embeds that toolchain's" \
        "own, glibc $glibc_version, which lacks the fixes of later versions.")
    fill packaging/NOTICE.in >"$notices/NOTICE"
done

# ---------------------------------------------------------------------------
# 2. The release files: from each stage its .deb, .rpm and tarball, then the
# source release, the C libraries' sources, the SPDX document and SHA256SUMS.
step "the packages and tarballs of every architecture"
changelog=$(changelog rpm)
# rpmbuild -ta takes the recipe by its file name at the top of the source release.
recipe_name=quota_report.spec
recipe=$work/$recipe_name
fill packaging/rpm_recipe.in >"$recipe"
summary=$(rpmspec -q --qf '%{SUMMARY}' "$recipe")
static_licence=$(rpmspec -q --with portable --define 'glibc_version 0' --define 'libgcc_version 0' \
    --qf '%{LICENSE}' "$recipe")
for entry in "${architectures[@]}"; do
    read -r arch processor rpm_arch triplet _ <<<"$entry"
    read -r glibc_version gcc_source gcc_version glibc_package <"$work/embedded.$arch"
    stage=$work/stage/$arch
    notices=$work/notices/$arch

    deb=$work/deb/$arch
    mkdir -p "$deb/DEBIAN"
    docs=$deb/usr/share/doc/quota-report
    written_offer=$(sed -n '/^For three years/,/^$/p' "$notices/NOTICE" | sed '/^$/d' | as_field)
    glibc_notices=$(as_field <"$notices/glibc.copyright")
    gcc_exception=$(as_field <"$notices/GCC-exception-3.1")
    fill packaging/copyright.in >"$docs/copyright"
    changelog debian | gzip -9n >"$docs/changelog.gz"
    # lintian takes a static-pie program for a shared library; one linked with
    # -static it calls what it is.
    if readelf -h "$stage/usr/bin/quota_report" | grep -q 'Type: *DYN'; then
        tag=shared-library-lacks-prerequisites
        why="Linked with -static-pie and without a program interpreter, it looks to lintian like a shared library that needs no other."
    else
        tag=statically-linked-binary why="Linked with -static, where the C library has no start files for -static-pie."
    fi
    mkdir -p "$deb/usr/share/lintian/overrides"
    printf '%s\n' "# The program is linked statically on purpose: the package then installs and" \
        "# runs on releases whose C library is older than the one it was built with." \
        "# $why" "quota-report: $tag [usr/bin/quota_report]" >"$deb/usr/share/lintian/overrides/quota-report"
    {
        echo "Package: quota-report"
        echo "Version: $version"
        echo "Architecture: $arch"
        echo "Maintainer: $maintainer"
        echo "Installed-Size: $(find "$deb/usr" -type f -printf '%s\n' | awk '{ k += int(($1 + 1023) / 1024) } END { print k }')"
        echo "Section: utils"
        echo "Priority: optional"
        echo "Homepage: $homepage"
        echo "Built-Using: glibc (= $glibc_version)"
        echo "Description: $summary"
        rpmspec -q --qf '%{DESCRIPTION}\n' "$recipe" | as_field
    } >"$deb/DEBIAN/control"
    (cd "$deb" && find usr -type f | sort | xargs md5sum >DEBIAN/md5sums)
    find "$deb" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    dpkg-deb --root-owner-group -Zxz --build "$deb" "$files/quota-report_${version}_$arch.deb" >/dev/null

    if [ "$rpm_arch" != - ]; then
        rpmbuild -bb --target "$rpm_arch" --with portable --define "_topdir $work/rpm" \
            --define "_rpmdir $work/rpm/out" --define "stage $stage" --define "notices $notices" \
            --define "glibc_version $glibc_version" --define "libgcc_version $gcc_version" \
            --define "packager $maintainer" "$recipe" >"$work/rpm.$arch.log" 2>&1 ||
            { tail -n 20 "$work/rpm.$arch.log"; fail "rpmbuild could not package the $arch program"; }
        mv "$work/rpm/out/$rpm_arch/quota_report-$version-1.$rpm_arch.rpm" "$files/"
    fi

    top=quota_report-$version-linux-$processor
    mkdir -p "$work/tarball/$arch"
    cp -a "$stage/usr" "$work/tarball/$arch/$top"
    cp "$notices"/* "$work/tarball/$arch/$top/share/doc/quota_report/"
    tar -C "$work/tarball/$arch" --sort=name --owner=0 --group=0 --numeric-owner \
        --mtime="@$SOURCE_DATE_EPOCH" -cf - "$top" | gzip -9n >"$files/$top.tar.gz"
    echo "   $arch: the .deb,${rpm_arch/#-/ no} .rpm and the tarball"
done

step "the source release, the C libraries' sources, the SPDX document and SHA256SUMS"
source_release=quota_report-$version.tar.gz
git archive --format=tar "--prefix=quota_report-$version/" --add-file="$recipe" HEAD |
    gzip -9n >"$files/$source_release"

# The source of each C library version embedded, beside the release files:
# by apt-get source, which checks each file against the archive's signed
# index; a version the index no longer has (a cross toolchain's) from the
# pool, by the names and checksums of its .dsc.  A file of it the archive
# does not serve is named on its version in the SPDX document, and the
# notices carry the written offer for it.
missing=()
for glibc in $(cut -d' ' -f1 "$work"/embedded.* | sort -u); do
    if (cd "$files" && apt-get "${apt_options[@]}" -qq source --download-only "glibc=$glibc") >"$work/apt.log" 2>&1; then
        echo "   glibc $glibc: apt-get source, each file checked against the archive's signed index"
        continue
    fi
    [ "$glibc" != "$glibc_current" ] || { cat "$work/apt.log"; fail "glibc $glibc: apt-get source failed"; }
    from_pool() { # file
        local mirror
        for mirror in $(printf '%s\n' "${suites[@]}" | grep -o '[a-z]*://[^ ]*' | sort -u); do
            /usr/lib/apt/apt-helper download-file "${mirror%/}/pool/main/g/glibc/$1" "$files/$1" >/dev/null 2>&1 &&
                return 0
        done
        return 1
    }
    from_pool "glibc_$glibc.dsc" || fail "glibc $glibc: not even its .dsc is served"
    while read -r sum _ file; do
        if from_pool "$file" && echo "$sum  $files/$file" | sha256sum -c --quiet - >/dev/null 2>&1; then
            echo "   glibc $glibc: $file from the pool, its checksum as the .dsc gives it"
        else
            rm -f "$files/$file"
            missing+=("$glibc $file")
            echo "   glibc $glibc: $file: not served by the archive; the written offer covers it"
        fi
    done < <(awk '/^Checksums-Sha256:/ { on = 1; next } on && /^ / { print $1, $2, $3; next } on { exit }' \
        "$files/glibc_$glibc.dsc")
done

# The SPDX document: the source files as reuse knows them; the source release
# and each release file with its checksum and the Debian source packages its
# program embeds; those packages, and the files of the C library's sources.
spdx_id() { echo "SPDXRef-$(echo "$1" | tr -c 'A-Za-z0-9.\n-' '-')"; }
sha() { sha256sum "$files/$1" | cut -d' ' -f1; }
# Where Debian keeps a source package of this name and version.
snapshot() { echo "https://snapshot.debian.org/package/$1/$(echo "$2" | sed 's/:/%3A/; s/+/%2B/g')/"; }
spdx_package() { # "Tag: value"...: a package with the fields that have a value
    local field
    echo
    for field in "$@"; do [ -z "${field#*: }" ] || echo "$field"; done
    printf '%s\n' "FilesAnalyzed: false" "PackageCopyrightText: NOASSERTION"
}
spdx_file() { # file name version purpose licence location [supplier]
    echo "Relationship: SPDXRef-DOCUMENT DESCRIBES $(spdx_id "$1")"
    spdx_package "PackageName: $2" "SPDXID: $(spdx_id "$1")" "PackageVersion: $3" "PackageFileName: $1" \
        "PackageSupplier: ${7:-}" "PackageDownloadLocation: $6" "PrimaryPackagePurpose: $4" \
        "PackageChecksum: SHA256: $(sha "$1")" "PackageLicenseConcluded: $5" "PackageLicenseDeclared: $5"
}
(cd "$files" && ls) >"$work/names"
{
    reuse spdx | sed -e "s|^DocumentName: .*|DocumentName: quota_report-$version|" \
        -e "s|^DocumentNamespace: .*|DocumentNamespace: ${homepage%/}/spdx/quota_report-$version-$commit|" \
        -e "s|^Created: .*|Created: $(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%dT%H:%M:%SZ)|" \
        -e 's|^SPDXVersion: .*|SPDXVersion: SPDX-2.3|' -e '/^Creator: \(Person\|Organization\): Anonymous/d'
    spdx_file "$source_release" quota_report "$version" SOURCE ISC "$homepage"
    for entry in "${architectures[@]}"; do
        read -r arch processor rpm_arch _ <<<"$entry"
        read -r glibc gcc_source gcc_version _ <"$work/embedded.$arch"
        for file in "quota-report_${version}_$arch.deb" "quota_report-$version-1.$rpm_arch.rpm" \
            "quota_report-$version-linux-$processor.tar.gz"; do
            [ -f "$files/$file" ] || continue
            purpose=INSTALL
            [ "${file%.tar.gz}" = "$file" ] || purpose=ARCHIVE
            spdx_file "$file" "${file%%[-_][0-9]*}" "$version" $purpose "$static_licence" "$homepage"
            echo "Relationship: $(spdx_id "$file") GENERATED_FROM $(spdx_id "$source_release")"
            echo "Relationship: $(spdx_id "$file") CONTAINS $(spdx_id "glibc-$glibc")"
            echo "Relationship: $(spdx_id "$file") CONTAINS $(spdx_id "$gcc_source-$gcc_version")"
        done
    done
    sort -u "$work"/embedded.* | while read -r glibc gcc_source gcc_version _; do
        echo "glibc $glibc LGPL-2.1-or-later"
        echo "$gcc_source $gcc_version GPL-3.0-or-later WITH GCC-exception-3.1"
    done | sort -u | while read -r source source_version licence; do
        spdx_package "PackageName: $source" "SPDXID: $(spdx_id "$source-$source_version")" \
            "PackageVersion: $source_version" "PackageSupplier: Organization: Debian" \
            "PackageDownloadLocation: $(snapshot "$source" "$source_version")" \
            "PackageLicenseConcluded: NOASSERTION" "PackageLicenseDeclared: $licence"
        echo "ExternalRef: PACKAGE-MANAGER purl pkg:deb/debian/$source@$(echo "$source_version" |
            sed 's/:/%3A/; s/+/%2B/g')?arch=source"
        while read -r file; do
            case $file in "${source}_$source_version.dsc" | "${source}_$source_version".debian.* | \
                "${source}_${source_version%-*}".orig.*)
                echo "Relationship: $(spdx_id "$file") GENERATES $(spdx_id "$source-$source_version")" ;;
            esac
        done <"$work/names"
        for entry in "${missing[@]}"; do
            [ "$source" != glibc ] || [ "${entry% *}" != "$source_version" ] ||
                echo "PackageComment: <text>${entry#* } is not in the release folder: the archive no longer serves it, and the notices of the programs that embed it carry the written offer for it.</text>"
        done
    done
    awk '/^glibc_/' "$work/names" | while read -r file; do
        spdx_file "$file" "$file" "" SOURCE NOASSERTION "$homepage" "Organization: Debian"
    done
} >"$files/quota_report-$version.spdx"
# The build record, in the manner of Debian's .buildinfo: the release files
# with their checksums, what each program embeds, and the exact version of
# the package of every tool and library that made them, found from the
# files the build used.
owner_of() { # file...: its package and version
    local file
    for file in "$@"; do dpkg-query -W -f '${binary:Package} (= ${Version})\n' "$(package_of "$file")"; done
}
{
    echo "Format: 1.0"
    echo "Source: quota_report"
    echo "Version: $version"
    echo "Architecture: $(for entry in "${architectures[@]}"; do echo "${entry%% *}"; done | paste -sd' ')"
    echo "Build-Origin: $(. /etc/os-release && echo "$NAME $VERSION_ID")"
    echo "Build-Architecture: $(dpkg --print-architecture)"
    echo "Built-Using:"
    for entry in "${architectures[@]}"; do
        read -r glibc gcc_source gcc_version _ <"$work/embedded.${entry%% *}"
        echo " ${entry%% *}: glibc (= $glibc), $gcc_source (= $gcc_version)"
    done
    echo "Checksums-Sha256:"
    (cd "$files" && for file in *; do echo " $(sha "$file") $(stat -c %s "$file") $file"; done)
    echo "Environment:"
    echo " SOURCE_DATE_EPOCH=\"$SOURCE_DATE_EPOCH\""
    echo "Installed-Build-Depends:"
    {
        owner_of "$(command -v cmake)" "$(command -v dpkg-deb)" "$(command -v rpmbuild)" "$(command -v tar)" \
            "$(command -v gzip)" "$(command -v git)" "$(command -v reuse)" "$(command -v perl)"
        for entry in "${architectures[@]}"; do
            read -r arch _ _ triplet _ <<<"$entry"
            owner_of "$(command -v "$triplet-g++")" "$(command -v "$triplet-gcc")" "$(command -v "$triplet-strip")" \
                "$("$triplet-g++" -print-prog-name=cc1plus)" "$("$triplet-g++" -print-prog-name=ld)" \
                "$("$triplet-g++" -print-libgcc-file-name)" "$("$triplet-g++" -print-file-name=libstdc++.a)" \
                "$(echo '#include <linux/version.h>' | "$triplet-gcc" -M -x c - | grep -o '/[^ ]*linux/version.h')"
            [ -f "$work/libc/libc6-dev_${glibc_current}_$arch.deb" ] ||
                owner_of "$("$triplet-g++" -print-file-name=libc.a)"
        done
        for deb in "$work"/libc/*.deb; do
            dpkg-deb --show --showformat '${Package}:${Architecture} (= ${Version})\n' "$deb"
        done
    } | sort -u | sed 's/^/ /; $!s/$/,/'
} >"$files/quota_report-$version.buildinfo"
(cd "$files" && sha256sum -- * >"$work/SHA256SUMS" && mv "$work/SHA256SUMS" SHA256SUMS)
echo "   $(wc -l <"$files/SHA256SUMS") files in $files"
[ "$mode" != files-only ] || exit 0

# SHA256SUMS, which lists every file, and the source release signed with
# detached, armored signatures, and the public key beside them.
if [ "$mode" = rehearsal ]; then
    export GNUPGHOME=$work/gnupg
    mkdir -m 700 "$GNUPGHOME"
    gpg --batch --quiet --passphrase '' --quick-generate-key "quota_report rehearsal <rehearsal@quota-report.invalid>" ed25519 sign 1d \
        2>/dev/null
    signing_key=$(gpg --batch --with-colons --list-secret-keys | awk -F: '$1 == "fpr" { print $10; exit }')
fi
signing_key=$(gpg --batch --with-colons --list-secret-keys "$signing_key" | awk -F: '$1 == "fpr" { print $10; exit }')
for file in SHA256SUMS "$source_release"; do
    gpg --batch --quiet --yes --local-user "$signing_key" --armor --detach-sign --output "$files/$file.asc" \
        "$files/$file" 2>"$work/gpg.log" || { cat "$work/gpg.log"; fail "gpg could not sign $file"; }
done
gpg --batch --armor --export "$signing_key" >"$files/quota_report-signing-key.asc"
echo "   SHA256SUMS.asc and $source_release.asc by the key $signing_key, in quota_report-signing-key.asc"

# ---------------------------------------------------------------------------
# 3. The checks.
# The programs are held against the dynamic amd64 program of the same
# objects, on the sample listing.
reference=$work/build/amd64/quota_report
sample=examples/listing.txt
"$reference" "$sample" >"$work/sample.report"
grep -q '^home' "$work/sample.report" || fail "the reference program's report of the sample is empty"
generated=$work/generated.txt
"$work/build/amd64/generate_listing" 8 >"$generated"

step "SHA256SUMS lists every release file of every architecture"
expected=("$source_release" "quota_report-$version.spdx" "quota_report-$version.buildinfo")
for entry in "${architectures[@]}"; do
    read -r arch processor rpm_arch _ <<<"$entry"
    expected+=("quota-report_${version}_$arch.deb" "quota_report-$version-linux-$processor.tar.gz")
    [ "$rpm_arch" = - ] || expected+=("quota_report-$version-1.$rpm_arch.rpm")
done
for glibc in $(cut -d' ' -f1 "$work"/embedded.* | sort -u); do
    expected+=("glibc_$glibc.dsc")
    for file in $(awk '/^Checksums-Sha256:/ { on = 1; next } on && /^ / { print $3; next } on { exit }' \
        "$files/glibc_$glibc.dsc"); do
        if [ -f "$files/$file" ]; then
            expected+=("$file")
        else
            grep -q "^PackageComment: <text>$file is not in the release folder" "$files/quota_report-$version.spdx" ||
                fail "$file is neither in the release folder nor named as missing"
        fi
    done
done
(cd "$files" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
diff <(printf '%s\n' "${expected[@]}" | sort -u) <(cut -c67- "$files/SHA256SUMS") ||
    fail "SHA256SUMS does not list the release files of every architecture"

step "the signatures, checked with gpgv as a site checks them"
gpg --dearmor <"$files/quota_report-signing-key.asc" >"$work/keyring.gpg"
for file in SHA256SUMS "$source_release"; do
    gpgv --keyring "$work/keyring.gpg" "$files/$file.asc" "$files/$file" 2>"$work/gpgv" ||
        { cat "$work/gpgv"; fail "$file.asc does not verify"; }
    cp "$files/$file" "$work/changed"
    perl -e 'open(F, "+<", $ARGV[0]) or die; seek(F, 100, 0); read(F, $b, 1); seek(F, 100, 0); print F chr(ord($b) ^ 1)' \
        "$work/changed"
    ! gpgv --keyring "$work/keyring.gpg" "$files/$file.asc" "$work/changed" 2>"$work/gpgv.changed" ||
        fail "$file.asc verifies a $file with a byte changed"
    echo "   $file: $(grep -o 'Good signature from .*' "$work/gpgv"); with byte 100 changed:" \
        "$(grep -o 'BAD signature from .*' "$work/gpgv.changed")"
done

# The SPDX document lists a release file with its checksum and what it embeds.
in_spdx() { # file glibc-version
    local spdx=$files/quota_report-$version.spdx
    grep -A 7 "^PackageFileName: $1$" "$spdx" | grep -qx "PackageChecksum: SHA256: $(sha "$1")" &&
        grep -qx "Relationship: $(spdx_id "$1") CONTAINS $(spdx_id "glibc-$2")" "$spdx" ||
        fail "the SPDX document does not list $1 with its checksum and glibc $2"
}

# What hardening-check cannot see in a static program, and why; every other
# verdict must be yes.  Its disassembly (stack clash, control flow) knows the
# build machine's processor only.
judge_hardening() { # what program
    { hardening-check "$2" 2>/dev/null || true; } | tail -n +2 | while read -r line; do
        case $line in
        *": yes"*) ;;
        # A static-pie program has no program interpreter and looks like a
        # shared library; readelf shows its PIE flag (below).
        "Position Independent Executable: no, regular shared library (ignored)") ;;
        # Linked with -static where the C library has no start files for -static-pie.
        "Position Independent Executable: no, normal executable!") ;;
        # Sought among dynamic symbols, which a static program has none of: nm
        # finds __stack_chk_fail and __fprintf_chk in the unstripped program.
        "Stack protected: no, not found!" | "Stack protected: unknown, no symbols found") ;;
        "Fortify Source functions: unknown, no protectable libc functions used") ;;
        # A program linked with -static has no dynamic section: nothing is bound.
        "Immediate binding: no, not found!") ;;
        # No function has a frame of a page or more, where the probes would
        # be; the flag is in the compile lines (below).
        "Stack clash protection: unknown, no -fstack-clash-protection instructions found") ;;
        # x86: Debian 12's start files (Scrt1.o, crti.o) lack the property, so
        # the linker leaves it out, though the program's own objects have it
        # (below); elsewhere there is no such check.
        "Control flow integrity: no, not found!") ;;
        *) fail "$1: hardening-check says: $line" ;;
        esac
    done
}

# The program of a release file: its help text and the sample's report, as
# the reference gives them, natively or under the emulator; its version and
# C library banner; linked statically and hardened.
check_program() { # what program unstripped triplet glibc [emulator]
    local what=$1 program=$2 unstripped=$3 triplet=$4 glibc=$5
    shift 5
    "$@" "$program" -h 2>"$work/help" && head -n 1 "$work/help" | grep -q '^Usage: .*quota_report \[-rwbnfh\]' ||
        fail "$what: -h does not print the help text"
    "$@" "$program" "$sample" | cmp -s - "$work/sample.report" || fail "$what: the sample's report differs"
    strings -a "$program" | grep -x "quota_report $version" >/dev/null || fail "$what: no version $version in it"
    [ "$(banner_of "$program")" = "$glibc" ] || fail "$what: its banner does not name glibc $glibc"
    readelf -dhlW "$program" >"$work/elf"
    ! grep -qE 'INTERP|\(NEEDED\)' "$work/elf" || fail "$what: it needs a program interpreter or shared libraries"
    "$triplet-nm" "$unstripped" >"$work/nm"
    grep -q ' T __stack_chk_fail$' "$work/nm" && grep -q ' T __fprintf_chk$' "$work/nm" ||
        fail "$what: no stack protector or fortified functions"
    if grep -q 'Type: *DYN' "$work/elf"; then
        grep -q 'FLAGS_1.*PIE' "$work/elf" && grep -q GNU_RELRO "$work/elf" && grep -q 'FLAGS.*BIND_NOW' "$work/elf" ||
            fail "$what: a static-pie program without read-only relocations and immediate binding"
    fi
    judge_hardening "$what" "$program"
}

# A release file's copies of the stage's files, byte for byte: the program,
# README, NEWS and the sample; and its manual page, which names the sample
# where this package keeps it.
same_as_stage() { # what stage unpacked-prefix documentation-folder
    local file
    cmp -s "$2/usr/bin/quota_report" "$3/bin/quota_report" || fail "$1: its program is not the one built and tested"
    for file in README.md NEWS.md examples/listing.txt; do
        cmp -s "$2/usr/share/doc/quota_report/$file" "$3/$4/$file" || fail "$1: its $file is not the stage's"
    done
    [ "$(zcat "$3/share/man/man1/quota_report.1.gz" | grep -m 1 -o '/usr/share/doc/[^/]*/examples/listing.txt')" = \
        "/usr/$4/examples/listing.txt" ] || fail "$1: its manual page names another sample first"
}

# lintian's verdict on a .deb: every tag, overridden and informational ones
# too, must be one named here with its reason.
judge_lintian() { # deb
    lintian -I --show-overrides --tag-display-limit 0 "$1" 2>/dev/null | grep -v '^N: ' >"$work/lintian" || true
    while read -r line; do
        case $line in
        # The static program, overridden in the package with the reason.
        "O: quota-report: shared-library-lacks-prerequisites [usr/bin/quota_report]") ;;
        "O: quota-report: statically-linked-binary [usr/bin/quota_report]") ;;
        *) fail "lintian on ${1##*/}: $line" ;;
        esac
    done <"$work/lintian"
}

# rpmlint's verdict on an .rpm: every error and warning must be one named here
# with its reason.
judge_rpmlint() { # rpm [dynamic]
    rpmlint "$1" 2>/dev/null | grep -E ': [EW]: ' | sed 's/^[^:]*: //' >"$work/rpmlint" || true
    while read -r line; do
        case $line in
        # The program is linked statically on purpose (see lintian's override),
        # with -static where the C library has no start files for -static-pie.
        "E: statically-linked-binary /usr/bin/quota_report" | \
            "W: position-independent-executable-suggested /usr/bin/quota_report")
            [ -z "${2:-}" ] || fail "rpmlint: $line" ;;
        # Packages are signed in RPM's own way by whoever puts them in a
        # repository; the release's checksums are in SHA256SUMS.
        "E: no-signature") ;;
        # A distribution's own build names its packager (rpmbuild -ta).
        "E: no-packager-tag") [ -n "${2:-}" ] || fail "rpmlint: $line" ;;
        # Debian's rpmlint looks for manual pages compressed with bzip2; RPM
        # distributions compress them with gzip, as this one is.
        "W: no-manual-page-for-binary quota_report" | "W: manpage-not-compressed bz2 /usr/share/man/man1/quota_report.1.gz") ;;
        # Debian's rpmlint knows an older list of licences than SPDX's, which
        # has these (reuse lint checks them).
        "W: invalid-license ISC" | "W: invalid-license GPL-3.0-or-later" | \
            "W: invalid-license-exception GCC-exception-3.1") ;;
        # Debian's rpm has no step that strips what rpmbuild -ta installs, as
        # RPM distributions have (brp-strip, find-debuginfo).
        "W: unstripped-binary-or-object /usr/bin/quota_report") [ -n "${2:-}" ] || fail "rpmlint: $line" ;;
        *) fail "rpmlint on ${1##*/}: $line" ;;
        esac
    done <"$work/rpmlint"
    echo "rpmlint: $(cut -d' ' -f1,2 "$work/rpmlint" | sort -u | paste -sd, | sed 's/,/, /g')"
}

for entry in "${architectures[@]}"; do
    read -r arch processor rpm_arch triplet emulator _ <<<"$entry"
    read -r glibc _ _ glibc_package <"$work/embedded.$arch"
    step "$arch: its .deb,${rpm_arch/#-/ no} .rpm and tarball"
    run=()
    [ "$emulator" = - ] || run=("$emulator")
    stage=$work/stage/$arch
    unstripped=$work/build/$arch/portable/quota_report
    grep -q "^  glibc $glibc,\$" "$work/notices/$arch/NOTICE" &&
        grep -q "written offer of section 6(c)" "$work/notices/$arch/NOTICE" ||
        fail "$arch: its NOTICE does not name glibc $glibc and the written offer"
    grep -qx " $arch: glibc (= $glibc), .*" "$files/quota_report-$version.buildinfo" ||
        fail "$arch: the build record does not name glibc $glibc"
    check_program "the $arch program" "$stage/usr/bin/quota_report" "$unstripped" "$triplet" "$glibc" "${run[@]}"
    grep -q -- '-fstack-clash-protection' "$work/build/$arch/listing/CMakeFiles/quota_report_listing.dir/flags.make" ||
        fail "$arch: not compiled with -fstack-clash-protection"
    if [ "$arch" = amd64 ]; then
        readelf -n "$work/build/$arch/listing/CMakeFiles/quota_report_listing.dir/reader.cpp.o" |
            grep -q 'x86 feature: IBT, SHSTK' || fail "amd64: not compiled with -fcf-protection"
    fi
    echo "   the program: $(file -b "$stage/usr/bin/quota_report" | cut -d, -f1-2), $(grep -q 'Type: *DYN' \
        "$work/elf" && echo static-pie || echo static), glibc $glibc by its banner, -h and the sample's" \
        "report${run[*]:+ under ${run[*]}}; hardening-check judged"

    deb=quota-report_${version}_$arch.deb
    [ "$(dpkg-deb -f "$files/$deb" Architecture)" = "$arch" ] && [ -z "$(dpkg-deb -f "$files/$deb" Depends)" ] &&
        [ "$(dpkg-deb -f "$files/$deb" Built-Using)" = "glibc (= $glibc)" ] &&
        [ "$(dpkg-deb -f "$files/$deb" Maintainer)" = "$maintainer" ] &&
        [ "$(dpkg-deb -f "$files/$deb" Homepage)" = "$homepage" ] ||
        fail "$deb: its Architecture, Depends, Built-Using, Maintainer or Homepage"
    dpkg-deb -c "$files/$deb" | owned_by root/root || fail "$deb: entries not owned by root"
    in_spdx "$deb" "$glibc"
    judge_lintian "$files/$deb"
    unpacked=$work/unpacked/$arch.deb
    dpkg-deb -x "$files/$deb" "$unpacked"
    same_as_stage "$deb" "$stage" "$unpacked/usr" share/doc/quota-report
    docs=$unpacked/usr/share/doc/quota-report
    [ -f "$docs/changelog.gz" ] && [ -f "$unpacked/usr/share/lintian/overrides/quota-report" ] ||
        fail "$deb lacks its changelog or lintian override"
    # Each paragraph's files are in the package.
    while read -r pattern; do
        (cd "$unpacked" && compgen -G "$pattern" >/dev/null) || fail "$deb: its copyright file names no file: $pattern"
    done < <(sed -n 's/^Files: //p' "$docs/copyright")
    for pattern in '^License: ISC$' '^License: LGPL-2.1+$' '^Files: usr/bin/quota_report$' \
        '^License: ISC and LGPL-2.1+ and GPL-3+ with GCC-exception-3.1 exception$' \
        '^License: GPL-3+ with GCC-exception-3.1 exception$' "source package glibc $glibc (LGPL-2.1+)\$" \
        '/usr/share/common-licenses/LGPL-2.1\.' '/usr/share/common-licenses/GPL-3\.' \
        'GCC RUNTIME LIBRARY EXCEPTION' 'written offer of section 6(c)'; do
        grep -q "$pattern" "$docs/copyright" || fail "$deb: its copyright file lacks $pattern"
    done
    echo "   $deb: Built-Using: glibc (= $glibc), no Depends, entries root's, the stage's files," \
        "the notices and the written offer; lintian: only the static program, overridden"

    if [ "$rpm_arch" != - ]; then
        rpm=quota_report-$version-1.$rpm_arch.rpm
        query() { rpm -qp --qf "$1" "$files/$rpm"; }
        [ "$(query '%{ARCH} %{VERSION} %{PAYLOADCOMPRESSOR}')" = "$rpm_arch $version xz" ] &&
            [ "$(query '%{LICENSE}')" = "$static_licence" ] && [ "$(query '%{URL}')" = "$homepage" ] &&
            [ "$(query '%{PACKAGER}')" = "$maintainer" ] && [ -z "$(query '[%{PREFIXES}]')" ] ||
            fail "$rpm: its Arch, Version, payload, License, URL or Packager, or it is relocatable"
        rpm -qp --provides "$files/$rpm" | grep -qx "bundled(glibc) = $glibc" &&
            rpm -qp --provides "$files/$rpm" | grep -q '^bundled(libgcc) = ' ||
            fail "$rpm does not provide bundled(glibc) = $glibc and bundled(libgcc)"
        ! rpm -qp --requires "$files/$rpm" | grep -v '^rpmlib(' || fail "$rpm requires more than rpmlib features"
        [ "$(query '[%{FILEUSERNAME}:%{FILEGROUPNAME}\n]' | sort -u)" = root:root ] ||
            fail "$rpm: files not owned by root"
        for file in LICENSE NOTICE glibc.copyright LGPL-2.1 GPL-3 GCC-exception-3.1; do
            query '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' | grep -qx "l /usr/share/licenses/quota_report/$file" ||
                fail "$rpm does not carry $file as %license"
        done
        in_spdx "$rpm" "$glibc"
        verdict=$(judge_rpmlint "$files/$rpm")
        unpacked=$work/unpacked/$arch.rpm
        mkdir -p "$unpacked"
        rpm2cpio "$files/$rpm" | (cd "$unpacked" && cpio -idm --quiet)
        same_as_stage "$rpm" "$stage" "$unpacked/usr" share/doc/quota_report
        cmp -s "$unpacked/usr/share/licenses/quota_report/NOTICE" "$work/notices/$arch/NOTICE" ||
            fail "$rpm: its NOTICE"
        echo "   $rpm: License and Provides naming glibc $glibc, not relocatable, requires only rpmlib" \
            "features, files root's, six %license files, the stage's files; $verdict"
    fi

    tarball=quota_report-$version-linux-$processor.tar.gz
    tar --numeric-owner -tvzf "$files/$tarball" | owned_by 0/0 || fail "$tarball: entries not owned by 0:0"
    in_spdx "$tarball" "$glibc"
    unpacked=$work/unpacked/$arch.tar
    mkdir -p "$unpacked"
    tar -xzf "$files/$tarball" -C "$unpacked"
    [ "$(ls "$unpacked")" = "${tarball%.tar.gz}" ] || fail "$tarball: its top folder is $(ls "$unpacked")"
    top=$unpacked/${tarball%.tar.gz}
    same_as_stage "$tarball" "$stage" "$top" share/doc/quota_report
    for file in LICENSE NOTICE glibc.copyright LGPL-2.1 GPL-3 GCC-exception-3.1; do
        cmp -s "$top/share/doc/quota_report/$file" "$work/notices/$arch/$file" || fail "$tarball: its $file"
    done
    echo "   $tarball: one top folder, entries 0:0, the stage's files, the notices of glibc $glibc and libgcc"
done

step "the programs beyond the sample"
judge_hardening "the dynamic amd64 program" "$reference"
root=$work/empty-root
mkdir "$root"
cp "$work/stage/amd64/usr/bin/quota_report" "$sample" "$root/"
chroot "$root" /quota_report /listing.txt | cmp -s - "$work/sample.report" || fail "amd64: the report in an empty root"
echo "   the amd64 program in a root holding only itself and the listing: the reference's report"
aarch64=$work/stage/arm64/usr/bin/quota_report
same_as_reference() { # arguments
    local expected actual
    expected=$( (exec -a quota_report "$reference" "$@") 2>&1 >"$work/native.out"; echo "status $?")
    actual=$(qemu-aarch64-static -0 quota_report "$aarch64" "$@" 2>&1 >"$work/aarch64.out"; echo "status $?")
    [ "$actual" = "$expected" ] && cmp -s "$work/native.out" "$work/aarch64.out" ||
        fail "arm64 under qemu differs from the reference: quota_report $*"
}
same_as_reference -x
for switches in "" -rbf -wn -rwbnf; do
    for listing in "$sample" "$generated"; do
        same_as_reference $switches "$listing"
    done
done
echo "   the arm64 program under qemu: the reference's output, errors and status for the usage line, the" \
    "sample and an 8 MB listing under the default switches, -rbf, -wn and -rwbnf"
install_rpm() { # rpm-arch [emulator]
    local rpm=$files/quota_report-$version-1.$1.rpm rpm_root=$work/rpm-root-$1 doc=/usr/share/doc/quota_report
    shift
    mkdir "$rpm_root"
    # Debian's rpm warns on standard error that it is not its package manager.
    rpm --root "$rpm_root" --initdb 2>"$work/rpm.log" &&
        rpm --root "$rpm_root" --nodeps --ignorearch -i "$rpm" 2>>"$work/rpm.log" ||
        { cat "$work/rpm.log"; fail "${rpm##*/} does not install"; }
    if [ $# -eq 0 ]; then
        chroot "$rpm_root" /usr/bin/quota_report $doc/examples/listing.txt
    else
        "$1" "$rpm_root/usr/bin/quota_report" "$rpm_root$doc/examples/listing.txt"
    fi | cmp -s - "$work/sample.report" || fail "${rpm##*/}: the installed program's report differs"
    rpm --root "$rpm_root" -V quota_report >"$work/verify" 2>&1 && [ ! -s "$work/verify" ] ||
        { cat "$work/verify"; fail "${rpm##*/}: rpm -V"; }
    rpm --root "$rpm_root" -e quota_report 2>"$work/rpm.log" && [ ! -e "$rpm_root/usr/bin/quota_report" ] ||
        { cat "$work/rpm.log"; fail "${rpm##*/} does not remove"; }
    echo "   ${rpm##*/}: installed into an empty root with rpm, the installed sample's report${1:+ under $1}," \
        "rpm -V clean, removed"
}
install_rpm x86_64
install_rpm aarch64 qemu-aarch64-static
cmake --install "$work/build/amd64" --prefix "$work/prefix" >/dev/null
[ "$(cd "$work/prefix" && find . -type f | sort | paste -sd' ')" = "./bin/quota_report ./share/doc/quota_report/NEWS.md ./share/doc/quota_report/README.md ./share/doc/quota_report/examples/listing.txt ./share/man/man1/quota_report.1.gz" ] &&
    readelf -d "$work/prefix/bin/quota_report" | grep -q 'NEEDED.*libc' ||
    fail "cmake --install installs more or less than the dynamic program, the manual page, README, NEWS and the sample"
echo "   cmake --install: the dynamic program, the manual page, README, NEWS and the sample, each once"

step "the source release"
tar --numeric-owner -tvzf "$files/$source_release" | owned_by 0/0 || fail "$source_release: entries not owned by 0:0"
diff <(tar -tzf "$files/$source_release" | grep -v '/$' | sed "s|^quota_report-$version/||" | sort) \
    <({ git ls-files; echo "$recipe_name"; } | sort) >/dev/null ||
    fail "$source_release is not the tracked files and the RPM recipe"
echo "   $source_release: the tracked files and the RPM recipe under one folder, entries 0:0"

# ---------------------------------------------------------------------------
# The source release as distributions build it, and README followed on fresh
# Debian systems: their roots are made side by side from this machine's own
# Debian mirror while rpmbuild works, and most of that time goes in waiting
# for the mirror.
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
[ -n "$mirror" ] || fail "no Debian mirror in this machine's apt sources"
suites=(bullseye bookworm trixie)
roots=$work/roots
mkdir -p "$roots"
trap 'kill $(jobs -p) 2>/dev/null || true; wait; for m in "$roots"/*/dev/pts "$roots"/*/proc; do umount "$m" 2>/dev/null || true; done' EXIT
for suite in "${suites[@]}"; do
    debootstrap --variant=minbase --include=man-db "$suite" "$roots/$suite" "$mirror" >"$work/$suite.log" 2>&1 &
done

step "rpmbuild -ta $source_release"
rpmbuild -ta --nodeps --define "_topdir $work/rpmbuild" "$files/$source_release" >"$work/rpmbuild.log" 2>&1 ||
    { tail -n 40 "$work/rpmbuild.log"; fail "rpmbuild -ta failed"; }
grep -q '^100% tests passed' "$work/rpmbuild.log" && ! grep -q '(Skipped)' "$work/rpmbuild.log" ||
    fail "%check did not run and pass every test"
rpm=$(echo "$work/rpmbuild/RPMS/"*/quota_report-"$version"-1*.rpm)
mkdir "$work/rpmbuild/files"
rpm2cpio "$rpm" | (cd "$work/rpmbuild/files" && cpio -idm --quiet)
installed=$work/rpmbuild/files/usr/bin/quota_report
"$installed" "$work/rpmbuild/files/usr/share/doc/quota_report/examples/listing.txt" | cmp -s - "$work/sample.report" &&
    readelf -d "$installed" | grep -q 'NEEDED.*libc' || fail "the package of rpmbuild -ta: no dynamic program, or another report"
rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$rpm" | grep -qE '^l /usr/share/licenses/quota_report[^/]*/LICENSE$' ||
    fail "rpmbuild -ta packaged no LICENSE as %license"
echo "   ${rpm##*/}: $(grep -cE 'Test +#' "$work/rpmbuild.log") tests passed in %check; the dynamic program" \
    "gives the sample's report; $(judge_rpmlint "$rpm" dynamic)"

for suite in "${suites[@]}"; do
    wait -n || { tail -n 20 "$work"/*.log; fail "debootstrap failed"; }
done

step "piuparts on the amd64 .deb in a fresh Debian 12"
piuparts --existing-chroot="$roots/bookworm" --distribution=bookworm --mirror="$mirror main" --no-upgrade-test \
    "$files/quota-report_${version}_amd64.deb" >"$work/piuparts.log" 2>&1 ||
    { tail -n 40 "$work/piuparts.log"; fail "piuparts"; }
grep -q 'INFO: PASS: All tests\.$' "$work/piuparts.log" || fail "piuparts does not pass every test"
echo "   installed with apt, removed and purged with nothing left behind: piuparts $(grep -o 'PASS: All tests\.' \
    "$work/piuparts.log")"

# README's command block that begins with the line starting with PREFIX.
readme_block() { # prefix
    awk -v prefix="    $1" 'index($0, prefix) == 1 { on = 1 } on && !/^    / { exit } on { print substr($0, 5) }' README.md
}
readme_line() { # prefix
    readme_block "$1" | head -n 1 | grep . || fail "README has no command beginning with $1"
}
# As root in the root, in /root, with the release files beside; apt answers
# yes for the administrator.
in_root() { chroot "$root" env -C /root DEBIAN_FRONTEND=noninteractive LC_ALL=C HOME=/root "$@"; }
as_admin() { in_root bash -euo pipefail -c "$1"; }
owners() { stat -c '%n %a %U:%G' "$@"; }

# README's commands, each as written, in order, as root: the amd64 .deb and
# the tarball, the crontab line, the removal.
follow_readme() { # suite
    local log=$work/$1.readme.log page before after planted crontab_command name
    mount -t proc proc "$root/proc"
    mount --bind /dev/pts "$root/dev/pts"
    echo 'APT::Get::Assume-Yes "true";' >"$root/etc/apt/apt.conf.d/90yes"
    cp "$files/quota-report_${version}_amd64.deb" "$files/quota_report-$version-linux-x86_64.tar.gz" "$root/root/"
    cp "$sample" "$root/root/volumes.txt"
    as_admin "$(readme_line 'apt install ./quota-report_')" >"$log" 2>&1 || { tail -n 20 "$log"; fail "$1: the install"; }
    as_admin "$(readme_line 'quota_report /usr/share/doc/quota-report/')" | cmp -s - "$work/sample.report" ||
        fail "$1: the installed program's report of the installed sample"
    page=$(in_root man -w quota_report) || fail "$1: man does not find the manual page"
    as_admin "$(readme_block 'tar -xzf quota_report-' | sed -n 1,3p)" | cmp -s - "$work/sample.report" ||
        fail "$1: the unpacked tarball's report of its sample"
    as_admin "$(readme_block 'tar -xzf quota_report-' | sed -n '1,2p;4p')" | grep quota_report >/dev/null ||
        fail "$1: man -l shows no manual page from the unpacked tarball"
    # As a site keeps them, where staff may install programs.
    chown root:staff "$root/usr/local" "$root/usr/local/bin" "$root/usr/local/share"
    chmod 2775 "$root/usr/local" "$root/usr/local/bin" "$root/usr/local/share"
    before=$(cd "$root" && owners usr/local usr/local/bin usr/local/share usr/local/share/man)
    prefix=$(cd "$root/usr/local" && find . | sort)
    as_admin "$(readme_line 'tar -C /usr/local ')"
    after=$(cd "$root" && owners usr/local usr/local/bin usr/local/share usr/local/share/man)
    [ "$before" = "$after" ] || fail "$1: unpacking into /usr/local changed its folders: $before / $after"
    as_admin "/usr/local/bin/quota_report volumes.txt" | cmp -s - "$work/sample.report" ||
        fail "$1: the program unpacked into /usr/local gives another report"
    as_admin "$(readme_block 'tar -C /usr/local ' | tail -n +2)"
    [ "$(cd "$root/usr/local" && find . | sort)" = "$prefix" ] ||
        fail "$1: removing the tarball from /usr/local as README says leaves files or folders"
    as_admin "$(readme_block 'mkdir -p /opt/qr')" | grep quota_report >/dev/null ||
        fail "$1: man does not find the manual page of /opt/qr by MANPATH"
    # The crontab line, after another user has tried to plant links where root writes.
    as_admin "$(readme_line 'install -d -m 755 /var/lib/quota')"
    printf '#!/bin/sh\ncat /root/volumes.txt\n' >"$root/usr/local/sbin/list_volumes"
    chmod 755 "$root/usr/local/sbin/list_volumes"
    echo keep >"$root/root/important"
    in_root useradd -M other
    planted=0
    for name in volumes.txt report.tmp report.txt; do
        in_root setpriv --reuid=other --regid=other --clear-groups \
            ln -s /root/important "/var/lib/quota/$name" 2>/dev/null && planted=$((planted + 1))
    done
    [ "$planted" = 0 ] || fail "$1: another user planted a link in /var/lib/quota"
    crontab_command=$(readme_line '15 6 * * * ' | cut -d' ' -f6-)
    in_root env -i PATH=/usr/bin:/bin HOME=/root SHELL=/bin/sh /bin/sh -c "$crontab_command" ||
        fail "$1: the crontab line failed"
    cmp -s "$root/var/lib/quota/report.txt" "$work/sample.report" && [ "$(cat "$root/root/important")" = keep ] ||
        fail "$1: the crontab line wrote another report, or through a link"
    in_root apt-get remove -y -q quota-report >>"$log" 2>&1 || { tail -n 20 "$log"; fail "$1: the removal"; }
    [ ! -e "$root/usr/bin/quota_report" ] || fail "$1: the program is left after removal"
    echo "   Debian $(cat "$root/etc/debian_version") ($1), C library $(in_root dpkg-query -W -f '${Version}' libc6):" \
        "the .deb installed with apt, the sample's report, man finds $page; the tarball run in place, into" \
        "/usr/local (its folders kept: $(echo "$after" | awk '{ printf "%s %s %s; ", $1, $2, $3 }' | sed 's/; $//');" \
        "removed to the last file and folder it added)" \
        "and /opt/qr (man by MANPATH); the crontab line under /bin/sh wrote the report, another user could" \
        "plant no link in /var/lib/quota; removed"
}

# The source release unpacked in the root, with README's build tools.
with_build_tools() { # suite [more packages]
    local log=$work/$1.build.log
    as_admin "apt-get update -qq && $(readme_line 'apt-get install cmake make g++') ${*:2}" >"$log" 2>&1 ||
        { tail -n 20 "$log"; fail "$1: README's apt-get line failed"; }
    tar -xzf "$files/$source_release" -C "$root/root"
}

step "README followed as root on Debian 11, and the source release built there with its CMake"
root=$roots/bullseye
follow_readme bullseye
with_build_tools bullseye
log=$work/bullseye.build.log
# The plain build needs no static C library, and a static build is refused at
# once without it.
libc=$(in_root g++ -print-file-name=libc.a)
mv "$root$libc" "$root$libc.aside"
as_admin "cd quota_report-$version && $(readme_line 'cmake -S . -B build && ')" >>"$log" 2>&1 ||
    { tail -n 40 "$log"; fail "bullseye: the plain build does not build or pass its tests without libc.a"; }
! as_admin "cd quota_report-$version && cmake -S . -B static -D QUOTA_REPORT_PORTABLE=ON" >"$work/static.log" 2>&1 &&
    grep -q 'cannot link a static' "$work/static.log" ||
    { cat "$work/static.log"; fail "bullseye: a static build without libc.a is not refused at once"; }
mv "$root$libc.aside" "$root$libc"
grep -q '^100% tests passed' "$log" && ! grep -q '(Skipped)' "$log" || fail "bullseye: not every test ran and passed"
echo "   bullseye: README's apt-get line, then $(in_root cmake --version | head -n 1), $(in_root g++ --version |
    head -n 1): $(grep -cE 'Test +#' "$log") tests passed with the plain commands and no libc.a, where a" \
    "static build is refused"
umount "$root/dev/pts" "$root/proc"

step "README followed as root on Debian 12, and the source release built there as Debian builds it"
root=$roots/bookworm
follow_readme bookworm
# A minimal debian/ of the kind a Debian maintainer keeps (dh with the cmake
# build system, the build type None and the flags of dpkg-buildflags with
# hardening=+all, the documentation folder named after the package), on
# README's build tools and debhelper; blhc judges its build log, lintian its
# package.  The project ships no debian/ of its own: Debian keeps its own.
with_build_tools bookworm debhelper
debian=$root/root/quota_report-$version/debian
mkdir -p "$debian/source"
cat >"$debian/control" <<CONTROL
Source: quota-report
Section: utils
Priority: optional
Maintainer: $maintainer
Build-Depends: debhelper-compat (= 13), cmake, strace
Standards-Version: 4.6.2
Homepage: $homepage
Rules-Requires-Root: no

Package: quota-report
Architecture: any
Depends: \${shlibs:Depends}, \${misc:Depends}
Description: $summary
$(rpmspec -q --qf '%{DESCRIPTION}\n' "$recipe" | as_field)
CONTROL
printf '%s\n' '#!/usr/bin/make -f' 'export DEB_BUILD_MAINT_OPTIONS = hardening=+all' '%:' \
    '	dh $@ --buildsystem=cmake' 'override_dh_auto_configure:' \
    '	dh_auto_configure -- -DCMAKE_INSTALL_DOCDIR=share/doc/quota-report' >"$debian/rules"
chmod +x "$debian/rules"
changelog debian >"$debian/changelog"
echo '3.0 (native)' >"$debian/source/format"
{
    printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n\n'
    printf 'Files: *\nCopyright: %s\nLicense: ISC\n%s\n' "$copyright_holders" "$licence_text"
} >"$debian/copyright"
log=$work/bookworm.build.log
as_admin "cd quota_report-$version && dpkg-buildpackage -us -uc -b" >>"$log" 2>&1 ||
    { tail -n 40 "$log"; fail "bookworm: dpkg-buildpackage failed"; }
grep -q '^100% tests passed' "$log" && ! grep -q '(Skipped)' "$log" || fail "bookworm: dh_auto_test did not pass every test"
blhc --all "$log" >"$work/blhc" 2>&1 || { cat "$work/blhc"; fail "blhc finds faults in the build log"; }
deb=$(echo "$root/root/quota-report_${version}_"*.deb)
lintian -I --tag-display-limit 0 "$deb" 2>/dev/null >"$work/lintian" || true
while read -r line; do
    case $line in
    # The scratch debian/ repeats the package's short description.
    "I: quota-report: extended-description-is-probably-too-short") ;;
    *) fail "lintian on the Debian-style package: $line" ;;
    esac
done <"$work/lintian"
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' >"$work/files"
[ "$(grep -c '/doc/' "$work/files")" = "$(sort -u "$work/files" | grep -c '/doc/quota-report/')" ] ||
    { cat "$work/files"; fail "the Debian-style package holds a document twice or a second documentation folder"; }
echo "   bookworm: README's apt-get line and debhelper, then dpkg-buildpackage: dh_auto_test passed" \
    "$(grep -cE 'Test +#' "$log") tests; blhc: nothing; lintian -I: nothing but the scratch description;" \
    "one documentation folder: $(grep '/doc/' "$work/files" | paste -sd' ')"
umount "$root/dev/pts" "$root/proc"

step "README followed as root on Debian 13"
root=$roots/trixie
follow_readme trixie
umount "$root/dev/pts" "$root/proc"

step "the same files made again, untested, by an unprivileged user in a clone elsewhere"
elsewhere=$(mktemp -d /tmp/quota_report-elsewhere.XXXXXX)
chmod 755 "$elsewhere"
git clone -q "$source_tree" "$elsewhere/clone"
chown -R nobody:nogroup "$elsewhere"
setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$elsewhere" \
    bash "$elsewhere/clone/packaging/release.sh" --files-only >"$work/elsewhere.log" 2>&1 ||
    { tail -n 30 "$work/elsewhere.log"; fail "the unprivileged build failed"; }
# The signatures are made anew each time, and not by the unprivileged build.
diff <(cd "$files" && ls | grep -v '\.asc$') <(cd "$elsewhere/clone/build/release" && ls) ||
    fail "the unprivileged build made other files"
for file in $(cd "$elsewhere/clone/build/release" && ls); do
    cmp -s "$files/$file" "$elsewhere/clone/build/release/$file" || fail "$file differs in the unprivileged build"
done
echo "   as $(setpriv --reuid=nobody --regid=nogroup --clear-groups id -un) in $elsewhere/clone:" \
    "$(cd "$elsewhere/clone/build/release" && ls | paste -sd' '): each the same bytes as root's"
rm -rf "$elsewhere"
step "the release files are made and checked: $files"
(cd "$files" && stat -c '   %9s %n' -- *)
