#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build tree into a temporary prefix and checks the installed tree the way a
# desktop uses it: the programs run and tell their version without a display, a first start
# writes the user's colour files and a later one only those missing, the desktop entry, the
# AppStream description and the file types register, the icons have their sizes, and the
# manual pages render. (scripts/check-package.sh checks the Debian package.)
# Usage: check-install.sh CMAKE BUILD_FOLDER
set -u

cmake=$1
build=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/framescope-install.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

pass() {
    echo "ok: $*"
}

need() {
    command -v "$1" >/dev/null 2>&1 || { echo "missing tool: $1 (scripts/install-deps.sh installs it)"; exit 1; }
}
need desktop-file-validate
need update-mime-database

if ! env -u DESTDIR "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi

# Every run gets its own home, so nothing reads or writes the real one.
home="$work/home"
mkdir -p "$home" "$work/runtime"
chmod 0700 "$work/runtime"
# It replaces the shell it runs in: call it in a subshell.
run_env() {
    exec env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_DATA_HOME="$home/data" \
        XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
        XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen "$@"
}

# ---- both programs name the project's version, without a display
expected=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for program in drfdump framescope; do
    version=$(run_env env QT_QPA_PLATFORM=xcb "$prefix/bin/$program" --version 2>&1 | head -n 1)
    if [ -n "$expected" ] && [ "$version" = "$program $expected" ]; then
        pass "$program --version answers '$version' without a display"
    else
        fail "$program --version printed '$version', not '$program $expected'"
    fi
done

# ---- the installed viewer
capture="$work/capture.drf3"
(run_env "$prefix/bin/drfdump" --generate 10 --seed 1 -o "$capture") || fail "drfdump --generate"
settings="$home/config/Kestrant/Framescope.conf"

# True once the process is the viewer (env hands its process over to it), so it is followed
# and ended by that one id.
is_viewer() {
    case $(readlink "/proc/$1/exe" 2>/dev/null) in
        */framescope) return 0 ;;
    esac
    return 1
}

# True once the viewer with that process id is up and has opened the capture and stored it
# in its settings, which it does from its event loop after reading its colours.
viewer_up() {
    is_viewer "$1" && grep -qs RecentFiles "$settings"
}

# start_viewer: the viewer must start and keep running with the capture opened. The wait
# ends as soon as that is seen or the process has gone; its ceiling (10 minutes) only guards
# against a hang.
start_viewer() {
    rm -f "$settings"
    (run_env "$prefix/bin/framescope" "$capture") >"$work/viewer.log" 2>&1 &
    pid=$!
    waited=0
    while ! viewer_up "$pid" && kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 1200 ]; do
        sleep 0.5
        waited=$((waited + 1))
    done
    if viewer_up "$pid" && kill -0 "$pid" 2>/dev/null; then
        pass "viewer is up with the capture opened"
    else
        fail "viewer is not up with the capture opened"
        cat "$work/viewer.log"
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# A first start writes the shipped colours: defaults and working copies of both versions.
folder="$home/data/Kestrant/Framescope"
start_viewer
for base in colors3G colorsV4; do
    for suffix in def lst; do
        if cmp -s "$source_dir/core/colors/$base.def" "$folder/$base.$suffix"; then
            pass "first start wrote $base.$suffix"
        else
            fail "first start did not write $base.$suffix into $folder"
        fi
    done
    [ -w "$folder/$base.lst" ] || fail "$base.lst is not writable by its user"
done

# A later start writes a deleted working copy again, and leaves the user's own colours.
rm -f "$folder/colorsV4.lst"
echo 'RF IC Control;1;2;3;4;5;6' >"$folder/colors3G.lst"
start_viewer
if cmp -s "$source_dir/core/colors/colorsV4.def" "$folder/colorsV4.lst"; then
    pass "a later start wrote the deleted colorsV4.lst from the defaults"
else
    fail "a later start did not write the deleted colorsV4.lst"
fi
if [ "$(cat "$folder/colors3G.lst")" = 'RF IC Control;1;2;3;4;5;6' ]; then
    pass "a later start kept the user's colors3G.lst"
else
    fail "a later start changed the user's colors3G.lst"
