# shellcheck shell=bash
# The release step's library: how it starts, how a stage begins and fails,
# the judge of every tool whose output is a verdict, the table of
# architectures with the names of their release files, and the helpers that
# making (make.sh) and checking (check.sh) share.  A command substitution
# fails as the step fails.
set -Eeuo pipefail
shopt -s inherit_errexit

# The mode, the clone, who the release names, and the folders: the release
# files in build/release, everything else in build/release-work.  Any command
# that fails ends the step with one FAIL line naming the stage and the
# command, however deep it failed; the cleanups run at the end.
# shellcheck disable=SC2034 # the stages read what is set here
start() { # [--rehearsal | --files-only]
    local changes
    umask 022
    export LC_ALL=C
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd) stage="the start" cleanups=()
    failed=$(mktemp -u /tmp/qr-failed.XXXXXX)
    trap 'fail "$BASH_COMMAND (status $?)"' ERR
    trap finish EXIT
    mode=release
    case ${1:-} in
    --rehearsal | --files-only) mode=${1#--} ;;
    "") ;;
    *) fail "usage: packaging/release.sh [--rehearsal]" ;;
    esac
    cd "$here/.." || exit
    source_tree=$PWD files=$PWD/build/release work=$PWD/build/release-work sample=examples/listing.txt
    [ "$mode" = files-only ] || [ "$EUID" = 0 ] || fail "the release step runs as root"
    commit=$(git rev-parse --short HEAD)
    changes=$(git status --porcelain)
    [ -z "$changes" ] || fail "the clone has changes that are not committed"
    read_release
    export maintainer homepage
    maintainer=${QUOTA_REPORT_MAINTAINER:-$(sed -n 's/^Maintainer: //p' "$here/debian/control")}
    homepage=${QUOTA_REPORT_HOMEPAGE:-$(sed -n 's/^Homepage: //p' "$here/debian/control")}
    if [ "$mode" = release ]; then
        if grep -qxF -e "Maintainer: $maintainer" -e "Homepage: $homepage" "$here/debian/control"; then
            fail "a release names its maintainer and homepage: QUOTA_REPORT_MAINTAINER, QUOTA_REPORT_HOMEPAGE"
        fi
        signing_key=${QUOTA_REPORT_SIGNING_KEY:-}
        { [ -n "$signing_key" ] && gpg --batch --list-secret-keys "$signing_key" >/dev/null; } ||
            fail "a release is signed: QUOTA_REPORT_SIGNING_KEY names no secret key of GnuPG's: '$signing_key'"
    fi
    rm -rf --one-file-system "$files" "$work"
    mkdir -p "$files" "$work/unpacked"
    grep -v '^#' "$here/architectures" >"$work/architectures"
    mapfile -t architectures <"$work/architectures"
    machine_release=$(os_release VERSION_CODENAME)
    later_release=$(awk -v release="$machine_release" '$6 != release { print $6 }' "$work/architectures" | sort -u)
    [[ $later_release != *$'\n'* ]] || fail "packaging/architectures names more than one later Debian release"
    later_root=${QUOTA_REPORT_BUILD_ROOTS:-$work/roots}/build-$later_release
}
finish() {
    local cleanup
    for cleanup in "${cleanups[@]}"; do eval "$cleanup" || true; done
    rm -f "$failed"
}

step() { # name
    stage=$*
    echo "== $* [$((SECONDS / 60))m$((SECONDS % 60))s]"
}
fail() { # message
    [ -e "$failed" ] || echo "FAIL: $stage: $*" >&2
    : >"$failed"
    exit 1
}

# The judge: runs a tool whose output is a verdict, keeping what it prints in
# $work/judged.  The step fails when the tool cannot run or exits non-zero,
# or when it prints a line that its allow-lists do not name: the files
# packaging/allow/LIST, each one extended regular expression for a whole line
# a line, under a comment that gives its reason.
judge() { # "list..." command...
    local names=$1 list lists=() status=0
    for list in $names; do lists+=("$here/allow/$list"); done
    shift
    sed '/^#/d; /^$/d' "${lists[@]}" >"$work/allowed"
    "$@" >"$work/judged" 2>&1 || status=$?
    [ "$status" = 0 ] || { tail -n 30 "$work/judged" >&2; fail "$* exits with status $status"; }
    # grep finds no unallowed line (1), or finds some (0), or cannot read the
    # allow-lists' patterns (2), which judges nothing.
    grep -Evx -f "$work/allowed" "$work/judged" >"$work/unallowed" || status=$?
    [ "$status" != 2 ] || fail "grep cannot read the patterns of packaging/allow/ ($names)"
    [ "$status" = 1 ] || { cat "$work/unallowed" >&2; fail "$1 prints lines that packaging/allow/ ($names) does not allow"; }
}

