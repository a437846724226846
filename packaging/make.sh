# shellcheck shell=bash
# The stages that make the release files.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The C libraries: each static program links Debian 12's own libc6-dev for
# its architecture, the build machine's (which the native build links as it
# is) or the newest the suites carry for that architecture (the security
# archive may not build every one); or where the table names a later
# release, that release's, installed in the build root.  They and their
# sources come through a private apt state (its own lists, cache and empty
# package database), refreshed from the suites of this machine's release, or
# through the build root's apt.  The release embeds no C library older than
# the newest those suites carry.
fetch_c_libraries() {
    step "the C libraries"
    local apt=$work/apt foreign entry native candidate
    native=$(dpkg --print-architecture)
    glibc_current=$(dpkg-query -W -f '${Version}' "libc6-dev:$native")
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$work/libc"
    : >"$apt/status"
    foreign=$(awk -v release="$machine_release" '$6 == release { print $1 }' "$work/architectures" | paste -sd,)
    apt_options=(-o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Dir::State::status=$apt/status"
        -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts" -o Debug::NoLocking=1
        -o "APT::Sandbox::User=$(id -un)" -o "APT::Architectures=$foreign")
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk -v release="$machine_release" -f "$here/suites.awk" >"$work/suites" || true
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk -v release="$machine_release" -v RS= -F '\n' -f "$here/suites.awk" >>"$work/suites" || true
    [ -s "$work/suites" ] || fail "this machine's apt sources name no suite of Debian $machine_release"
    grep -o '[a-z]*://[^ ]*' "$work/suites" | sort -u >"$work/mirrors"
    sed 's/^/deb /; p; s/^deb /deb-src /' "$work/suites" >"$apt/sources.list"
    retried apt-get "${apt_options[@]}" --error-on=any -qq update
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        if [ -n "$build_root" ]; then
            [ -d "$build_root/usr" ] || make_build_root
            newest "libc6-dev:$arch"
        elif [ "$emulator" = - ]; then
            newest "libc6-dev:$arch" "$glibc_current"
        else
            candidate=$(candidate_of "libc6-dev:$arch")
            (cd "$work/libc" && apt-get "${apt_options[@]}" -qq download "libc6-dev:$arch=$candidate")
            echo "$work/libc/libc6-dev_${candidate}_$arch.deb" >"$work/libc.$arch.fetched"
            echo "   libc6-dev:$arch $candidate, the newest of $machine_release's suites for $arch"
        fi
    done
    echo "   libc6-dev $glibc_current, as the build machine has it, the newest of $machine_release's suites"
}
# A command that fetches from the mirror, tried again while it fails (a
# mirror in the middle of a sync), at most five times.
retried() { # command...
    local try
    for try in 1 2 3 4 5; do
        "$@" >"$work/apt.log" 2>&1 && return 0
        [ "$try" != 5 ] || { cat "$work/apt.log"; fail "$* failed"; }
        sleep 30
    done
}
# The newest version of a package the suites carry: apt's candidate.
candidate_of() { # package
    local candidate policy=(apt-cache "${apt_options[@]}" policy)
    [ -z "$build_root" ] || policy=(in_build_root apt-cache policy)
    "${policy[@]}" "$1" >"$work/policy"
    candidate=$(sed -n 's/^  Candidate: //p' "$work/policy")
    { [ -n "$candidate" ] && [ "$candidate" != "(none)" ]; } || fail "no suite carries $1"
    echo "$candidate"
}
# Fails when the suites carry a package newer than the version to be embedded
# (by default, the one installed).
newest() { # package [version]
    local candidate version=${2:-}
    # shellcheck disable=SC2016 # dpkg-query's field
    [ -n "$version" ] || version=$("${sys[@]}" dpkg-query -W -f '${Version}' "$1")
    candidate=$(candidate_of "$1")
    dpkg --compare-versions "$version" ge "$candidate" ||
        fail "the suites carry $1 $candidate, newer than the $version the release would embed: upgrade first"
}
# The build root of the later release: a fresh root from this machine's
# mirror, with that release's suites matching this machine's, and in it the
# cross compilers and C libraries of the architectures built there, and the
# tools their builds and tests run.  An unprivileged build takes the root a
# release made: QUOTA_REPORT_BUILD_ROOTS names the folder that holds it.
make_build_root() {
    local packages=(cmake make ninja-build strace qemu-user-static) name triplet mirror
    [ "$EUID" = 0 ] || fail "no build root of Debian $origin in ${later_root%/*}: making one needs root"
    mirror=$(head -n 1 "$work/mirrors")
    debootstrap --variant=minbase "$origin" "$build_root" "$mirror" >"$work/build-root.log" 2>&1 ||
        { tail -n 20 "$work/build-root.log"; fail "debootstrap $origin failed"; }
    sed 's/^\[[^]]*\] //' "$work/suites" | awk -v from="$machine_release" -v to="$origin" \
        '{ sub("^" from, to, $2); print "deb " $0; $0 = "deb-src " $0; print }' >"$build_root/etc/apt/sources.list"
    awk -v release="$origin" '$6 == release { print $1, $4 }' "$work/architectures" >"$work/built-there"
    while read -r name triplet; do
        in_build_root dpkg --add-architecture "$name"
        packages+=("g++-$triplet" "libc6-dev:$name")
    done <"$work/built-there"
    retried in_build_root apt-get --error-on=any -qq update
    in_build_root apt-get install -qq -y --no-install-recommends "${packages[@]}" >>"$work/build-root.log" 2>&1 ||
        { tail -n 20 "$work/build-root.log"; fail "the build root's tools do not install"; }
}