fi

# ---- desktop entry
desktop="$prefix/share/applications/framescope.desktop"
if desktop-file-validate "$desktop" >"$work/validate.log" 2>&1 && [ ! -s "$work/validate.log" ]; then
    pass "desktop entry validates"
else
    fail "desktop entry does not validate"
    cat "$work/validate.log"
fi
grep -q '^Exec=framescope %f$' "$desktop" || fail "desktop entry does not hand a file to framescope"
grep -q '^Icon=framescope$' "$desktop" || fail "desktop entry does not name the framescope icon"

# ---- AppStream description
metainfo="$prefix/share/metainfo/example.kestrant.framescope.metainfo.xml"
if [ ! -f "$metainfo" ]; then
    fail "AppStream description not installed"
elif command -v appstreamcli >/dev/null 2>&1; then
    if appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.log" 2>&1; then
        pass "AppStream description validates"
    else
        fail "AppStream description does not validate"
    fi
    cat "$work/appstream.log"
    grep -q "<release version=\"$expected\"" "$metainfo" \
        || fail "AppStream description does not name version $expected"
else
    echo "skipped: appstreamcli is not installed, the AppStream description not validated"
fi

# ---- file types: the package compiles, and maps each extension to the type the entry opens
mime="$work/mime"
mkdir -p "$mime/packages"
cp "$prefix/share/mime/packages/framescope.xml" "$mime/packages/"
if XDG_DATA_DIRS="$work" update-mime-database "$mime" >"$work/mime.log" 2>&1 && [ ! -s "$work/mime.log" ]; then
    pass "MIME package compiles"
else
    fail "update-mime-database rejects the MIME package"
    cat "$work/mime.log"
fi
for pair in drf3:application/x-digrf3g-capture drf4:application/x-digrf4-capture; do
    suffix=${pair%%:*}
    type=${pair#*:}
    if grep -q ":$type:\*\.$suffix\$" "$mime/globs2" 2>/dev/null; then
        pass "*.$suffix maps to $type"
    else
        fail "*.$suffix does not map to $type"
    fi
    grep -q "^MimeType=.*$type;" "$desktop" || fail "desktop entry does not open $type"
done

# ---- icons: the PNG header holds width and height as big-endian 32-bit numbers
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", ($1*256+$2)*65536+$3*256+$4, ($5*256+$6)*65536+$7*256+$8 }'
}
for size in 16 32 48; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/framescope.png"
    signature=$(od -An -c -j1 -N3 "$icon" 2>/dev/null | tr -d ' ')
    got=$(png_size "$icon" 2>/dev/null)
    if [ "$signature" = "PNG" ] && [ "$got" = "${size}x${size}" ]; then
        pass "icon ${size}x${size} is a PNG of that size"
    else
        fail "icon ${size}x${size} is '$signature' of size '$got'"
    fi
done
svg="$prefix/share/icons/hicolor/scalable/apps/framescope.svg"
if grep -q '<svg[^>]*viewBox="0 0 48 48"' "$svg" 2>/dev/null; then
    pass "scalable icon installed"
else
    fail "scalable icon missing or without its view box"
fi

# ---- manual pages: installed compressed, and they render
page_title() {
    case $1 in
        drfdump) echo 'drfdump - print the decoded frames' ;;
        framescope) echo 'framescope - view the frames of a DigRF capture file' ;;
    esac
}
for name in drfdump framescope; do
    page="$prefix/share/man/man1/$name.1.gz"
    if ! gzip -t "$page" 2>/dev/null; then
        fail "manual page $name.1.gz missing or not gzip-compressed"
        continue
    fi
    if command -v man >/dev/null 2>&1; then
        MANWIDTH=80 man --warnings -l "$page" >"$work/man.txt" 2>"$work/man.log"
        if grep -q "$(page_title $name)" "$work/man.txt" \
            && ! grep -qi 'warning\|error' "$work/man.log"; then
            pass "manual page $name(1) renders"
        else
            fail "manual page $name(1) does not render cleanly"
            cat "$work/man.log"
        fi
    else
        echo "skipped: man is not installed, manual page $name(1) not rendered"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "installed tree checked"
