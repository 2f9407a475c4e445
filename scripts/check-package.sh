#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a build folder and checks it as a distribution would: lintian
# must report no error and no warning (its informational notes are shown), the package holds
# the manual pages, the copyright file and the changelog, and its AppStream description and
# desktop entry validate.
# Usage: check-package.sh BUILD_FOLDER [CPACK]
# Exits 77 when lintian, appstreamcli or dpkg-deb is missing (a test runner counts that as
# skipped), or 1 when FRAMESCOPE_PACKAGE_CHECK_REQUIRED is set, as in CI.
set -u

build=$1
cpack=${2:-cpack}

for tool in lintian appstreamcli desktop-file-validate dpkg-deb "$cpack"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "missing tool: $tool (scripts/install-deps.sh lintian appstream installs it)"
        [ -n "${FRAMESCOPE_PACKAGE_CHECK_REQUIRED:-}" ] && exit 1
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/framescope-package.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

pass() {
    echo "ok: $*"
}

if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack -G DEB"
    exit 1
fi
deb=$(ls "$work"/deb/*.deb)
echo "package: $(basename "$deb")"

# ---- lintian: errors and warnings fail, the informational notes are shown
if lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1; then
    pass "lintian reports no error and no warning"
else
    fail "lintian reports errors or warnings"
fi
cat "$work/lintian.log"

# ---- what the package holds
dpkg-deb -c "$deb" >"$work/contents.txt"
for path in usr/bin/framescope usr/bin/drfdump usr/share/man/man1/framescope.1.gz \
    usr/share/man/man1/drfdump.1.gz usr/share/doc/framescope/copyright \
    usr/share/doc/framescope/changelog.gz \
    usr/share/metainfo/example.kestrant.framescope.metainfo.xml \
    usr/share/applications/framescope.desktop; do
    if grep -q " \./$path\$" "$work/contents.txt"; then
        pass "package installs /$path"
    else
        fail "package does not install /$path"
    fi
done
version=$(dpkg-deb -f "$deb" Version)
expected=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
if [ "$version" = "$expected" ]; then
    pass "package version $version is the project's"
else
    fail "package version '$version' is not the project's '$expected'"
fi

# ---- the descriptions a software centre and a desktop read
dpkg-deb -x "$deb" "$work/root"
if appstreamcli validate --no-net --pedantic \
    "$work/root/usr/share/metainfo/example.kestrant.framescope.metainfo.xml" >"$work/appstream.log" 2>&1; then
    pass "AppStream description validates"
else
    fail "AppStream description does not validate"
fi
cat "$work/appstream.log"
if desktop-file-validate "$work/root/usr/share/applications/framescope.desktop" >"$work/desktop.log" 2>&1 \
    && [ ! -s "$work/desktop.log" ]; then
    pass "desktop entry validates"
else
    fail "desktop entry does not validate"
    cat "$work/desktop.log"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package checked"
