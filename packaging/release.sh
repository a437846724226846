#!/usr/bin/env bash
# The release: every file a release of quota_report publishes, made from the
# last commit and checked, in build/release/ of this clone.
#
#     packaging/release.sh [--rehearsal]
#
# Run as root, on Debian 12, in a clean clone (.ci/run installs the tools).
# A release names its maintainer and homepage (QUOTA_REPORT_MAINTAINER,
# QUOTA_REPORT_HOMEPAGE) and its signing key (QUOTA_REPORT_SIGNING_KEY, a
# secret key of the caller's GnuPG) and refuses to go without them; a
# rehearsal takes the placeholders of packaging/debian/control, which reach no
# one, and signs with a throwaway key.  --files-only makes the files alone,
# untested and unsigned, as any user, given the folder that holds the build
# root a release made (QUOTA_REPORT_BUILD_ROOTS): the rehearsal holds them
# against its own.
# The stages are named below in their order; packaging/make.sh makes the
# files, packaging/check.sh checks them, over packaging/lib.sh, and every
# tool whose output is a verdict is judged against its allow-list in
# packaging/allow/.
# shellcheck source-path=SCRIPTDIR source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"

main() {
    local entry
    start "$@"
    fetch_c_libraries
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        build_arch
        embedded_code
    done
    make_shared_parts
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        package_arch
    done
    [ "$mode" = files-only ] || sign_packages
    fetch_c_library_sources
    write_spdx
    write_buildinfo
    write_sums
    [ "$mode" != files-only ] || return 0
    sign

    check_reference
    check_sums
    check_buildinfo
    check_signatures
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        check_arch
    done
    check_programs_beyond
    check_source_release
    start_roots
    check_rpmbuild_ta
    wait_for_roots
    use_native_arch
    check_piuparts
    follow_readme bullseye
    check_plain_build
    follow_readme bookworm
    check_readme_verification bookworm
    check_debian_build
    follow_readme trixie
    check_sbom trixie
    check_reproducible
    tag_release
    step "the release files are made and checked: $files"
    (cd "$files" && stat -c '   %9s %n' -- *)
}

main "$@"