# A command that makes release files, run under strace, which keeps the
# names of the files it and its children opened or ran for the build record,
# in $work/opened or the file $trace names.
traced() { # command...
    strace -f -qq -A -o "${trace:-$work/opened}" -e trace=openat,execve -e status=successful "$@"
}
# The files a trace names.
traced_files() { # trace...
    sed -n 's/^[0-9]* *\(openat\|execve\)([^"]*"\(\/[^"]*\)".*/\2/p' "$@"
}
# A command run as root in the build root, in the same folder of the clone,
# which is there at its own path, with this machine's /proc and /dev; an
# unprivileged user is root there in a user namespace.  Its mounts end with
# it.
in_build_root() { # command...
    local enter=(unshare --mount) pass=(PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp LC_ALL=C) name
    [ "$EUID" = 0 ] || enter=(unshare --map-root-user --mount)
    for name in SOURCE_DATE_EPOCH CMAKE_GENERATOR CMAKE_BUILD_PARALLEL_LEVEL QUOTA_REPORT_NO_SKIP; do
        [ -z "${!name:-}" ] || pass+=("$name=${!name}")
    done
    mkdir -p "$build_root$source_tree"
    # shellcheck disable=SC2016 # the inner shell's variables
    "${enter[@]}" sh -ec 'mount --bind "$2" "$1$2"; mount --rbind /proc "$1/proc"; mount --rbind /dev "$1/dev"
        root=$1; shift 2; exec /usr/sbin/chroot "$root" /usr/bin/env -i -C "$PWD" "$@"' - "$build_root" "$source_tree" \
        "${pass[@]}" DEBIAN_FRONTEND=noninteractive "$@"
}

# The installed packages, here or in the build root, that own the files
# named on standard input, but those of the release itself and those that
# only reuse and apt's tools read as they start, with their versions.
packages_of() { # [build root]
    local build_root=${1:-} sys=()
    [ -z "$build_root" ] || sys=(in_build_root)
    # reuse reads, as it starts, the metadata of every Python package there
    # is, and python-apt, which it loads, apt's configuration: none of these
    # makes a file.
    local read_by_every='/([^/]*\.egg-info|[^/]*\.dist-info)(/|$)|^/etc/apt/'
    # shellcheck disable=SC2016 # the inner shell's variable
    grep -vE "^($work|$files|$source_tree|/proc|/dev|/sys|/tmp)/" | grep -vE "$read_by_every" | sort -u |
        "${sys[@]}" sh -c 'while read -r file; do [ ! -f "$file" ] || realpath "$file"; done' | sort -u >"$work/used"
    # dpkg knows some files by their paths before /usr was merged; a file no
    # package has (a cache, the C library's state) makes dpkg-query -S, and
    # so xargs, fail (123), and is left out.
    sed 's|^/usr/|/|' "$work/used" | cat - "$work/used" | "${sys[@]}" xargs -r dpkg-query -S >"$work/owners" 2>"$work/unowned" ||
        [ $? = 123 ]
    ! grep -v '^dpkg-query: no path found matching pattern ' "$work/unowned" || fail "dpkg-query -S failed"
    sed '/^diversion /d; s/: .*//; s/, /\n/g' "$work/owners" | sort -u >"$work/owning"
    # With no package named, dpkg-query would list every one.
    [ -s "$work/owning" ] || fail "no installed package owns a file that made the release"
    # shellcheck disable=SC2016 # dpkg-query's fields
    "${sys[@]}" xargs dpkg-query -W -f '${binary:Package} (= ${Version})\n' <"$work/owning" | sort -u
}

# Whether a build log shows every test run and passed; a case that skips
# fails its table there (QUOTA_REPORT_NO_SKIP).
ran_every_test() { # log
    grep -q '^100% tests passed, 0 tests failed out of [1-9]' "$1" || fail "$1: not every test ran and passed"
}

