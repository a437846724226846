#!/usr/bin/env bash
# The last release step, once the workflows have made the release files in
# the release folder: puts beside them the Debian source package of every C
# library version their programs embed, writes the release's SPDX document,
# and lists every file in SHA256SUMS.
#
#     packaging/finish_release.sh [RELEASE_FOLDER]
#
# The source packages come from the archive this machine's apt already uses,
# with apt-get source and its deb-src twin of the machine's own sources, in a
# private state that leaves the machine's apt as it was.  A version no longer
# in the archive's index is fetched from its pool by the names and checksums
# of its .dsc; a file the archive does not serve is named, and the notices in
# that architecture's packages carry the written offer for it.  The SPDX
# document lists each release file with its checksum and the Debian source
# packages its program embeds (name, exact version, licence), from the
# records that cpack left in _CPack_Packages/embedded/ (embedded_records.cmake):
# the data of the .deb's Built-Using field.
set -euo pipefail

source_tree=$(cd "$(dirname "$0")/.." && pwd)
folder=$(cd "${1:-$source_tree/build/packages}" && pwd)
records=$folder/_CPack_Packages/embedded
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

version=$(sed -n 's/^project(quota_report VERSION \([0-9.]*\)$/\1/p' "$source_tree/CMakeLists.txt")
source_release=quota_report-$version.tar.gz
[ -f "$folder/$source_release" ] || fail "no $source_release in $folder: run the workflows first"
release_files=()
for file in "$folder"/*.deb "$folder"/*.rpm "$folder"/quota_report-"$version"-linux-*.tar.gz; do
    [ -f "$file" ] || continue
    [ -f "$records/${file##*/}" ] || fail "no record of what ${file##*/} embeds in $records"
    release_files+=("${file##*/}")
done
[ ${#release_files[@]} -gt 0 ] || fail "no release files in $folder"

# The C library versions embedded, as the records of the .deb files name them.
mapfile -t c_libraries < <(cat "$records"/*.deb | awk '$1 == "glibc" { print $1 " " $2 }' | sort -u)

# apt with the deb-src twin of each of the machine's sources, in a state of its own.
mkdir -p "$work/apt/sources.list.d" "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] && sed -n 's/^deb \(.*\)$/deb-src \1/p' "$list"
done >"$work/apt/sources.list"
for sources in /etc/apt/sources.list.d/*.sources; do
    [ -f "$sources" ] && sed 's/^Types: *deb$/Types: deb-src/' "$sources" >"$work/apt/sources.list.d/${sources##*/}"
done
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list"
             -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
             -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
             -o "Debug::NoLocking=1")
apt-get "${apt_options[@]}" -qq update >"$work/update.log" 2>&1 ||
    { cat "$work/update.log"; fail "apt-get update of the deb-src sources failed"; }
mirrors=$(cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
              2>/dev/null | awk '$1 == "URIs:" { for (i = 2; i <= NF; i++) print $i }
                  $1 == "deb" { for (i = 2; i <= NF; i++) if ($i !~ /^\[/) { print $i; break } }' ||
              true)

# Fetches a file of the pool of SOURCE into the folder, from any mirror;
# false where none serves it.
from_pool() { # source file
    local letter=${1:0:1} mirror
    [ "${1#lib}" = "$1" ] || letter=${1:0:4}
    for mirror in $mirrors; do
        /usr/lib/apt/apt-helper download-file "${mirror%/}/pool/main/$letter/$1/$2" "$folder/$2" \
            >/dev/null 2>&1 && return 0
    done
    return 1
}

missing=()
for entry in "${c_libraries[@]}"; do
    read -r source source_version <<<"$entry"
    bare=${source_version#*:}
    if (cd "$folder" && apt-get "${apt_options[@]}" -qq source --download-only \
        "$source=$source_version") >"$work/source.log" 2>&1; then
        echo "   $source $source_version: apt-get source, checked against the archive's signed index"
        continue
    fi
    # No longer in the index: the pool by the names and checksums of the .dsc.
    dsc=${source}_$bare.dsc
    from_pool "$source" "$dsc" || { missing+=("$dsc"); echo "   $source $source_version: $dsc: not served"; continue; }
    while read -r sum _ file; do
        checked() { echo "$sum  $folder/$file" | sha256sum -c --quiet - >/dev/null 2>&1; }
        if checked; then
            echo "   $source $source_version: $file, already here, its checksum as the .dsc gives it"
        elif from_pool "$source" "$file" && checked; then
            echo "   $source $source_version: $file from the pool, its checksum as the .dsc gives it"
        else
            rm -f "$folder/$file"
            missing+=("$file")
            echo "   $source $source_version: $file: not served by the archive; the written offer covers it"
        fi
    done < <(awk '/^Checksums-Sha256:/ { on = 1; next } on && /^ / { print $1, $2, $3; next } on { exit }' \
                 "$folder/$dsc")
done
sources=()
for file in "$folder"/*.dsc "$folder"/*.orig.tar.* "$folder"/*.debian.tar.* "$folder"/*.diff.gz; do
    [ -f "$file" ] && sources+=("${file##*/}")
done

# The SPDX document: the release's files and what each embeds.  Its time and
# namespace come from the commit and the files, so that it is reproducible.
sha() { sha256sum "$folder/$1" | cut -d' ' -f1; }
spdx_id() { echo "SPDXRef-$(echo "$1" | tr -c 'A-Za-z0-9.\n-' '-')"; }
homepage=$(dpkg-deb -f "$folder/$(printf '%s\n' "${release_files[@]}" | grep -m 1 '\.deb$')" Homepage)
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_tree" log -1 --format=%ct 2>/dev/null || date +%s)}
document=quota_report-$version.spdx
{
    echo "SPDXVersion: SPDX-2.3"
    echo "DataLicense: CC0-1.0"
    echo "SPDXID: SPDXRef-DOCUMENT"
    echo "DocumentName: quota_report-$version"
    echo "DocumentNamespace: ${homepage%/}/spdx/quota_report-$version-$(for f in "${release_files[@]}" "$source_release" "${sources[@]}"; do sha "$f"; done | sha256sum | cut -c1-16)"
    echo "Creator: Tool: packaging/finish_release.sh"
    echo "Created: $(date -u -d "@$epoch" +%Y-%m-%dT%H:%M:%SZ)"
    echo "DocumentComment: <text>The release files of quota_report $version, the packages their statically linked programs embed, and the corresponding source of the C library.</text>"
    licence_of() { # release file
        local l="ISC"
        while read -r _ _ licence; do l="$l AND $licence"; done <"$records/$1"
        echo "$l"
    }
    file_package() { # file purpose licence
        echo
        echo "PackageName: ${1%%[-_][0-9]*}"
        echo "SPDXID: $(spdx_id "$1")"
        echo "PackageVersion: $version"
        echo "PackageFileName: $1"
        echo "PackageDownloadLocation: NOASSERTION"
        echo "PrimaryPackagePurpose: $2"
        echo "FilesAnalyzed: false"
        echo "PackageChecksum: SHA256: $(sha "$1")"
        echo "PackageLicenseConcluded: $3"
        echo "PackageLicenseDeclared: $3"
        echo "PackageCopyrightText: NOASSERTION"
        echo "Relationship: SPDXRef-DOCUMENT DESCRIBES $(spdx_id "$1")"
    }
    file_package "$source_release" SOURCE ISC
    for file in "${release_files[@]}"; do
        purpose=INSTALL
        [ "${file%.tar.gz}" = "$file" ] || purpose=ARCHIVE
        file_package "$file" "$purpose" "$(licence_of "$file")"
        while read -r source source_version _; do
            echo "Relationship: $(spdx_id "$file") CONTAINS $(spdx_id "$source-$source_version")"
        done <"$records/$file"
    done
    # The embedded packages, each once.
    sort -u "$records"/* | while read -r source source_version licence; do
        echo
        echo "PackageName: $source"
        echo "SPDXID: $(spdx_id "$source-$source_version")"
        echo "PackageVersion: $source_version"
        echo "PackageSupplier: Organization: Debian"
        echo "PackageDownloadLocation: NOASSERTION"
        echo "FilesAnalyzed: false"
        echo "PackageLicenseConcluded: NOASSERTION"
        echo "PackageLicenseDeclared: $licence"
        echo "PackageCopyrightText: NOASSERTION"
        echo "ExternalRef: PACKAGE-MANAGER purl pkg:deb/debian/$source@$(echo "$source_version" | sed 's/:/%3A/; s/+/%2B/g')?arch=source"
        bare=${source_version#*:}
        for file in "${sources[@]}"; do
            case $file in
            "${source}_$bare.dsc" | "${source}_$bare".debian.* | "${source}_${bare%-*}".orig.*)
                echo "Relationship: $(spdx_id "$file") GENERATES $(spdx_id "$source-$source_version")" ;;
            esac
        done
        for file in "${missing[@]}"; do
            case $file in "${source}_"*) echo "PackageComment: <text>$file is not in the release folder: the archive no longer serves it, and the notices of the programs that embed it carry the written offer for it.</text>" ;; esac
        done
    done
    # The files of the source packages, each a package of its own.
    for file in "${sources[@]}"; do
        echo
        echo "PackageName: $file"
        echo "SPDXID: $(spdx_id "$file")"
        echo "PackageFileName: $file"
        echo "PackageSupplier: Organization: Debian"
        echo "PackageDownloadLocation: NOASSERTION"
        echo "PrimaryPackagePurpose: SOURCE"
        echo "FilesAnalyzed: false"
        echo "PackageChecksum: SHA256: $(sha "$file")"
        echo "PackageLicenseConcluded: NOASSERTION"
        echo "PackageLicenseDeclared: NOASSERTION"
        echo "PackageCopyrightText: NOASSERTION"
        echo "Relationship: SPDXRef-DOCUMENT DESCRIBES $(spdx_id "$file")"
    done
} >"$folder/$document"

# Every release file, the sources and the document in SHA256SUMS.
(cd "$folder" && sha256sum -- "$source_release" "${release_files[@]}" "${sources[@]}" "$document" |
    LC_ALL=C sort -k 2 >SHA256SUMS)
echo "   $document: $(stat -c %s "$folder/$document") bytes, ${#release_files[@]} release files" \
    "and the source release, $(sort -u "$records"/* | wc -l) embedded packages, ${#sources[@]}" \
    "source files${missing[*]:+; not served: ${missing[*]}}"
