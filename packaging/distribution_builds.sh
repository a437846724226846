#!/usr/bin/env bash
# Builds the source release of the last commit as two distributions would,
# and judges the result with their own tools.
#
#     packaging/distribution_builds.sh
#
# RPM: rpmbuild -ta on the source release, with the RPM recipe it carries
# (packaging/quota_report.spec, whose Version and changelog must be the
# project's version, and its URL the homepage of packaging/release.cmake),
# --nodeps where the build machine is no RPM system; its %check runs every
# test, the program it packages must give the sample's report, and rpmlint
# finds no error but the packager and the signature that a distribution's own
# build adds.  Debian: a minimal debian/ of the kind a Debian maintainer keeps
# (dh with the cmake build system, the build type None and the flags of
# dpkg-buildflags with hardening=+all, the documentation folder named after
# the package), built with dpkg-buildpackage; blhc finds nothing in its build
# log, lintian nothing in the package but what the scratch debian/ itself
# causes, and the package holds each document once.  The project ships no
# debian/ of its own: Debian keeps its own.
set -euo pipefail

source_tree=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sample=$source_tree/examples/listing.txt
version=$(sed -n 's/^project(quota_report VERSION \([0-9.]*\)$/\1/p' "$source_tree/CMakeLists.txt")
recipe=$source_tree/packaging/quota_report.spec

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

echo "-- the RPM recipe follows project()"
[ "$(sed -n 's/^Version: *//p' "$recipe")" = "$version" ] || fail "the recipe's Version is not $version"
sed -n '/^%changelog/,$p' "$recipe" | grep -q " - $version-1\$" || fail "the recipe's changelog does not begin with $version-1"
placeholder=$(sed -n 's/^set(homepage "\(.*\)")$/\1/p' "$source_tree/packaging/release.cmake")
[ "$(sed -n 's/^URL: *//p' "$recipe")" = "$placeholder" ] || fail "the recipe's URL is not the homepage $placeholder"
echo "   Version $version, changelog $version-1, URL $placeholder"

release=quota_report-$version
git -C "$source_tree" archive --format=tar.gz "--prefix=$release/" -o "$work/$release.tar.gz" HEAD

echo "-- rpmbuild -ta $release.tar.gz"
rpmbuild -ta --nodeps --define "_topdir $work/rpm" "$work/$release.tar.gz" >"$work/rpmbuild.log" 2>&1 ||
    { tail -n 40 "$work/rpmbuild.log"; fail "rpmbuild -ta failed"; }
grep -q '^100% tests passed' "$work/rpmbuild.log" && ! grep -q '(Skipped)' "$work/rpmbuild.log" ||
    fail "%check did not run and pass every test"
rpm=$(echo "$work"/rpm/RPMS/*/"$release"-1*.rpm)
mkdir "$work/rpm-files"
rpm2cpio "$rpm" | (cd "$work/rpm-files" && cpio -idm --quiet)
"$work/rpm-files/usr/bin/quota_report" "$work/rpm-files/usr/share/doc/quota_report/examples/listing.txt" |
    cmp -s - <("$work/rpm-files/usr/bin/quota_report" "$sample") &&
    "$work/rpm-files/usr/bin/quota_report" "$sample" | grep -q '^home' ||
    fail "the program rpmbuild packaged does not give the sample's report"
rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$rpm" | grep -qE '^l /usr/share/licenses/quota_report[^/]*/LICENSE$' ||
    fail "rpmbuild packaged no LICENSE as %license"
readelf -d "$work/rpm-files/usr/bin/quota_report" | grep -q 'NEEDED.*libc' ||
    fail "rpmbuild packaged no dynamically linked program"
# rpmlint's errors fail the build, but for what the distribution's own build
# adds: its packager and its signature.
rpmlint "$rpm" >"$work/rpmlint" 2>&1 || true
! grep -E ': E: ' "$work/rpmlint" | grep -vE ': E: (no-signature|no-packager-tag)$' ||
    fail "rpmlint finds errors in the package rpmbuild -ta made"
echo "   $(basename "$rpm"): $(grep -cE 'Test +#' "$work/rpmbuild.log") tests passed in %check;" \
    "the dynamically linked program gives the sample's report; $(find "$work/rpm-files" -type f | wc -l)" \
    "files; rpmlint here (Debian's, with no RPM distribution's policy): no error but the" \
    "packager and the signature, warnings $(grep -oE ': W: [^ ]+' "$work/rpmlint" | cut -d' ' -f3 |
        sort -u | paste -sd, | sed 's/,/, /g')"

