# shellcheck shell=bash
# The stages that check the release files.
# shellcheck source-path=SCRIPTDIR source=make.sh
source "$(dirname "${BASH_SOURCE[0]}")/make.sh"

# The reference every program is held against: the dynamic program of the
# native build, on the sample listing.
check_reference() {
    use_native_arch
    reference=$build/quota_report
    "$reference" "$sample" >"$work/sample.report"
    grep -q '^home' "$work/sample.report" || fail "the reference program's report of the sample is empty"
}

# SHA256SUMS lists every file a release has and matches each; a file of the
# C library's source that is missing is named as missing in the SPDX document,
# which names every release file.
check_sums() {
    step "SHA256SUMS lists every release file of every architecture"
    local expected=("$source_release" "$source_rpm" "$spdx" "$sbom" "$buildinfo") entry glibc file
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        expected+=("$deb" "$tarball" ${rpm:+"$rpm"})
    done
    while read -r glibc; do
        while read -r _ _ file; do
            if [ -f "$files/$file" ]; then
                expected+=("$file")
            else
                grep -q "^PackageComment: <text>$file is not in the release folder" "$files/$spdx" ||
                    fail "$file is neither in the release folder nor named as missing"
            fi
        done <"$work/source.$glibc"
    done <"$work/glibc.versions"
    (cd "$files" && sha256sum -c --quiet SHA256SUMS)
    printf '%s\n' "${expected[@]}" | sort -u >"$work/expected"
    cut -c67- "$files/SHA256SUMS" | diff "$work/expected" - ||
        fail "SHA256SUMS does not list the release files of every architecture"
    (cd "$files" && ls) | grep -vx "$spdx" >"$work/published"
    while read -r file; do
        grep -qxF "PackageFileName: $file" "$files/$spdx" || fail "the SPDX document does not list $file"
    done <"$work/published"
}

# The build record as Debian's tools read it (python3-debian): its source and
# version; every installed package, here and in the build root, at the
# version dpkg has there; every fetched C library one that was fetched; every
# release file made before it with its size and three checksums, and no
# other file.
check_buildinfo() {
    step "the build record, as python3-debian reads it"
    local kind first second third installed program
    /usr/bin/python3 "$here/buildinfo.py" "$files/$buildinfo" >"$work/record"
    grep -qx "source quota-report $version" "$work/record" || fail "the build record's Source or Version"
    while read -r kind first second third; do
        case $kind in
        installed)
            installed=$(dpkg-query -W -f '${Version}' "$first")
            [ "$installed" = "$second" ] || fail "the build record has $first $second, dpkg $installed"
            ;;
        root)
            installed=$(dpkg-query --admindir="$later_root/var/lib/dpkg" -W -f '${Version}' "$first")
            [ "$installed" = "$second" ] || fail "the build record has $first $second, the build root's dpkg $installed"
            ;;
        fetched)
            [ -f "$work/libc/${first%:*}_${second}_${first#*:}.deb" ] || fail "the build record has $first $second, never fetched"
            ;;
        *sum)
            echo "$first  $third" >>"$work/listed.$kind"
            stat -c %s "$files/$third" | grep -x "$second" >/dev/null || fail "the build record's size of $third"
            ;;
        esac
    done <"$work/record"
    (cd "$files" && printf '%s\n' *) | grep -vxE "$buildinfo|SHA256SUMS|.*\.asc|quota_report-signing-key\.gpg" >"$work/made"
    for program in md5sum sha1sum sha256sum; do
        (cd "$files" && "$program" -c --quiet) <"$work/listed.$program" || fail "the build record's $program checksums"
        cut -d' ' -f3- "$work/listed.$program" | diff "$work/made" - || fail "the build record's $program list of files"
    done
}

# The key files hold one key, the signing key, in both forms.  Each signature
# verifies with gpgv, and fails on its file with one byte changed; every
# .rpm is signed with that key, as rpm -K says once the key is imported.
# Later checks run rpm and rpmlint keyed, as a site that imported the key.
# Then, for README's recipe, a forged folder: SHA256SUMS altered and signed
# by a second key, put into the keyring beside the first.
keyed() { HOME=$work/rpm-home "$@"; }