# The fields of one architecture of packaging/architectures, and the names
# of its release files, which are made here alone; where it is built in the
# root of a later Debian release, that root, and the prefix of the commands
# that run there.
# shellcheck disable=SC2034 # the stages read each field
use_arch() { # row
    read -r arch uname rpm_arch triplet emulator origin _ kernel processor <<<"$1"
    build_root='' sys=()
    [ "$origin" = "$machine_release" ] || build_root=$later_root sys=(in_build_root)
    deb=quota-report_${version}_$arch.deb tarball=quota_report-$version-linux-$uname.tar.gz rpm=
    [ "$rpm_arch" = - ] || rpm=quota_report-$version-1.$rpm_arch.rpm
    stage_dir=$work/stage/$arch notices=$work/notices/$arch build=$work/build/$arch
}
# The build machine's own architecture, whose programs run here natively.
use_native_arch() {
    local entry
    for entry in "${architectures[@]}"; do
        use_arch "$entry"
        [ "$emulator" != - ] || return 0
    done
    fail "packaging/architectures names no architecture without an emulator"
}

# The release: its version (project() of CMakeLists.txt), its day (the heading
# of NEWS.md's newest release, which stamps every file made), its licence,
# and the names of the files that are not an architecture's.
# shellcheck disable=SC2034 # the stages read the names
read_release() {
    local day
    version=$(sed -n 's/^project(quota_report VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
    day=$(sed -n '/^## /{s/^## \([^ ]*\) (\([0-9-]*\))$/\1 \2/p;q}' NEWS.md)
    { [ -n "$version" ] && [ "${day% *}" = "$version" ]; } ||
        fail "NEWS.md's newest release is not the version of CMakeLists.txt, $version: $day"
    export SOURCE_DATE_EPOCH version copyright_holders licence_text
    SOURCE_DATE_EPOCH=$(date -u -d "${day#* }" +%s)
    copyright_holders=$(sed -n '1s/^Copyright (c) //p' LICENSE)
    licence_text=$(tail -n +3 LICENSE | as_field)
    source_release=quota_report-$version.tar.gz spdx=quota_report-$version.spdx sbom=quota_report-$version.cdx.json
    buildinfo=quota_report-$version.buildinfo recipe_name=quota_report.spec source_rpm=quota_report-$version-1.src.rpm
}

# A template filled in with the exported variables that its @NAME@ names.
fill() { # template
    # shellcheck disable=SC2016 # perl's variables
    traced perl -pe 's/\@(\w+)\@/exists $ENV{$1} ? $ENV{$1} : die "$ARGV: \@$1\@ is not set\n"/ge' "$1"
}
# A text as the lines of a field of a Debian control or copyright file.
as_field() {
    sed 's/^[ \t]*$/./; s/^/ /'
}

# The package that owns a file of the architecture's system, as dpkg knows
# it (perhaps by its path before /usr was merged).
package_of() { # file
    local path owner
    path=$("${sys[@]}" realpath "$1")
    owner=$("${sys[@]}" dpkg-query -S "$path" 2>/dev/null || "${sys[@]}" dpkg-query -S "${path#/usr}") ||
        fail "no package owns $path"
    echo "${owner%%: *}"
}
# The Debian source package of a file, name and version: a cross toolchain's
# package names the source it was built from in its Built-Using, which wins.
source_of() { # file source-pattern
    local owner fields
    owner=$(package_of "$1")
    # shellcheck disable=SC2016 # dpkg-query's fields
    fields=$("${sys[@]}" dpkg-query -W -f '${Built-Using}, ${source:Package} (= ${source:Version})' "$owner")
    [[ $fields =~ (^|, )($2)\ \(=\ ([^\)]+)\) ]] || fail "$1 comes from no source $2: $fields"
    echo "${BASH_REMATCH[2]} ${BASH_REMATCH[3]}"
}
# The version of the C library a static program embeds, from its banner.
banner_of() { # program
    strings -a "$1" | sed -n 's/^GNU C Library (Debian GLIBC \([^)]*\)) .*/\1/p' | sort -u
}
# The SPDX identifier of a name, in $id; the relationship of two names.
spdx_id() { # name
    id=SPDXRef-${1//[^A-Za-z0-9.-]/-}
}
relate() { # name relationship name
    local from
    spdx_id "$1"
    from=$id
    spdx_id "$3"
    echo "Relationship: $from $2 $id"
}
# The checksum of a release file.
sha() { # release file
    sha256sum "$files/$1" | cut -d' ' -f1
}
# A field of the /etc/os-release of this machine, or of a build root.
os_release() { # field [build root]
    sed -n "s/^$1=\"\{0,1\}\([^\"]*\)\"\{0,1\}\$/\1/p" "${2:-}/etc/os-release"
}