echo "-- a Debian-style build: dh, the build type None, dpkg-buildflags"
mkdir "$work/deb"
tar -xzf "$work/$release.tar.gz" -C "$work/deb"
debian=$work/deb/$release/debian
mkdir -p "$debian/source"
cat >"$debian/control" <<'EOF'
Source: quota-report
Section: utils
Priority: optional
Maintainer: Scratch Maintainer <scratch@example.org>
Build-Depends: debhelper-compat (= 13), cmake, strace
Standards-Version: 4.6.2
Homepage: https://quota-report.invalid/
Rules-Requires-Root: no

Package: quota-report
Architecture: any
Depends: ${shlibs:Depends}, ${misc:Depends}
Description: compact report of the selected volumes of a volume listing
 quota_report reads a long-form listing of storage volumes and writes a
 compact report: one row per selected volume, with its name, maximum quota,
 size, type code and location.
EOF
cat >"$debian/rules" <<'EOF'
#!/usr/bin/make -f
export DEB_BUILD_MAINT_OPTIONS = hardening=+all
%:
	dh $@ --buildsystem=cmake
override_dh_auto_configure:
	dh_auto_configure -- -DCMAKE_INSTALL_DOCDIR=share/doc/quota-report
EOF
chmod +x "$debian/rules"
printf 'quota-report (%s-1) unstable; urgency=medium\n\n  * A scratch package of the source release. (Closes: #123456)\n\n -- Scratch Maintainer <scratch@example.org>  Wed, 09 Dec 2026 00:00:00 +0000\n' \
    "$version" >"$debian/changelog"
echo '3.0 (quilt)' >"$debian/source/format"
printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n\nFiles: *\nCopyright: 2026 The quota_report authors\nLicense: ISC\n' \
    >"$debian/copyright"
sed -n '/^Permission/,$p' "$source_tree/LICENSE" | sed 's/^$/./; s/^/ /' >>"$debian/copyright"
(cd "$work/deb/$release" && dpkg-buildpackage -us -uc -b -d) >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log"; fail "dpkg-buildpackage failed"; }
grep -q '^100% tests passed' "$work/build.log" || fail "dh_auto_test did not pass every test"
blhc --all "$work/build.log" >"$work/blhc" 2>&1 || { cat "$work/blhc"; fail "blhc finds faults in the build log"; }
deb=$(echo "$work/deb/quota-report_$version-1_"*.deb)
# What the scratch debian/ causes (no upload, a short description) is not the
# project's.
lintian -I --suppress-tags extended-description-is-probably-too-short "$deb" \
    2> >(grep -v "running with root" >&2) >"$work/lintian" || true
[ ! -s "$work/lintian" ] || { cat "$work/lintian"; fail "lintian finds faults in the Debian-style package"; }
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' >"$work/files"
[ "$(grep -c 'quota_report/\|quota-report/' "$work/files")" = "$(sort -u "$work/files" | grep -c 'quota_report/\|quota-report/')" ] &&
    ! grep -q '^\./usr/share/doc/quota_report/' "$work/files" ||
    { cat "$work/files"; fail "the Debian-style package holds a document twice or a second documentation folder"; }
echo "   $(basename "$deb"): dh_auto_test passed $(grep -cE 'Test +#' "$work/build.log") tests; blhc:" \
    "$(cat "$work/blhc")$( [ -s "$work/blhc" ] || echo 'nothing'); lintian -I: nothing;" \
    "one documentation folder: $(grep '/doc/' "$work/files" | tr '\n' ' ')"