check_signatures() {
    step "the signatures, checked with gpgv and rpm as a site checks them"
    local file keyring=$files/quota_report-signing-key.gpg forger
    gpg --batch --with-colons --show-keys "$files/quota_report-signing-key.asc" >"$work/keys"
    gpg --batch --with-colons --show-keys "$keyring" | cmp -s "$work/keys" - || fail "the key files hold other keys"
    { grep -c '^pub:' "$work/keys" | grep -x 1 >/dev/null && grep -qx "fpr:::::::::$signing_key:" "$work/keys"; } ||
        fail "the key files hold another key than $signing_key, or more than one"
    for file in SHA256SUMS "$source_release" "$buildinfo"; do
        judge gpgv gpgv --keyring "$keyring" "$files/$file.asc" "$files/$file"
        cp "$files/$file" "$work/changed"
        perl -e 'open(F, "+<", $ARGV[0]) or die; seek(F, 100, 0); read(F, $b, 1); seek(F, 100, 0); print F chr(ord($b) ^ 1)' \
            "$work/changed"
        { ! gpgv --keyring "$keyring" "$files/$file.asc" "$work/changed" >"$work/bad" 2>&1 &&
            grep -q '^gpgv: BAD signature from ' "$work/bad"; } || fail "$file.asc verifies a $file with a byte changed"
    done
    mkdir "$work/rpm-home"
    printf '%%_dbpath %s\n' "$work/rpm-home/rpmdb" >"$work/rpm-home/.rpmmacros"
    keyed rpmkeys --import "$files/quota_report-signing-key.asc"
    keyed judge rpmkeys rpmkeys -K "$files"/*.rpm
    forger=$(mktemp -d /tmp/qr-forger.XXXXXX)
    cleanups+=("gpgconf --homedir '$forger' --kill gpg-agent; rm -rf '$forger'")
    gpg --homedir "$forger" --batch --quiet --passphrase '' --quick-generate-key "forger <forger@invalid>" ed25519 sign 1d
    mkdir "$work/forged"
    cp "$files"/* "$work/forged/"
    gpg --homedir "$forger" --batch --export >>"$work/forged/quota_report-signing-key.gpg"
    echo forged >>"$work/forged/$source_release"
    (cd "$work/forged" && cut -c67- SHA256SUMS | xargs sha256sum -- >"$work/forged.sums" && mv "$work/forged.sums" SHA256SUMS)
    gpg --homedir "$forger" --batch --quiet --yes --armor --detach-sign --output "$work/forged/SHA256SUMS.asc" \
        "$work/forged/SHA256SUMS"
    judge gpgv gpgv --keyring "$work/forged/quota_report-signing-key.gpg" "$work/forged/SHA256SUMS.asc" "$work/forged/SHA256SUMS"
}

# The program of a release file: its help text and the sample's report as the
# reference gives them, natively or under the emulator; its version and C
# library banner; linked statically and hardened, as its own compile lines
# and objects say.
check_program() { # program glibc
    local run=() build=$work/build/$arch
    [ "$emulator" = - ] || run=("$emulator")
    { "${run[@]}" "$1" -h 2>"$work/help" && head -n 1 "$work/help" | grep '^Usage: .*quota_report \[-rwbnfh\]' >/dev/null; } ||
        fail "$arch: -h does not print the help text"
    "${run[@]}" "$1" "$sample" | cmp -s - "$work/sample.report" || fail "$arch: the sample's report differs"
    strings -a "$1" | grep -x "quota_report $version" >/dev/null || fail "$arch: no version $version in the program"
    banner_of "$1" | grep -x "$2" >/dev/null || fail "$arch: its banner does not name glibc $2"
    file -b "$1" | grep -F "for GNU/Linux $kernel.0," >/dev/null || fail "$arch: the program does not run from Linux $kernel"
    readelf -dhlW "$1" >"$work/elf"
    ! grep -qE 'INTERP|\(NEEDED\)' "$work/elf" || fail "$arch: the program needs an interpreter or shared libraries"
    "${sys[@]}" "$triplet-nm" "$build/portable/quota_report" >"$work/nm"
    # glibc 2.41 keeps __fprintf_chk local, behind ___fprintf_chk.
    { grep -q ' T __stack_chk_fail$' "$work/nm" && grep -qE ' [Tt] __fprintf_chk$' "$work/nm"; } ||
        fail "$arch: no stack protector or fortified functions"
    if grep -q 'Type: *DYN' "$work/elf"; then
        { grep -q 'FLAGS_1.*PIE' "$work/elf" && grep -q GNU_RELRO "$work/elf" && grep -q 'FLAGS.*BIND_NOW' "$work/elf"; } ||
            fail "$arch: a static-pie program without read-only relocations and immediate binding"
        judge hardening hardening-check --nostackprotector --nofortify --nobindnow --nocfprotection "$1"
    else
        judge hardening hardening-check --nopie --nostackprotector --nofortify --nobindnow --nocfprotection "$1"
    fi
    # Every object is compiled with stack clash protection.
    perl -MJSON::PP -e 'local $/; for (@{decode_json(<STDIN>)}) { my ($o) = $_->{command} =~ / -o (\S+)/;
        print "$_->{directory}/$o\t$_->{command}\n" if $_->{file} =~ m{/(cli|listing)/[^/]+$} }' \
        <"$build/compile_commands.json" >"$work/compiled"
    { [ -s "$work/compiled" ] && ! grep -v -- '-fstack-clash-protection' "$work/compiled"; } ||
        fail "$arch: no compile line of cli/ or listing/, or one without -fstack-clash-protection"
    protected_by -fcf-protection 'x86 feature: IBT, SHSTK'
    protected_by -mbranch-protection=standard 'AArch64 feature: BTI, PAC'
}
# Where the architecture's compiler accepts a protection flag (x86's
# control-flow protection, ARM's branch protection), whatever the build
# found, every object is compiled with it and carries its mark.
protected_by() { # flag mark
    "${sys[@]}" "$triplet-g++" -Werror "$1" -x c++ -c -o /dev/null /dev/null 2>/dev/null || return 0
    ! grep -v -- "$1" "$work/compiled" || fail "$arch: a compile line of cli/ or listing/ without $1"
    cut -f1 "$work/compiled" | xargs readelf -n | awk -v mark="$2" 'index($0, mark) { n++ } END { print n + 0 }' >"$work/marked"
    wc -l <"$work/compiled" | cmp -s - "$work/marked" || fail "$arch: not every object has the mark $2"
}

# A release file's copies of the stage's files, byte for byte: the program,
# README, NEWS and the sample; and its manual page, which names the sample
# where this package keeps it.
same_as_stage() { # what unpacked-prefix documentation-folder
    local file
    cmp -s "$stage_dir/usr/bin/quota_report" "$2/bin/quota_report" || fail "$1: its program is not the one built and tested"
    for file in README.md NEWS.md examples/listing.txt; do
        cmp -s "$stage_dir/usr/share/doc/quota_report/$file" "$2/$3/$file" || fail "$1: its $file is not the stage's"
    done
    zcat "$2/share/man/man1/quota_report.1.gz" >"$work/page"
    grep -m 1 -o '/usr/share/doc/[^/]*/examples/listing.txt' "$work/page" |
        grep -qx "/usr/$3/examples/listing.txt" || fail "$1: its manual page names another sample first"
}

