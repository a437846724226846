# shellcheck shell=bash
# The stages that make the release files.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The C libraries: each static program links Debian 12's own libc6-dev for
# its architecture at the build machine's version (which the native build
# links as it is), or where the table says so its cross toolchain's.  They
# and their sources come through a private apt state (its own lists, cache
# and empty package database), refreshed from the suites of this machine's
# release; an index that fails to come (a mirror in the middle of a sync) is
# fetched again, and one that keeps failing fails.  The release embeds no
# C library older than the newest those suites carry.
fetch_c_libraries() {
    step "the C libraries"
    local apt=$work/apt try release foreign entry libc_a native package
    native=$(dpkg --print-architecture)
    glibc_current=$(dpkg-query -W -f '${Version}' "libc6-dev:$native")
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$work/libc"
    : >"$apt/status"
    foreign=$(awk '!/^#/ && $6 == "debian" { print $1 }' "$here/architectures" | paste -sd,)
    apt_options=(-o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Dir::State::status=$apt/status"
        -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts" -o Debug::NoLocking=1
        -o "APT::Sandbox::User=$(id -un)" -o "APT::Architectures=$foreign")
    release=$(os_release VERSION_CODENAME)
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk -v release="$release" -f "$here/suites.awk" >"$work/suites" || true
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk -v release="$release" -v RS= -F '\n' -f "$here/suites.awk" >>"$work/suites" || true
    [ -s "$work/suites" ] || fail "this machine's apt sources name no suite of Debian $release"
    grep -o '[a-z]*://[^ ]*' "$work/suites" | sort -u >"$work/mirrors"
    sed 's/^/deb /; p; s/^deb /deb-src /' "$work/suites" >"$apt/sources.list"
    for try in 1 2 3 4 5; do
        apt-get "${apt_options[@]}" --error-on=any -qq update >"$work/apt.log" 2>&1 && break
        [ "$try" != 5 ] || { cat "$work/apt.log"; fail "apt-get update failed"; }
        sleep 30
    done
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        if [ "$origin" = debian ]; then
            newest "libc6-dev:$arch" "$glibc_current"
        else
            libc_a=$("$triplet-g++" -print-file-name=libc.a)
            package=$(package_of "$libc_a")
            newest "$package"
        fi
    done
    echo "   libc6-dev $glibc_current, as the build machine has it, the newest of $release's suites"
}
# Fails when the suites carry a package newer than the version to be embedded
# (by default, the one installed).
newest() { # package [version]
    local candidate version=${2:-}
    [ -n "$version" ] || version=$(dpkg-query -W -f '${Version}' "$1")
    apt-cache "${apt_options[@]}" policy "$1" >"$work/policy"
    candidate=$(sed -n 's/^  Candidate: //p' "$work/policy")
    { [ -n "$candidate" ] && [ "$candidate" != "(none)" ]; } || fail "no suite of this machine's carries $1"
    dpkg --compare-versions "$version" ge "$candidate" ||
        fail "the suites carry $1 $candidate, newer than the $version the release would embed: upgrade this machine first"
}

# The compiler's own list of header folders, with those of Debian 12's C
# library before the toolchain's, which keeps the kernel's; without it,
# libstdc++'s include_next would find the toolchain's.
headers() { # compiler language libc6-dev
    local folder
    "$1" -x "$2" -E -v /dev/null 2>&1 >/dev/null | sed -n '/^#include <...> search starts here:$/,/^End/{//!p}' |
        while read -r folder; do
            folder=$(realpath "$folder")
            [ "$folder" != "/usr/$triplet/include" ] || printf -- '-isystem %s ' "$3/usr/include/$multiarch" "$3/usr/include"
            printf -- '-isystem %s ' "$folder"
            [ "$folder" != "/usr/$triplet/include" ] || break
        done
}