# The compiler's own list of header folders, with those of the chosen
# libc6-dev (under PREFIX) before the toolchain's, which keeps the kernel's;
# without it, libstdc++'s include_next would find the toolchain's.  A list
# without the toolchain's would build against its C library's headers.
headers() { # compiler language prefix
    local folder flags=
    "${sys[@]}" "$1" -x "$2" -E -v /dev/null 2>&1 >/dev/null | sed -n '/^#include <...> search starts here:$/,/^End/{//!p}' |
        "${sys[@]}" xargs realpath >"$work/search"
    while read -r folder; do
        if [ "$folder" = "/usr/$triplet/include" ]; then
            echo "$flags-isystem $3/usr/include/$multiarch -isystem $3/usr/include -isystem $folder"
            return 0
        fi
        flags+="-isystem $folder "
    done <"$work/search"
    fail "$arch: $1 does not search /usr/$triplet/include, before which its C library's headers go"
}

# One architecture built by the plain CMake build (the release build, with
# the static program), here or in the build root, against the libc6-dev of
# its release where it is foreign; its tests run (under qemu where foreign)
# unless only the files are made; installed into its stage, and into the
# .deb's with the documentation folder named after the Debian package.
build_arch() {
    step "$arch: built, tested and installed"
    local libc_a='' fetched multiarch prefix component cxx_flags c_flags configure=(-D CMAKE_CXX_COMPILER=g++ -D CMAKE_C_COMPILER=gcc)
    [ "$emulator" = - ] || configure=(--toolchain "$here/cross.cmake" -D "QUOTA_REPORT_ARCH=$arch")
    if [ -n "$build_root" ]; then
        libc_a=$(in_build_root dpkg-query -L "libc6-dev:$arch" | grep '/libc\.a$')
    elif [ "$emulator" != - ]; then
        read -r fetched <"$work/libc.$arch.fetched"
        dpkg-deb -x "$fetched" "$work/libc/$arch"
        libc_a=$(echo "$work/libc/$arch"/usr/lib/*/libc.a)
    fi
    if [ -n "$libc_a" ]; then
        # Its folders are named after Debian's triplet (i386-linux-gnu, not i686).
        multiarch=${libc_a%/libc.a} prefix=${libc_a%/usr/lib/*}
        multiarch=${multiarch##*/}
        cxx_flags=$(headers "$triplet-g++" c++ "$prefix")
        c_flags=$(headers "$triplet-gcc" c "$prefix")
        configure+=(-D "CMAKE_CXX_FLAGS=-nostdinc $cxx_flags" -D "CMAKE_C_FLAGS=-nostdinc $c_flags"
            -D "QUOTA_REPORT_LIBC=${libc_a%/*}")
    fi
    printf '%s' "$libc_a" >"$work/libc.$arch"
    "${sys[@]}" cmake -S . -B "$build" "${configure[@]}" -D CMAKE_BUILD_TYPE=Release -D CMAKE_COMPILE_WARNING_AS_ERROR=ON \
        -D QUOTA_REPORT_PORTABLE=ON -D CMAKE_INSTALL_PREFIX=/usr -D CMAKE_EXPORT_COMPILE_COMMANDS=ON >"$work/$arch.log"
    "${sys[@]}" cmake --build "$build" >>"$work/$arch.log"
    [ "$mode" = files-only ] || judge ctest "${sys[@]}" ctest --test-dir "$build" -j 2 --output-on-failure
    for component in portable manual doc; do
        "${sys[@]}" env DESTDIR="$stage_dir" cmake --install "$build" --component $component >/dev/null
    done
    "${sys[@]}" cmake "$build" -D CMAKE_INSTALL_DOCDIR=share/doc/quota-report >/dev/null
    for component in manual doc; do
        "${sys[@]}" env DESTDIR="$work/deb/$arch" cmake --install "$build" --component $component >/dev/null
    done
    "${sys[@]}" cmake "$build" -U CMAKE_INSTALL_DOCDIR >/dev/null
    "${sys[@]}" "$triplet-strip" --remove-section=.comment --remove-section=.note "$stage_dir/usr/bin/quota_report"
    cp -a "$stage_dir/usr/bin" "$work/deb/$arch/usr/"
    find "$stage_dir" "$work/deb/$arch" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# What the program embeds, from the linker's map: every file it loaded from
# outside the build comes from the C library's folder or GCC's, and its libc.a
# is the one chosen; the banner names that C library's version; libgcc is
# GCC's.  Then the notices that come with that code.
embedded_code() {
    local libc_a fetched linked copyright libgcc gcc_folder gcc_package glibc_version source distro
    libc_a=$(cat "$work/libc.$arch")
    [ -n "$libc_a" ] || libc_a=$("$triplet-g++" -print-file-name=libc.a)
    libc_a=$("${sys[@]}" realpath "$libc_a")
    if [[ $libc_a == "$work/libc/"* ]]; then
        read -r fetched <"$work/libc.$arch.fetched"
        linked=$(dpkg-deb -f "$fetched" Version)
        glibc_package=libc6-dev:$arch copyright=$work/libc/$arch/usr/share/doc/libc6-dev/copyright
    else
        glibc_package=$(package_of "$libc_a")
        source=$(source_of "$libc_a" glibc)
        linked=${source#* } copyright=/usr/share/doc/${glibc_package%:*}/copyright
    fi
    libgcc=$("${sys[@]}" "$triplet-g++" -print-libgcc-file-name)
    gcc_package=$(package_of "$libgcc")
    source=$(source_of "$libgcc" 'gcc-[0-9]+')
    gcc_source=${source% *} gcc_version=${source#* } gcc_folder=$("${sys[@]}" realpath "${libgcc%/*}")
    sed -n 's|^LOAD \(/.*\)|\1|p' "$build/portable/quota_report.map" | "${sys[@]}" xargs realpath | sort -u >"$work/loaded"
    { grep -qx "$libc_a" "$work/loaded" && ! grep -v -e "^${libc_a%/*}/" -e "^$gcc_folder/" "$work/loaded"; } ||
        fail "$arch: the link loaded C library files from elsewhere than ${libc_a%/*}"
    glibc_version=$(banner_of "$stage_dir/usr/bin/quota_report")
    [ "$glibc_version" = "$linked" ] ||
        fail "$arch: the program's banner names glibc '$glibc_version', its C library's $glibc_package $linked"
    distro=debian-$(os_release VERSION_ID "$build_root")
    echo "$glibc_version $gcc_source $gcc_version $glibc_package $distro" >"$work/embedded.$arch"
    mkdir -p "$notices"
    cp LICENSE /usr/share/common-licenses/LGPL-2.1 /usr/share/common-licenses/GPL-3 "$notices/"
    # A file of the build root is read there, where its links lead.
    "${sys[@]}" cat "$copyright" >"$notices/glibc.copyright"
    "${sys[@]}" cat "/usr/share/doc/${gcc_package%:*}/copyright" |
        sed -n '/^ *GCC RUNTIME LIBRARY EXCEPTION/,/requirements of the license of GCC\.$/p' >"$notices/GCC-exception-3.1"
    [ -s "$notices/GCC-exception-3.1" ] || fail "no GCC Runtime Library Exception in $gcc_package's copyright"
    export glibc_version gcc_source gcc_version processor
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
# by apt-get source, in the system whose suites carry it, which checks each
# file against the archive's signed index.  A file of it that the archive
# answers is not found (and that alone) is named on its version in the SPDX
# document, and the notices carry the written offer for it.
fetch_c_library_sources() {
    step "the C libraries' sources, the SPDX document, the build record and SHA256SUMS"
    local entry glibc sum file apt=(apt-get "${apt_options[@]}")
    missing=()
    : >"$work/glibc.versions"
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        read -r glibc _ <"$work/embedded.$arch"
        ! grep -qxF "$glibc" "$work/glibc.versions" || continue
        echo "$glibc" >>"$work/glibc.versions"
        [ -z "$build_root" ] || apt=(in_build_root apt-get -o APT::Sandbox::User=root -o Debug::NoLocking=1)
        mkdir -p "$work/uris"
        (cd "$work/uris" && "${apt[@]}" -qq --print-uris source "glibc=$glibc") | awk '{ print $4, $3, $2 }' |
            sed 's/^SHA256://' >"$work/source.$glibc"
        [ -s "$work/source.$glibc" ] || fail "glibc $glibc: no suite carries its source"
        (cd "$files" && "${apt[@]}" -qq source --download-only "glibc=$glibc") >"$work/apt.log" 2>&1 ||
            ! grep '^E: ' "$work/apt.log" | grep -vE '^E: Failed to fetch (.* 404 +Not Found( \[.*\])?|some archives\.)$' ||
            { cat "$work/apt.log"; fail "glibc $glibc: apt-get source failed"; }
        sed -n 's|^E: Failed to fetch .*/\([^/ ]*\) *404 *Not Found.*|\1|p' "$work/apt.log" |
            sed 's/%2[bB]/+/g; s/%7[eE]/~/g' >"$work/unserved"
        while read -r sum _ file; do
            if grep -qxF "$file" "$work/unserved"; then
                rm -f "$files/$file"
                missing+=("$glibc $file")
                echo "   glibc $glibc: $file is not served by the archive; the written offer covers it"
            else
                echo "$sum  $files/$file" | sha256sum -c --quiet - || fail "glibc $glibc: $file is not the signed index's"
            fi
        done <"$work/source.$glibc"
    done
}

# The SPDX document: the source files as reuse knows them; the source release
# and each release file with its checksum and the Debian source packages its
# program embeds; those packages, and the files of the C library's sources.
# Then the same as a CycloneDX JSON document.
write_spdx() {
    local entry glibc gcc_source gcc_version file purpose created source source_version distro licence
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
        sort -u "$work"/embedded.* | while read -r glibc gcc_source gcc_version _ distro; do
            echo "glibc $glibc $distro LGPL-2.1-or-later"
            echo "$gcc_source $gcc_version $distro GPL-3.0-or-later WITH GCC-exception-3.1"
        done | sort -u | while read -r source source_version distro licence; do
            spdx_source "$source" "$source_version" "$distro" "$licence"
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
# purl with the Debian release that carries it (and glibc's CPE name, which
# advisories use), the files of its source in the release folder and those
# missing.
spdx_source() { # name version distro licence
    local quoted=${2//:/%3A} file entry
    quoted=${quoted//+/%2B}
    spdx_id "$1-$2"
    spdx_package "PackageName: $1" "SPDXID: $id" "PackageVersion: $2" \
        "PackageSupplier: Organization: Debian" "PackageDownloadLocation: https://snapshot.debian.org/package/$1/$quoted/" \
        "PackageLicenseConcluded: NOASSERTION" "PackageLicenseDeclared: $4"
    echo "ExternalRef: PACKAGE-MANAGER purl pkg:deb/debian/$1@$quoted?arch=source&distro=$3"
    [ "$1" != glibc ] || echo "ExternalRef: SECURITY cpe23Type cpe:2.3:a:gnu:glibc:${2%-*}:*:*:*:*:*:*:*"
    while read -r file; do
        case $file in "${1}_$2.dsc" | "${1}_$2".debian.* | "${1}_${2%-*}".orig.*)
            relate "$file" GENERATES "$1-$2" ;;
        esac
    done <"$work/names"
    for entry in "${missing[@]}"; do
        [ "$1 ${entry% *}" != "glibc $2" ] ||
            echo "PackageComment: <text>${entry#* } is not in the release folder: the archive does not serve it, and the notices of the programs that embed it carry the written offer for it.</text>"
    done
}

# The build record, as deb-buildinfo(5) gives it: the release files made
# before it with their checksums (not SHA256SUMS, the signatures and the
# key, made after it); in Installed-Build-Depends the exact version of every
# installed package whose files made them; in Fetched-Build-Depends the C
# libraries fetched for the static programs, which are not installed; and,
# in fields of their own, the build root's release and the packages there
# whose files made the programs built in it.
write_buildinfo() {
    local names origin_name origin_version native file
    build_packages "" >"$work/build-packages"
    : >"$work/build-root-packages"
    [ -z "$later_release" ] || build_packages "$later_root" >"$work/build-root-packages"
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
        if [ -s "$work/build-root-packages" ]; then
            origin_name=$(os_release NAME "$later_root")
            origin_version=$(os_release VERSION_ID "$later_root")
            printf '%s\n' "Build-Root-Origin: $origin_name $origin_version" "Build-Root-Depends:"
            sed 's/^/ /; $!s/$/,/' "$work/build-root-packages"
        fi
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
# The installed packages, here or in the build root, whose files made the
# release files: here those the commands that made them opened or ran; for
# the compiled programs each toolchain's compilers, linker, libraries and
# kernel headers, with the shared libraries they load; each once, with its
# version.
build_packages() { # build root, or nothing for this machine
    local entry
    {
        [ -n "$1" ] || traced_files "$work"/opened*
        for entry in "${architectures[@]}"; do
            use_arch "$entry"
            [ "$build_root" != "$1" ] || toolchain_files
        done
    } | packages_of "$1"
}
toolchain_files() {
    local file libc_a
    for file in "$triplet-g++" "$triplet-gcc" "$triplet-strip" "$("${sys[@]}" "$triplet-g++" -print-prog-name=cc1plus)" \
        "$("${sys[@]}" "$triplet-g++" -print-prog-name=ld)"; do
        # shellcheck disable=SC2016 # the inner shell's variable
        file=$("${sys[@]}" sh -c 'command -v "$1"' - "$file")
        echo "$file"
        "${sys[@]}" ldd "$file" | grep -o '/[^ ]*\.so[^ ]*'
    done
    "${sys[@]}" "$triplet-g++" -print-libgcc-file-name
    "${sys[@]}" "$triplet-g++" -print-file-name=libstdc++.a
    echo '#include <linux/version.h>' | "${sys[@]}" "$triplet-gcc" -M -x c - | grep -o '/[^ ]*linux/version.h'
    libc_a=$(cat "$work/libc.$arch")
    [ -n "$libc_a" ] || libc_a=$("$triplet-g++" -print-file-name=libc.a)
    [[ $libc_a == "$work/"* ]] || echo "$libc_a"
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