# The SPDX document lists a release file with its checksum and the code it
# embeds, by the names of that code's packages there.
in_spdx() { # file [package...]
    local sum package relationship
    sum=$(sha "$1")
    grep -A 7 "^PackageFileName: $1$" "$files/$spdx" | grep -x "PackageChecksum: SHA256: $sum" >/dev/null ||
        fail "the SPDX document does not list $1 with its checksum"
    for package in "${@:2}"; do
        relationship=$(relate "$1" CONTAINS "$package")
        grep -qxF "$relationship" "$files/$spdx" || fail "the SPDX document does not say $1 holds $package"
    done
}
# Fails on a listing of entries (ls -l's columns) any of which has other owners.
owned_by() { # owners
    awk -v owners="$1" '$2 != owners { print; bad = 1 } END { exit bad }'
}

# The .deb: its fields, its entries root's, the stage's files, its changelog,
# override and notices, each copyright paragraph's files in it; lintian.
check_deb() { # glibc
    local unpacked=$work/unpacked/$arch.deb pattern
    local docs=$unpacked/usr/share/doc/quota-report
    printf '%s\n' "Architecture: $arch" "Built-Using: glibc (= $1)" "Homepage: $homepage" "Maintainer: $maintainer" \
        >"$work/fields"
    dpkg-deb -f "$files/$deb" Architecture Built-Using Maintainer Homepage Depends | sort | diff "$work/fields" - ||
        fail "$deb: its Architecture, Built-Using, Maintainer or Homepage, or it depends on something"
    dpkg-deb -c "$files/$deb" | owned_by root/root || fail "$deb: entries not owned by root"
    in_spdx "$deb" "${embedded[@]}"
    # lintian counts an error it shows overridden in its status: the allow-list
    # judges every tag.
    judge lintian lintian --fail-on none -I --show-overrides --tag-display-limit 0 "$files/$deb"
    dpkg-deb -x "$files/$deb" "$unpacked"
    same_as_stage "$deb" "$unpacked/usr" share/doc/quota-report
    { [ -f "$docs/changelog.gz" ] && [ -f "$unpacked/usr/share/lintian/overrides/quota-report" ]; } ||
        fail "$deb lacks its changelog or lintian override"
    sed -n 's/^Files: //p' "$docs/copyright" >"$work/patterns"
    while read -r pattern; do
        (cd "$unpacked" && compgen -G "$pattern" >/dev/null) || fail "$deb: its copyright file names no file: $pattern"
    done <"$work/patterns"
    for pattern in '^License: ISC$' '^License: LGPL-2.1+$' '^Files: usr/bin/quota_report$' \
        '^License: ISC and LGPL-2.1+ and GPL-3+ with GCC-exception-3.1 exception$' \
        '^License: GPL-3+ with GCC-exception-3.1 exception$' "source package glibc $1 (LGPL-2.1+)\$" \
        '/usr/share/common-licenses/LGPL-2.1\.' '/usr/share/common-licenses/GPL-3\.' \
        'GCC RUNTIME LIBRARY EXCEPTION' 'written offer of section 6(c)'; do
        grep -q "$pattern" "$docs/copyright" || fail "$deb: its copyright file lacks $pattern"
    done
}

# The .rpm: its fields, not relocatable, requiring only rpmlib features, files
# root's, the notices as %license, the stage's files; rpmlint.
check_rpm() { # glibc libgcc
    local unpacked=$work/unpacked/$arch.rpm file
    keyed rpm -qp --qf '%{ARCH} %{VERSION} %{PAYLOADCOMPRESSOR}|%{LICENSE}|%{URL}|%{PACKAGER}|[%{PREFIXES}]\n' "$files/$rpm" |
        grep -qxF "$rpm_arch $version xz|$static_licence|$homepage|$maintainer|" ||
        fail "$rpm: its Arch, Version, payload, License, URL or Packager, or it is relocatable"
    printf '%s\n' "bundled(glibc) = $1" "bundled(libgcc) = $2" >"$work/bundled"
    keyed rpm -qp --provides "$files/$rpm" | sed -n '/^bundled(/p' | sort | cmp -s "$work/bundled" - ||
        fail "$rpm does not provide bundled(glibc) = $1 and bundled(libgcc) = $2 alone"
    keyed rpm -qp --requires "$files/$rpm" >"$work/requires"
    ! grep -v '^rpmlib(' "$work/requires" || fail "$rpm requires more than rpmlib features"
    keyed rpm -qp --qf '[%{FILEUSERNAME}:%{FILEGROUPNAME}\n]' "$files/$rpm" >"$work/file.owners"
    { [ -s "$work/file.owners" ] && ! grep -vx root:root "$work/file.owners"; } || fail "$rpm: files not owned by root"
    for file in LICENSE NOTICE glibc.copyright LGPL-2.1 GPL-3 GCC-exception-3.1; do
        keyed rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$files/$rpm" |
            grep -qx "l /usr/share/licenses/quota_report/$file" || fail "$rpm does not carry $file as %license"
    done
    in_spdx "$rpm" "${embedded[@]}"
    keyed judge "rpmlint rpmlint.static" rpmlint -P "$files/$rpm"
    mkdir -p "$unpacked"
    rpm2cpio "$files/$rpm" | (cd "$unpacked" && cpio -idm --quiet)
    same_as_stage "$rpm" "$unpacked/usr" share/doc/quota_report
    cmp -s "$unpacked/usr/share/licenses/quota_report/NOTICE" "$notices/NOTICE" || fail "$rpm: its NOTICE"
}