# One architecture built by the plain CMake build (the release build, with
# the static program), against Debian 12's C library where it is foreign;
# its tests run (under qemu where foreign) unless only the files are made;
# installed into its stage, and into the .deb's with the documentation folder
# named after the Debian package.
build_arch() {
    step "$arch: built, tested and installed"
    local libc='' component cxx_flags c_flags configure=(-D CMAKE_CXX_COMPILER=g++ -D CMAKE_C_COMPILER=gcc)
    [ "$emulator" = - ] || configure=(--toolchain "$here/cross.cmake" -D "QUOTA_REPORT_ARCH=$arch")
    if [ "$origin" = debian ] && [ "$emulator" != - ]; then
        libc=$work/libc/$arch
        (cd "$work/libc" && apt-get "${apt_options[@]}" -qq download "libc6-dev:$arch=$glibc_current")
        dpkg-deb -x "$work/libc/libc6-dev_${glibc_current}_$arch.deb" "$libc"
        # Its folders are named after Debian's triplet (i386-linux-gnu, not i686).
        multiarch=$(find "$libc/usr/lib" -name libc.a -printf '%h\n')
        multiarch=${multiarch##*/}
        cxx_flags=$(headers "$triplet-g++" c++ "$libc")
        c_flags=$(headers "$triplet-gcc" c "$libc")
        configure+=(-D "CMAKE_CXX_FLAGS=-nostdinc $cxx_flags" -D "CMAKE_C_FLAGS=-nostdinc $c_flags"
            -D "QUOTA_REPORT_LIBC=$libc/usr/lib/$multiarch")
    fi
    printf '%s' "$libc" >"$work/libc.$arch"
    cmake -S . -B "$build" "${configure[@]}" -D CMAKE_BUILD_TYPE=Release -D CMAKE_COMPILE_WARNING_AS_ERROR=ON \
        -D QUOTA_REPORT_PORTABLE=ON -D CMAKE_INSTALL_PREFIX=/usr -D CMAKE_EXPORT_COMPILE_COMMANDS=ON >"$work/$arch.log"
    cmake --build "$build" >>"$work/$arch.log"
    [ "$mode" = files-only ] || judge ctest ctest --test-dir "$build" -j 2 --output-on-failure
    for component in portable manual doc; do
        DESTDIR=$stage_dir cmake --install "$build" --component $component >/dev/null
    done
    cmake "$build" -D CMAKE_INSTALL_DOCDIR=share/doc/quota-report >/dev/null
    for component in manual doc; do
        DESTDIR=$work/deb/$arch cmake --install "$build" --component $component >/dev/null
    done
    cmake "$build" -U CMAKE_INSTALL_DOCDIR >/dev/null
    "$triplet-strip" --remove-section=.comment --remove-section=.note "$stage_dir/usr/bin/quota_report"
    cp -a "$stage_dir/usr/bin" "$work/deb/$arch/usr/"
    find "$stage_dir" "$work/deb/$arch" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# What the program embeds, from the linker's map: every file it loaded from
# outside the build comes from the C library's folder or GCC's, and its libc.a
# is the one chosen; the banner names that C library's version; libgcc is
# GCC's.  Then the notices that come with that code.
embedded_code() {
    local libc libc_a linked copyright libgcc gcc_folder gcc_package glibc_version source
    libc=$(cat "$work/libc.$arch")
    if [ -z "$libc" ]; then
        libc_a=$("$triplet-g++" -print-file-name=libc.a)
        libc_a=$(realpath "$libc_a")
        glibc_package=$(package_of "$libc_a")
        source=$(source_of "$libc_a" glibc)
        linked=${source#* } copyright=/usr/share/doc/${glibc_package%:*}/copyright
    else
        libc_a=$(echo "$libc"/usr/lib/*/libc.a)
        linked=$(dpkg-deb -f "$work/libc/libc6-dev_${glibc_current}_$arch.deb" Version)
        glibc_package=libc6-dev:$arch copyright=$libc/usr/share/doc/libc6-dev/copyright
    fi
    libgcc=$("$triplet-g++" -print-libgcc-file-name)
    gcc_package=$(package_of "$libgcc")
    source=$(source_of "$libgcc" 'gcc-[0-9]+')
    gcc_source=${source% *} gcc_version=${source#* } gcc_folder=$(realpath "${libgcc%/*}")
    sed -n 's|^LOAD \(/.*\)|\1|p' "$build/portable/quota_report.map" | xargs realpath | sort -u >"$work/loaded"
    { grep -qx "$libc_a" "$work/loaded" && ! grep -v -e "^${libc_a%/*}/" -e "^$gcc_folder/" "$work/loaded"; } ||
        fail "$arch: the link loaded C library files from elsewhere than ${libc_a%/*}"
    glibc_version=$(banner_of "$stage_dir/usr/bin/quota_report")
    [ "$glibc_version" = "$linked" ] ||
        fail "$arch: the program's banner names glibc '$glibc_version', its C library's $glibc_package $linked"
    echo "$glibc_version $gcc_source $gcc_version $glibc_package" >"$work/embedded.$arch"
    mkdir -p "$notices"
    cp LICENSE /usr/share/common-licenses/LGPL-2.1 /usr/share/common-licenses/GPL-3 "$notices/"
    cp "$copyright" "$notices/glibc.copyright"
    sed -n '/^ *GCC RUNTIME LIBRARY EXCEPTION/,/requirements of the license of GCC\.$/p' \
        "/usr/share/doc/${gcc_package%:*}/copyright" >"$notices/GCC-exception-3.1"
    [ -s "$notices/GCC-exception-3.1" ] || fail "no GCC Runtime Library Exception in $gcc_package's copyright"
    toolchain_note=
    [ "$origin" != toolchain ] || printf -v toolchain_note '\n\n%s\n%s\n%s' \
        "Debian 12 has no C library for $arch, and Debian 13's makes the linker of" \
        "Debian 12's cross toolchain crash, so this program embeds that toolchain's" \
        "own, glibc $glibc_version, which lacks the fixes of later versions."
    export glibc_version gcc_source gcc_version toolchain_note processor
    fill "$here/NOTICE.in" >"$notices/NOTICE"
}

# What the packages share: the changelogs from NEWS.md; the RPM recipe, with
# the summary and description of packaging/debian/control; and the source
# release, the tracked files and that recipe by git archive.
# shellcheck disable=SC2034 # the recipe's licence is checked in check.sh
make_shared_parts() {
    step "the packages and tarballs of every architecture"
    export changelog summary description
    traced awk -v format=debian -v maintainer="$maintainer" -f "$here/changelog.awk" NEWS.md NEWS.md >"$work/debian.changelog"
    changelog=$(traced awk -v format=rpm -v maintainer="$maintainer" -f "$here/changelog.awk" NEWS.md NEWS.md)
    summary=$(sed -n 's/^Description: //p' "$here/debian/control")
    summary=${summary^}
    description=$(sed -n '/^Description: /,/^$/s/^ //p' "$here/debian/control")
    fill "$here/rpm_recipe.in" >"$work/$recipe_name"
    static_licence=$(rpmspec -q --with portable --define 'glibc_version 0' --define 'libgcc_version 0' \
        --qf '%{LICENSE}' "$work/$recipe_name")
    traced git archive --format=tar "--prefix=quota_report-$version/" --add-file="$work/$recipe_name" HEAD >"$work/source.tar"
    traced gzip -9n <"$work/source.tar" >"$files/$source_release"
    make_source_rpm
}
# The source RPM of the source release, by rpmbuild -bs of the recipe at its
# top, from the folder that holds both: rpmbuild -ta and -ts record the
# source release's folder, and the build's, which differ from one clone to
# another.  Its files are root's, and its time the release day.
make_source_rpm() {
    mkdir -p "$work/srpm"
    cp "$files/$source_release" "$work/$recipe_name" "$work/srpm/"
    (cd "$work/srpm" && traced rpmbuild -bs --define "_topdir $work/srpm" --define "_sourcedir ." --define "_builddir ." --define "_buildrootdir ." \
        --define "_srcrpmdir ." --define "_srcdefattr (-,root,root)" --define "_buildhost reproducible" \
        --define "use_source_date_epoch_as_buildtime 1" --define "clamp_mtime_to_source_date_epoch 1" \
        --define "packager $maintainer" "$recipe_name") >"$work/srpm.log" 2>&1 ||
        { cat "$work/srpm.log"; fail "rpmbuild -bs failed"; }
    mv "$work/srpm/$source_rpm" "$files/"
}

# The package files of one architecture: the .deb, whose control file
# dpkg-gencontrol writes from packaging/debian/control; the .rpm, by rpmbuild
# from the RPM recipe; the tarball, by GNU tar.
package_arch() {
    local deb_dir=$work/deb/$arch top=${tarball%.tar.gz} glibc_version why tag=statically-linked-binary
    local docs=$deb_dir/usr/share/doc/quota-report
    read -r glibc_version gcc_source gcc_version glibc_package <"$work/embedded.$arch"
    export glibc_version gcc_source gcc_version glibc_package written_offer glibc_notices gcc_exception
    written_offer=$(sed -n '/^For three years/,/^$/{/^$/d;p}' "$notices/NOTICE" | as_field)
    glibc_notices=$(as_field <"$notices/glibc.copyright")
    gcc_exception=$(as_field <"$notices/GCC-exception-3.1")
    fill "$here/debian/copyright.in" >"$docs/copyright"
    traced gzip -9n <"$work/debian.changelog" >"$docs/changelog.gz"
    # lintian takes a static-pie program for a shared library.
    why="Linked with -static, where the C library has no start files for -static-pie."
    if readelf -h "$stage_dir/usr/bin/quota_report" | grep 'Type: *DYN' >/dev/null; then
        tag=shared-library-lacks-prerequisites
        why="Linked with -static-pie and without a program interpreter, it looks to lintian like a shared library that needs no other."
    fi
    mkdir -p "$deb_dir/usr/share/lintian/overrides" "$deb_dir/DEBIAN"
    printf '%s\n' "# The program is linked statically on purpose: the package then installs and" \
        "# runs on releases whose C library is older than the one it was built with." \
        "# $why" "quota-report: $tag [usr/bin/quota_report]" >"$deb_dir/usr/share/lintian/overrides/quota-report"
    (cd "$deb_dir" && find usr -type f | sort | xargs md5sum >DEBIAN/md5sums)
    traced dpkg-gencontrol -c"$here/debian/control" -l"$work/debian.changelog" -f"$work/debian.files" -P"$deb_dir" \
        -DArchitecture="$arch" -DMaintainer="$maintainer" -DHomepage="$homepage" \
        -DBuilt-Using="glibc (= $glibc_version)" -Vshlibs:Depends= -Vmisc:Depends=
    find "$deb_dir" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    traced dpkg-deb --root-owner-group -Zxz --build "$deb_dir" "$files/$deb" >/dev/null
    if [ -n "$rpm" ]; then
        traced rpmbuild -bb --target "$rpm_arch" --with portable --define "_topdir $work/rpm" \
            --define "_rpmdir $work/rpm/out" --define "stage $stage_dir" --define "notices $notices" \
            --define "glibc_version $glibc_version" --define "libgcc_version $gcc_version" \
            --define "packager $maintainer" "$work/$recipe_name" >"$work/rpm.$arch.log" 2>&1 ||
            { tail -n 20 "$work/rpm.$arch.log"; fail "rpmbuild could not package the $arch program"; }
        mv "$work/rpm/out/$rpm_arch/$rpm" "$files/"
    fi
    mkdir -p "$work/tarball/$arch"
    cp -a "$stage_dir/usr" "$work/tarball/$arch/$top"
    cp "$notices"/* "$work/tarball/$arch/$top/share/doc/quota_report/"
    traced tar -C "$work/tarball/$arch" --sort=name --owner=0 --group=0 --numeric-owner \
        --mtime="@$SOURCE_DATE_EPOCH" -cf "$work/tarball.tar" "$top"
    traced gzip -9n <"$work/tarball.tar" >"$files/$tarball"
}

# The source of each C library version embedded, beside the release files:
# by apt-get source, which checks each file against the archive's signed
# index; a version the index no longer has (a cross toolchain's) from the
# pool, by the names and checksums of its .dsc.  A file of it the archive does
# not serve is named on its version in the SPDX document, and the notices
# carry the written offer for it.
fetch_c_library_sources() {
    step "the C libraries' sources, the SPDX document, the build record and SHA256SUMS"
    local glibc sum file
    missing=()
    cut -d' ' -f1 "$work"/embedded.* | sort -u >"$work/glibc.versions"
    while read -r glibc; do
        (cd "$files" && apt-get "${apt_options[@]}" -qq source --download-only "glibc=$glibc") >"$work/apt.log" 2>&1 &&
            continue
        [ "$glibc" != "$glibc_current" ] || { cat "$work/apt.log"; fail "glibc $glibc: apt-get source failed"; }
        from_pool "glibc_$glibc.dsc" || fail "glibc $glibc: not even its .dsc is served"
        dsc_files "$files/glibc_$glibc.dsc" >"$work/dsc"
        while read -r sum _ file; do
            from_pool "$file" && echo "$sum  $files/$file" | sha256sum -c --quiet - >/dev/null 2>&1 && continue
            rm -f "$files/$file"
            missing+=("$glibc $file")
            echo "   glibc $glibc: $file is not served by the archive; the written offer covers it"
        done <"$work/dsc"
    done <"$work/glibc.versions"
}
from_pool() { # file
    local mirror
    while read -r mirror; do
        /usr/lib/apt/apt-helper download-file "${mirror%/}/pool/main/g/glibc/$1" "$files/$1" >/dev/null 2>&1 &&
            return 0
    done <"$work/mirrors"
    return 1
}

# The SPDX document: the source files as reuse knows them; the source release
# and each release file with its checksum and the Debian source packages its
# program embeds; those packages, and the files of the C library's sources.
# Then the same as a CycloneDX JSON document.
write_spdx() {
    local entry glibc gcc_source gcc_version file purpose created source source_version licence
    created=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%dT%H:%M:%SZ)
    (cd "$files" && ls) >"$work/names"
    traced reuse spdx >"$work/reuse.spdx"
    {
        sed -e "s|^DocumentName: .*|DocumentName: quota_report-$version|" \
            -e "s|^DocumentNamespace: .*|DocumentNamespace: ${homepage%/}/spdx/quota_report-$version-$commit|" \
            -e "s|^Created: .*|Created: $created|" -e 's|^SPDXVersion: .*|SPDXVersion: SPDX-2.3|' \
            -e '/^Creator: \(Person\|Organization\): Anonymous/d' \
            -e 's/^\(Relationship: [^ ]*\) describes /\1 DESCRIBES /' "$work/reuse.spdx"
        spdx_other_sources
        spdx_file "$source_release" quota_report "$version" SOURCE ISC "$homepage"
        spdx_file "$source_rpm" quota_report "$version" SOURCE ISC "$homepage"
        relate "$source_rpm" GENERATED_FROM "$source_release"
        for entry in "${architectures[@]}"; do
            use_arch "$entry"
            read -r glibc gcc_source gcc_version _ <"$work/embedded.$arch"
            for file in "$deb" "$rpm" "$tarball"; do
                [ -n "$file" ] || continue
                purpose=INSTALL
                [ "$file" != "$tarball" ] || purpose=ARCHIVE
                spdx_file "$file" "${file%%[-_][0-9]*}" "$version" "$purpose" "$static_licence" "$homepage"
                relate "$file" GENERATED_FROM "$source_release"
                relate "$file" CONTAINS "glibc-$glibc"
                relate "$file" CONTAINS "$gcc_source-$gcc_version"
            done
        done
        sort -u "$work"/embedded.* | while read -r glibc gcc_source gcc_version _; do
            echo "glibc $glibc LGPL-2.1-or-later"
            echo "$gcc_source $gcc_version GPL-3.0-or-later WITH GCC-exception-3.1"
        done | sort -u | while read -r source source_version licence; do
            spdx_source "$source" "$source_version" "$licence"
        done
        grep '^glibc_' "$work/names" | while read -r file; do
            spdx_file "$file" "$file" "" SOURCE NOASSERTION "$homepage" "Organization: Debian"
        done
        spdx_unsummed
    } >"$files/$spdx"
    traced /usr/bin/python3 "$here/sbom.py" "$files/$spdx" >"$files/$sbom"
}
# The files of the source release that reuse leaves out: the licence texts,
# its own file, empty files, links and the recipe the release step adds.
spdx_other_sources() {
    local path sum
    mkdir "$work/spdx-source"
    tar -xzf "$files/$source_release" -C "$work/spdx-source" --strip-components 1
    sed -n 's|^FileName: ||p' "$work/reuse.spdx" | LC_ALL=C sort >"$work/reuse.files"
    (cd "$work/spdx-source" && find . ! -type d | LC_ALL=C sort) | LC_ALL=C comm -23 - "$work/reuse.files" |
        while read -r path; do
            spdx_id "source-${path#./}"
            sum=$(sha1sum <"$work/spdx-source/$path")
            printf '%s\n' "" "Relationship: SPDXRef-DOCUMENT DESCRIBES $id" "FileName: $path" "SPDXID: $id" \
                "FileChecksum: SHA1: ${sum%% *}" "LicenseConcluded: NOASSERTION" "FileCopyrightText: NOASSERTION"
        done
}
# The release files made after this document, which checksums cannot list
# here: those of the build record are in SHA256SUMS.
spdx_unsummed() {
    local file
    for file in "$sbom" "$buildinfo" SHA256SUMS SHA256SUMS.asc "$source_release.asc" "$buildinfo.asc" \
        quota_report-signing-key.asc quota_report-signing-key.gpg; do
        spdx_id "$file"
        echo "Relationship: SPDXRef-DOCUMENT DESCRIBES $id"
        spdx_package "PackageName: $file" "SPDXID: $id" "PackageVersion: $version" "PackageFileName: $file" \
            "PackageDownloadLocation: $homepage" "PrimaryPackagePurpose: OTHER" \
            "PackageLicenseConcluded: NOASSERTION" "PackageLicenseDeclared: NOASSERTION"
        [ "$file" != "$buildinfo" ] || echo "PackageComment: <text>SHA256SUMS lists its checksums.</text>"
    done
}
spdx_package() { # "Tag: value"...: a package with the fields that have a value
    local field
    echo
    for field in "$@"; do [ -z "${field#*: }" ] || echo "$field"; done
    printf '%s\n' "FilesAnalyzed: false" "PackageCopyrightText: NOASSERTION"
}
spdx_file() { # file name version purpose licence location [supplier]
    local sum
    sum=$(sha "$1")
    spdx_id "$1"
    echo "Relationship: SPDXRef-DOCUMENT DESCRIBES $id"
    spdx_package "PackageName: $2" "SPDXID: $id" "PackageVersion: $3" "PackageFileName: $1" \
        "PackageSupplier: ${7:-}" "PackageDownloadLocation: $6" "PrimaryPackagePurpose: $4" \
        "PackageChecksum: SHA256: $sum" "PackageLicenseConcluded: $5" "PackageLicenseDeclared: $5"
}
# A Debian source package the programs embed: where Debian keeps it, its
# purl (and glibc's CPE name, which advisories use), the files of its source in the release folder and those missing.
spdx_source() { # name version licence
    local quoted=${2//:/%3A} file entry distro
    quoted=${quoted//+/%2B}
    spdx_id "$1-$2"
    spdx_package "PackageName: $1" "SPDXID: $id" "PackageVersion: $2" \
        "PackageSupplier: Organization: Debian" "PackageDownloadLocation: https://snapshot.debian.org/package/$1/$quoted/" \
        "PackageLicenseConcluded: NOASSERTION" "PackageLicenseDeclared: $3"
    distro=debian-$(os_release VERSION_ID)
    echo "ExternalRef: PACKAGE-MANAGER purl pkg:deb/debian/$1@$quoted?arch=source&distro=$distro"
    [ "$1" != glibc ] || echo "ExternalRef: SECURITY cpe23Type cpe:2.3:a:gnu:glibc:${2%-*}:*:*:*:*:*:*:*"
    while read -r file; do
        case $file in "${1}_$2.dsc" | "${1}_$2".debian.* | "${1}_${2%-*}".orig.*)
            relate "$file" GENERATES "$1-$2" ;;
        esac
    done <"$work/names"
    for entry in "${missing[@]}"; do
        [ "$1 ${entry% *}" != "glibc $2" ] ||
            echo "PackageComment: <text>${entry#* } is not in the release folder: the archive no longer serves it, and the notices of the programs that embed it carry the written offer for it.</text>"
    done
}

# The build record, as deb-buildinfo(5) gives it: the release files made
# before it with their checksums (not SHA256SUMS, the signatures and the
# key, made after it); in Installed-Build-Depends the exact version of every
# installed package whose files made them; in Fetched-Build-Depends the C
# libraries fetched for the static programs, which are not installed.
write_buildinfo() {
    local names origin_name origin_version native file
    build_packages >"$work/build-packages"
    origin_name=$(os_release NAME)
    origin_version=$(os_release VERSION_ID)
    native=$(dpkg --print-architecture)
    names=$(cut -d' ' -f1 "$work/architectures" | paste -sd' ')
    {
        printf '%s\n' "Format: 1.0" "Source: quota-report" "Binary: quota-report" "Architecture: $names" \
            "Version: $version"
        checksums Checksums-Md5 md5sum
        checksums Checksums-Sha1 sha1sum
        checksums Checksums-Sha256 sha256sum
        printf '%s\n' "Build-Origin: $origin_name $origin_version" "Build-Architecture: $native" \
            "Installed-Build-Depends:"
        sed 's/^/ /; $!s/$/,/' "$work/build-packages"
        echo "Fetched-Build-Depends:"
        for file in "$work"/libc/*.deb; do
            [ -f "$file" ] || continue
            dpkg-deb -f "$file" Package Architecture Version | cut -d' ' -f2 | paste -sd' '
        done | awk '{ print " " $1 ":" $2 " (= " $3 ")" }' | sed '$!s/$/,/'
        printf '%s\n' "Environment:" " SOURCE_DATE_EPOCH=\"$SOURCE_DATE_EPOCH\""
    } >"$work/buildinfo"
    mv "$work/buildinfo" "$files/$buildinfo"
}
checksums() { # field program
    local sum file size
    echo "$1:"
    (cd "$files" && "$2" -- *) >"$work/sums"
    while read -r sum file; do
        size=$(stat -c %s "$files/$file")
        echo " $sum $size $file"
    done <"$work/sums"
}
# The installed packages whose files made the release files: those the
# commands that made them opened or ran, and for the compiled programs each
# toolchain's compilers, linker, libraries and kernel headers, with the
# shared libraries they load; each once, with its version.
build_packages() {
    local entry file
    {
        traced_files "$work"/opened*
        for entry in "${architectures[@]}"; do
            use_arch "$entry"
            { command -v "$triplet-g++" "$triplet-gcc" "$triplet-strip"
                "$triplet-g++" -print-prog-name=cc1plus
                "$triplet-g++" -print-prog-name=ld; } |
                while read -r file; do command -v "$file"; done | tee -a "$work/compilers"
            "$triplet-g++" -print-libgcc-file-name
            "$triplet-g++" -print-file-name=libstdc++.a
            echo '#include <linux/version.h>' | "$triplet-gcc" -M -x c - | grep -o '/[^ ]*linux/version.h'
            [ -s "$work/libc.$arch" ] || "$triplet-g++" -print-file-name=libc.a
        done
        xargs realpath <"$work/compilers" | xargs ldd | grep -o '/[^ ]*\.so[^ ]*'
    } | packages_of
}

# SHA256SUMS, which lists every file.
write_sums() {
    (cd "$files" && sha256sum -- * >"$work/SHA256SUMS")
    mv "$work/SHA256SUMS" "$files/SHA256SUMS"
}

# The signing key, one key that signs everything: a rehearsal's is a
# throwaway key in a GnuPG home of its own, a short folder, so that the
# agent's socket fits whatever the clone's path; the agent is stopped at the
# end.  Then every .rpm and the source RPM signed with it, by rpmsign.
sign_packages() {
    step "the packages signed"
    if [ "$mode" = rehearsal ]; then
        GNUPGHOME=$(mktemp -d /tmp/qr-gnupg.XXXXXX)
        export GNUPGHOME
        cleanups+=("gpgconf --kill gpg-agent; rm -rf '$GNUPGHOME'")
        gpg --batch --quiet --passphrase '' --quick-generate-key \
            "quota_report rehearsal <rehearsal@quota-report.invalid>" ed25519 sign 1d
        signing_key=$(gpg --batch --quiet --with-colons --list-secret-keys | awk -F: '$1 == "fpr" && !n++ { print $10 }')
    fi
    signing_key=$(gpg --batch --quiet --with-colons --list-secret-keys "$signing_key" | awk -F: '$1 == "fpr" && !n++ { print $10 }')
    # Debian's rpm names gpg2, which Debian 12 calls gpg.
    (cd "$files" && trace=$work/opened.signing traced rpmsign --define "__gpg /usr/bin/gpg" --define "_gpg_name $signing_key" --addsign -- *.rpm) \
        >"$work/rpmsign.log" 2>&1 || { cat "$work/rpmsign.log"; fail "rpmsign failed"; }
}

# SHA256SUMS, the source release and the build record signed with
# detached, armored signatures, and the public key beside them, armored and as a keyring that
# gpgv reads.
sign() {
    step "the signatures"
    local file
    for file in SHA256SUMS "$source_release" "$buildinfo"; do
        gpg --batch --quiet --yes --local-user "$signing_key" --armor --detach-sign --output "$files/$file.asc" "$files/$file"
    done
    gpg --batch --armor --export "$signing_key" >"$files/quota_report-signing-key.asc"
    gpg --batch --export "$signing_key" >"$files/quota_report-signing-key.gpg"
}

# The commit tagged vVERSION by the maintainer, signed with the same key: in
# this clone for a release, once it is checked; in a scratch clone for a
# rehearsal.  git verify-tag must find the signature the key's.
tag_release() {
    step "the commit tagged v$version, signed"
    local tree=$source_tree address=${maintainer#*<}
    if [ "$mode" = rehearsal ]; then
        tree=$work/tagged
        git clone -q "$source_tree" "$tree"
    fi
    git -C "$tree" -c "user.name=${maintainer% <*}" -c "user.email=${address%>}" \
        -c "user.signingkey=$signing_key" tag -s -m "quota_report $version" "v$version"
    git -C "$tree" verify-tag --raw "v$version" >"$work/tag.status" 2>&1 || { cat "$work/tag.status"; fail "git verify-tag"; }
    grep -E "^\[GNUPG:\] VALIDSIG .* $signing_key\$" "$work/tag.status" >/dev/null ||
        fail "the tag v$version is not signed by $signing_key"
}