# The tarball: one top folder, entries 0:0, the stage's files and the notices.
check_tarball() { # glibc
    local unpacked=$work/unpacked/$arch.tar file
    tar --numeric-owner -tvzf "$files/$tarball" | owned_by 0/0 || fail "$tarball: entries not owned by 0:0"
    in_spdx "$tarball" "${embedded[@]}"
    mkdir -p "$unpacked"
    tar -xzf "$files/$tarball" -C "$unpacked"
    ! printf '%s\n' "$unpacked"/* | grep -vx "$unpacked/${tarball%.tar.gz}" || fail "$tarball: more than one top folder"
    same_as_stage "$tarball" "$unpacked/${tarball%.tar.gz}" share/doc/quota_report
    for file in LICENSE NOTICE glibc.copyright LGPL-2.1 GPL-3 GCC-exception-3.1; do
        cmp -s "$unpacked/${tarball%.tar.gz}/share/doc/quota_report/$file" "$notices/$file" || fail "$tarball: its $file"
    done
}

# Each architecture's files, after what its program embeds is told in its
# notices and in the build record.
check_arch() {
    local glibc gcc_source libgcc has=" no" glibc_package kind=installed embedded
    [ -z "$rpm" ] || has=
    step "$arch: its program, .deb,$has .rpm and tarball"
    read -r glibc gcc_source libgcc glibc_package _ <"$work/embedded.$arch"
    # What each of its files embeds, as the SPDX document names it.
    embedded=("glibc-$glibc" "$gcc_source-$libgcc")
    { grep -q "^  glibc $glibc,\$" "$notices/NOTICE" && grep -q "written offer of section 6(c)" "$notices/NOTICE"; } ||
        fail "$arch: its NOTICE does not name glibc $glibc and the written offer"
    # As python3-debian reads the record: installed here, fetched, or
    # installed in the build root.
    [ "$emulator" = - ] || kind=fetched
    [ -z "$build_root" ] || kind=root
    grep -qxF "$kind $glibc_package $glibc" "$work/record" ||
        fail "$arch: the build record does not name $glibc_package $glibc as $kind"
    check_program "$stage_dir/usr/bin/quota_report" "$glibc"
    check_deb "$glibc"
    [ -z "$rpm" ] || check_rpm "$glibc" "$libgcc"
    check_tarball "$glibc"
}

# The programs beyond the sample: the dynamic reference hardened, the native
# static program in a root that holds nothing else, every foreign program
# under qemu giving the reference's output, errors and status for the usage
# line, the sample and an 8 MB listing under several switches, each .rpm
# installed into an empty root and removed, and cmake --install.
check_programs_beyond() {
    step "the programs beyond the sample"
    local entry switches listing empty=$work/empty-root
    judge hardening hardening-check --nocfprotection "$reference"
    use_native_arch
    mkdir "$empty"
    cp "$stage_dir/usr/bin/quota_report" "$sample" "$empty/"
    chroot "$empty" /quota_report /listing.txt | cmp -s - "$work/sample.report" || fail "$arch: the report in an empty root"
    "$work/build/$arch/generate_listing" 8 >"$work/generated.txt"
    [ -s "$work/generated.txt" ] || fail "generate_listing wrote no listing"
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        [ "$emulator" = - ] || same_as_reference -x
        for switches in "" -rbf -wn -rwbnf; do
            for listing in "$sample" "$work/generated.txt"; do
                [ "$emulator" = - ] || same_as_reference $switches "$listing"
            done
        done
        [ -z "$rpm" ] || install_rpm
    done
    use_native_arch
    cmake --install "$work/build/$arch" --prefix "$work/prefix" >/dev/null
    (cd "$work/prefix" && find . -type f | sort | paste -sd' ') >"$work/installed"
    { grep -qxF "./bin/quota_report ./share/doc/quota_report/NEWS.md ./share/doc/quota_report/README.md ./share/doc/quota_report/examples/listing.txt ./share/man/man1/quota_report.1.gz" "$work/installed" &&
        readelf -d "$work/prefix/bin/quota_report" | grep 'NEEDED.*libc' >/dev/null; } ||
        fail "cmake --install installs more or less than the dynamic program, the manual page, README, NEWS and the sample"
}
same_as_reference() { # arguments
    local native=0 foreign=0
    (exec -a quota_report "$reference" "$@") >"$work/native.out" 2>"$work/native.err" || native=$?
    "$emulator" -0 quota_report "$stage_dir/usr/bin/quota_report" "$@" >"$work/foreign.out" 2>"$work/foreign.err" ||
        foreign=$?
    { [ "$native" = "$foreign" ] && cmp -s "$work/native.out" "$work/foreign.out" &&
        cmp -s "$work/native.err" "$work/foreign.err"; } || fail "$arch under qemu differs from the reference: quota_report $*"
}
# Debian's rpm warns on standard error that it is not its package manager.
install_rpm() {
    local root=$work/rpm-root-$arch doc=/usr/share/doc/quota_report
    mkdir "$root"
    rpm --root "$root" --initdb 2>"$work/rpm.log"
    rpm --root "$root" --nodeps --ignorearch -i "$files/$rpm" 2>>"$work/rpm.log" || { cat "$work/rpm.log"; fail "$rpm does not install"; }
    if [ "$emulator" = - ]; then
        chroot "$root" /usr/bin/quota_report $doc/examples/listing.txt
    else
        "$emulator" "$root/usr/bin/quota_report" "$root$doc/examples/listing.txt"
    fi | cmp -s - "$work/sample.report" || fail "$rpm: the installed program's report differs"
    { rpm --root "$root" -V quota_report >"$work/verify" 2>&1 && [ ! -s "$work/verify" ]; } || { cat "$work/verify"; fail "$rpm: rpm -V"; }
    { rpm --root "$root" -e quota_report 2>"$work/rpm.log" && [ ! -e "$root/usr/bin/quota_report" ]; } ||
        { cat "$work/rpm.log"; fail "$rpm does not remove"; }
}

# The source release: the tracked files and the RPM recipe under one folder,
# its entries 0:0, each in the SPDX document with its checksum.
check_source_release() {
    step "the source release"
    tar --numeric-owner -tvzf "$files/$source_release" | owned_by 0/0 || fail "$source_release: entries not owned by 0:0"
    { git ls-files && echo "$recipe_name"; } | sort >"$work/tracked"
    tar -tzf "$files/$source_release" | grep -v '/$' | sed "s|^quota_report-$version/||" | sort | cmp -s "$work/tracked" - ||
        fail "$source_release is not the tracked files and the RPM recipe"
    mkdir -p "$work/unpacked/source"
    tar -xzf "$files/$source_release" -C "$work/unpacked/source" --strip-components 1
    awk '/^FileName: / { name = $2 } /^FileChecksum: SHA1: / { print $3 "  " name }' "$files/$spdx" >"$work/source.sha1"
    { (cd "$work/unpacked/source" && sha1sum -c --quiet "$work/source.sha1") &&
        cut -c43- "$work/source.sha1" | sed 's|^\./||' | sort | cmp -s "$work/tracked" -; } ||
        fail "the SPDX document does not list every file of $source_release with its checksum"
    mkdir "$work/unpacked/srpm"
    rpm2cpio "$files/$source_rpm" | (cd "$work/unpacked/srpm" && cpio -idm --quiet)
    { cmp -s "$files/$source_release" "$work/unpacked/srpm/$source_release" &&
        cmp -s "$work/$recipe_name" "$work/unpacked/srpm/$recipe_name" &&
        find "$work/unpacked/srpm" -type f | wc -l | grep -x 2 >/dev/null; } ||
        fail "$source_rpm holds other files than the source release and its recipe"
    in_spdx "$source_rpm"
    keyed judge "rpmlint rpmlint.source" rpmlint -P "$files/$source_rpm"
}

# Fresh Debian 11, 12 and 13 roots from this machine's own Debian mirror, made
# side by side while rpmbuild works: most of that time goes in waiting for
# the mirror.
start_roots() {
    local suite
    mirror=$(head -n 1 "$work/mirrors")
    roots=$work/roots
    mkdir -p "$roots"
    for suite in bullseye bookworm trixie; do
        debootstrap --variant=minbase --include=man-db "$suite" "$roots/$suite" "$mirror" >"$work/$suite.log" 2>&1 &
        cleanups+=("umount '$roots/$suite/dev/pts' '$roots/$suite/proc' 2>/dev/null")
    done
    cleanups+=("kill $(jobs -p | paste -sd' ') 2>/dev/null; wait")
}
wait_for_roots() {
    local suite
    for suite in bullseye bookworm trixie; do
        wait -n || { tail -n 20 "$work"/*.log; fail "debootstrap failed"; }
    done
}

# The source release as an RPM distribution builds it: every test run in
# %check, the dynamic program giving the sample's report, LICENSE as %license;
# rpmlint.
check_rpmbuild_ta() {
    step "rpmbuild -ta $source_release"
    local built installed=$work/rpmbuild/files/usr/bin/quota_report
    rpmbuild -ta --nodeps --define "_topdir $work/rpmbuild" "$files/$source_release" >"$work/rpmbuild.log" 2>&1 ||
        { tail -n 40 "$work/rpmbuild.log"; fail "rpmbuild -ta failed"; }
    ran_every_test "$work/rpmbuild.log"
    built=$(echo "$work/rpmbuild/RPMS/"*/quota_report-"$version"-1*.rpm)
    mkdir "$work/rpmbuild/files"
    rpm2cpio "$built" | (cd "$work/rpmbuild/files" && cpio -idm --quiet)
    { "$installed" "$work/rpmbuild/files/usr/share/doc/quota_report/examples/listing.txt" | cmp -s - "$work/sample.report" &&
        readelf -d "$installed" | grep 'NEEDED.*libc' >/dev/null; } || fail "the package of rpmbuild -ta: no dynamic program, or another report"
    keyed rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$built" | grep -E '^l /usr/share/licenses/quota_report[^/]*/LICENSE$' >/dev/null ||
        fail "rpmbuild -ta packaged no LICENSE as %license"
    judge "rpmlint rpmlint.dynamic" rpmlint -P "$built"
}

# piuparts on the native .deb in the fresh Debian 12: installed with apt,
# removed and purged with nothing left behind.
check_piuparts() {
    step "piuparts on the $arch .deb in a fresh Debian 12"
    judge piuparts piuparts --existing-chroot="$roots/bookworm" --distribution=bookworm --mirror="$mirror main" \
        --no-upgrade-test "$files/$deb"
    grep -q 'INFO: PASS: All tests\.$' "$work/judged" || fail "piuparts does not pass every test"
}

# README's command block that begins with the line starting with PREFIX,
# which must be there, and its first line.
readme_block() { # prefix
    awk -v prefix="    $1" 'index($0, prefix) == 1 { on = 1 } on && !/^    / { exit } on { print substr($0, 5) }' \
        README.md >"$work/block"
    [ -s "$work/block" ] || fail "README has no command beginning with $1"
    cat "$work/block"
}
readme_line() { # prefix
    local block
    block=$(readme_block "$1")
    echo "${block%%$'\n'*}"
}
# As root in the root, in /root, with a clean environment; apt answers yes
# for the administrator.
in_root() {
    chroot "$root" env -i -C /root PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LC_ALL=C \
        HOME=/root QUOTA_REPORT_NO_SKIP=1 "$@"
}
as_admin() { # commands
    in_root bash -euo pipefail -c "$1"
}

# README's commands, each as written, in order, as root in a fresh root: the
# native .deb installed with apt and its sample reported, man finding the
# page; the tarball run in place, unpacked into /usr/local keeping its
# folders and removed to the last file and folder it added, and into /opt/qr
# with man by MANPATH.
follow_readme() { # suite
    step "README followed as root on Debian $1"
    local log=$work/$1.readme.log command before after prefix
    root=$roots/$1
    mount -t proc proc "$root/proc"
    mount --bind /dev/pts "$root/dev/pts"
    echo 'APT::Get::Assume-Yes "true";' >"$root/etc/apt/apt.conf.d/90yes"
    cp "$files/$deb" "$files/$tarball" "$root/root/"
    cp "$sample" "$root/root/volumes.txt"
    command=$(readme_line "apt install ./$deb")
    as_admin "$command" >"$log" 2>&1 || { tail -n 20 "$log"; fail "$1: the install"; }
    command=$(readme_line 'quota_report /usr/share/doc/quota-report/')
    as_admin "$command" | cmp -s - "$work/sample.report" || fail "$1: the installed program's report of the installed sample"
    in_root man -w quota_report >/dev/null || fail "$1: man does not find the manual page"
    command=$(readme_block "tar -xzf $tarball" | sed -n 1,3p)
    as_admin "$command" | cmp -s - "$work/sample.report" || fail "$1: the unpacked tarball's report of its sample"
    command=$(readme_block "tar -xzf $tarball" | sed -n '1,2p;4p')
    as_admin "$command" | grep quota_report >/dev/null || fail "$1: man -l shows no page from the tarball"
    # As a site keeps them, where staff may install programs.
    chown root:staff "$root/usr/local" "$root/usr/local/bin" "$root/usr/local/share"
    chmod 2775 "$root/usr/local" "$root/usr/local/bin" "$root/usr/local/share"
    before=$(cd "$root" && stat -c '%n %a %U:%G' usr/local usr/local/bin usr/local/share usr/local/share/man)
    prefix=$(cd "$root/usr/local" && find . | sort)
    command=$(readme_block 'tar -C /usr/local ')
    as_admin "${command%%$'\n'*}"
    after=$(cd "$root" && stat -c '%n %a %U:%G' usr/local usr/local/bin usr/local/share usr/local/share/man)
    [ "$before" = "$after" ] || fail "$1: unpacking into /usr/local changed its folders: $before / $after"
    as_admin "/usr/local/bin/quota_report volumes.txt" | cmp -s - "$work/sample.report" ||
        fail "$1: the program unpacked into /usr/local gives another report"
    as_admin "${command#*$'\n'}"
    (cd "$root/usr/local" && find . | sort) | cmp -s - <(echo "$prefix") ||
        fail "$1: removing the tarball from /usr/local as README says leaves files or folders"
    command=$(readme_block 'mkdir -p /opt/qr')
    as_admin "$command" | grep quota_report >/dev/null || fail "$1: man does not find the manual page of /opt/qr by MANPATH"
    follow_readme_cron "$1"
}

# README's check of the release files, as written, in a fresh root that has
# gpgv, as apt needs, and no gpg: it passes on the release folder, and fails
# on the forged one, whose signature is good by the key file's second key.
check_readme_verification() { # suite
    step "README's check of the release files, with gpgv alone, on Debian $1"
    local log=$work/$1.verify.log command
    root=$roots/$1
    in_root sh -c '! command -v gpg' >/dev/null || fail "$1: the fresh root has gpg"
    command=$(readme_block 'fingerprint=FINGERPRINT')
    command=${command/FINGERPRINT/$signing_key}
    mkdir "$root/root/release" "$root/root/forged"
    cp "$files"/* "$root/root/release/"
    cp "$work/forged"/* "$root/root/forged/"
    as_admin "cd release && $command" >"$log" 2>&1 || { cat "$log"; fail "$1: README's check fails on the release files"; }
    ! as_admin "cd forged && $command" >>"$log" 2>&1 ||
        { cat "$log"; fail "$1: README's check passes a SHA256SUMS signed by another key of the key file"; }
    # gpgv itself takes the forgery for good: the pin alone refuses it.
    grep -q '^\[GNUPG:\] VALIDSIG ' "$root/root/forged/gpgv.status" ||
        { cat "$log"; fail "$1: gpgv refuses the forged SHA256SUMS, so README's pin is not what refused it"; }
}

# The CycloneDX document against its format's schema, with the validator
# Debian 13 carries.
check_sbom() { # suite
    step "the CycloneDX document, as Debian $1's python3-cyclonedx-lib checks it"
    root=$roots/$1
    as_admin "apt-get update -qq && apt-get install -y -q --no-install-recommends python3-cyclonedx-lib python3-jsonschema python3-referencing" \
        >"$work/$1.sbom.log" 2>&1 || { tail -n 20 "$work/$1.sbom.log"; fail "$1: python3-cyclonedx-lib does not install"; }
    cp "$here/sbom_check.py" "$files/$sbom" "$root/root/"
    judge sbom in_root python3 sbom_check.py "$sbom"
}

# README's crontab line, after another user has tried to plant links where
# root writes; then the package removed.
follow_readme_cron() { # suite
    local name command
    command=$(readme_line 'install -d -m 755 /var/lib/quota')
    as_admin "$command"
    printf '#!/bin/sh\ncat /root/volumes.txt\n' >"$root/usr/local/sbin/list_volumes"
    chmod 755 "$root/usr/local/sbin/list_volumes"
    echo keep >"$root/root/important"
    in_root useradd -M other
    # Each try is refused for want of permission, and for nothing else.
    : >"$work/planting"
    for name in volumes.txt report.tmp report.txt; do
        ! in_root setpriv --reuid=other --regid=other --clear-groups \
            ln -s /root/important "/var/lib/quota/$name" 2>>"$work/planting" ||
            fail "$1: another user planted a link in /var/lib/quota"
    done
    grep -c ": Permission denied\$" "$work/planting" | grep -x 3 >/dev/null ||
        { cat "$work/planting"; fail "$1: another user's links in /var/lib/quota failed for another reason"; }
    command=$(readme_line '15 6 * * * ' | cut -d' ' -f6-)
    in_root env -i PATH=/usr/bin:/bin HOME=/root SHELL=/bin/sh /bin/sh -c "$command" || fail "$1: the crontab line failed"
    { cmp -s "$root/var/lib/quota/report.txt" "$work/sample.report" && grep -qx keep "$root/root/important"; } ||
        fail "$1: the crontab line wrote another report, or through a link"
    in_root apt-get remove -y -q quota-report >>"$work/$1.readme.log" 2>&1 || fail "$1: the removal"
    [ ! -e "$root/usr/bin/quota_report" ] || fail "$1: the program is left after removal"
}

# The source release unpacked in the root, with README's build tools.
with_build_tools() { # suite [more packages]
    local command
    command=$(readme_line 'apt-get install cmake make g++')
    as_admin "apt-get update -qq && $command ${*:2}" >"$work/$1.build.log" 2>&1 ||
        { tail -n 20 "$work/$1.build.log"; fail "$1: README's apt-get line failed"; }
    tar -xzf "$files/$source_release" -C "$root/root"
}

# On Debian 11, whose CMake is older than the presets want, README's plain
# commands build the program and pass every test without a static C library,
# where a static build is refused at once.
check_plain_build() {
    step "the source release built on Debian 11 with its CMake and README's plain commands"
    local log=$work/bullseye.build.log libc command
    with_build_tools bullseye
    in_root cmake --version | grep -E '^cmake version 3\.(1[89]|2[0-4])\.' >/dev/null || fail "bullseye: its CMake reads the presets"
    libc=$(in_root g++ -print-file-name=libc.a)
    mv "$root$libc" "$root$libc.aside"
    command=$(readme_line 'cmake -S . -B build && ')
    as_admin "cd quota_report-$version && $command" >>"$log" 2>&1 ||
        { tail -n 40 "$log"; fail "bullseye: the plain build does not build or pass its tests without libc.a"; }
    ran_every_test "$log"
    { ! as_admin "cd quota_report-$version && cmake -S . -B static -D QUOTA_REPORT_PORTABLE=ON" >"$work/static.log" 2>&1 &&
        grep -q 'cannot link a static' "$work/static.log"; } ||
        { cat "$work/static.log"; fail "bullseye: a static build without libc.a is not refused at once"; }
    mv "$root$libc.aside" "$root$libc"
}

# On Debian 12, the source release built as Debian builds it, from
# packaging/debian as it is, with the changelog of NEWS.md and the copyright
# of LICENSE: every test passes in dh_auto_test; blhc judges the build log
# and lintian the package, which holds each document once.
check_debian_build() {
    step "the source release built on Debian 12 as Debian builds it"
    local log=$work/bookworm.build.log source=$root/root/quota_report-$version built documents
    with_build_tools bookworm debhelper
    cp -r "$source/packaging/debian" "$source/debian"
    cp "$work/debian.changelog" "$source/debian/changelog"
    printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n\nFiles: *\nCopyright: %s\nLicense: ISC\n%s\n' \
        "$copyright_holders" "$licence_text" >"$source/debian/copyright"
    as_admin "cd quota_report-$version && dpkg-buildpackage -us -uc -b" >>"$log" 2>&1 ||
        { tail -n 40 "$log"; fail "bookworm: dpkg-buildpackage failed"; }
    ran_every_test "$log"
    judge blhc blhc --all "$log"
    built=$(echo "$root/root/quota-report_${version}_"*.deb)
    judge lintian.debian lintian -I --tag-display-limit 0 "$built"
    dpkg-deb -c "$built" | awk '{ print $6 }' | grep -v '/$' >"$work/files"
    documents=$(sort -u "$work/files" | grep -c '/doc/quota-report/')
    grep -c '/doc/' "$work/files" | grep -x "$documents" >/dev/null ||
        { cat "$work/files"; fail "the Debian-style package holds a document twice or a second documentation folder"; }
}

# The same files made again, untested, by an unprivileged user in a clone
# elsewhere, each the same bytes as root's but the signatures.  The packages
# are signed here alone: each .rpm is the other's but for its signature, and
# its checksums and size stand for the other's in the files that list it, and
# so in turn do theirs.
check_reproducible() {
    step "the same files made again, untested, by an unprivileged user in a clone elsewhere"
    local elsewhere theirs file
    elsewhere=$(mktemp -d /tmp/quota_report-elsewhere.XXXXXX)
    theirs=$elsewhere/clone/build/release
    chmod 755 "$elsewhere"
    git clone -q "$source_tree" "$elsewhere/clone"
    chown -R nobody:nogroup "$elsewhere"
    setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$elsewhere" QUOTA_REPORT_BUILD_ROOTS="${later_root%/*}" \
        bash "$elsewhere/clone/packaging/release.sh" --files-only >"$work/elsewhere.log" 2>&1 ||
        { tail -n 30 "$work/elsewhere.log"; fail "the unprivileged build failed"; }
    (cd "$files" && printf '%s\n' *) | grep -vE '\.(asc|gpg)$' >"$work/ours"
    (cd "$theirs" && printf '%s\n' *) | diff "$work/ours" - || fail "the unprivileged build made other files"
    : >"$work/signed.sed"
    grep '\.rpm$' "$work/ours" >"$work/rpms"
    while read -r file; do
        keyed rpm -qp --qf '%{SHA256HEADER} %{PAYLOADDIGEST}\n' "$files/$file" "$theirs/$file" | uniq |
            grep -cxE '[0-9a-f]{64} [0-9a-f]{64}' | grep -x 1 >/dev/null || fail "$file differs in the unprivileged build"
        stands_for "$file"
    done <"$work/rpms"
    for file in "$spdx" "$sbom" "$buildinfo" SHA256SUMS; do
        stands_for "$file"
    done
    while read -r file; do
        cmp -s "$files/$file" "$theirs/$file" || fail "$file differs in the unprivileged build"
    done <"$work/ours"
    rm -rf "$elsewhere"
}
# Our build record, and not theirs, names the packages that signed the .rpm
# files.  With them, their packages must be ours, and but for the packages
# their record ours; then it is.
signed_by_us() {
    traced_files "$work/opened.signing" | packages_of | sed 's/^/ /; s/$/,/' >"$work/signing"
    grep '^ [^ ]* (= ' "$theirs/$buildinfo" | cat - "$work/signing" | sed 's/,$//' | sort -u >"$work/theirs.packages"
    grep '^ [^ ]* (= ' "$files/$buildinfo" | sed 's/,$//' | sort -u | cmp -s "$work/theirs.packages" - ||
        fail "the unprivileged build's record names other packages than ours but the signing tools'"
    grep -v '^ [^ ]* (= ' "$files/$buildinfo" >"$work/ours.record"
    grep -v '^ [^ ]* (= ' "$theirs/$buildinfo" | cmp -s "$work/ours.record" - ||
        fail "$buildinfo differs in the unprivileged build but for its packages"
    cp "$files/$buildinfo" "$theirs/$buildinfo"
}
# What stands for theirs of a file in the files that list it: ours.  Theirs
# of a file that lists others, its checksums mended by what stands for what
# so far, must be ours; each .rpm is replaced by ours, checked before.
stands_for() { # file
    local program unsigned signed size ours_size
    size=$(stat -c %s "$theirs/$1")
    ours_size=$(stat -c %s "$files/$1")
    for program in md5sum sha1sum sha256sum; do
        unsigned=$("$program" <"$theirs/$1")
        signed=$("$program" <"$files/$1")
        printf 's/%s %s /%s %s /\ns/%s/%s/\n' "${unsigned%% *}" "$size" "${signed%% *}" "$ours_size" \
            "${unsigned%% *}" "${signed%% *}" >>"$work/mended.sed"
    done
    case $1 in
    *.rpm) cp "$files/$1" "$theirs/$1" ;;
    "$buildinfo")
        sed -i -f "$work/signed.sed" "$theirs/$1"
        signed_by_us
        ;;
    *) sed -i -f "$work/signed.sed" "$theirs/$1" ;;
    esac
    cat "$work/mended.sed" >>"$work/signed.sed"
    rm "$work/mended.sed"
}
