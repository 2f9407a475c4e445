#!/bin/sh
# Installs a build tree into a temporary prefix and checks the installed tree the way a
# desktop uses it: the programs run, the launcher gives a first start its colour files and
# leaves a later start alone, the desktop entry and the file types register, the icons have
# their sizes, the manual pages render, and the Debian package holds them compressed.
# Usage: check-install.sh CMAKE BUILD_FOLDER [CPACK]
set -u

cmake=$1
build=$2
cpack=${3:-}

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

# ---- drfdump
version=$(run_env "$prefix/bin/drfdump" --version 2>&1)
if [ "$version" = "drfdump 0.9" ]; then
    pass "drfdump --version answers '$version'"
else
    fail "drfdump --version printed '$version'"
fi

# ---- the viewer through its launcher
capture="$work/capture.drf3"
(run_env "$prefix/bin/drfdump" --generate 10 --seed 1 -o "$capture") || fail "drfdump --generate"
settings="$home/config/Kestrant/Framescope.conf"

# True once the process has become the viewer: env and the launcher hand their process over
# to it, so it is followed and ended by that one id.
is_viewer() {
    case $(readlink "/proc/$1/exe" 2>/dev/null) in
        */framescope) return 0 ;;
    esac
    return 1
}

# True once the viewer with that process id is up; with "loads", once it has also opened the
# capture and stored it in its settings, which it does from its event loop.
viewer_up() {
    is_viewer "$1" && { [ "$2" != loads ] || grep -qs RecentFiles "$settings"; }
}

# start_viewer LAUNCHER [loads]: the launcher must start the viewer, which keeps running. The
# wait ends as soon as that is seen or the process has gone; its ceiling (10 minutes) only
# guards against a hang.
start_viewer() {
    rm -f "$settings"
    (run_env "$1" "$capture") >"$work/viewer.log" 2>&1 &
    pid=$!
    waited=0
    while ! viewer_up "$pid" "${2:-}" && kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 1200 ]; do
        sleep 0.5
        waited=$((waited + 1))
    done
    if viewer_up "$pid" "${2:-}" && kill -0 "$pid" 2>/dev/null; then
        pass "viewer started by $1 is up${2:+ with the capture opened}"
    else
        fail "viewer started by $1 is not up${2:+ with the capture opened}"
        cat "$work/viewer.log"
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

folder="$home/data/Kestrant/Framescope"
# The first start goes through a link in another folder, as a link on PATH would.
mkdir -p "$work/links"
ln -s "$prefix/bin/framescope" "$work/links/framescope"
start_viewer "$work/links/framescope" loads
for base in colors3G colorsV4; do
    for suffix in def lst; do
        if cmp -s "$prefix/share/framescope/$base.def" "$folder/$base.$suffix"; then
            pass "first start installed $base.$suffix"
        else
            fail "first start did not install $base.$suffix into $folder"
        fi
    done
    [ -w "$folder/$base.lst" ] || fail "$base.lst is not writable by its user"
done
if ls -A "$home/data/Kestrant" | grep -q '^\.'; then
    fail "the first start left a staging folder behind"
fi

# A user who deleted a working copy keeps it deleted.
rm -f "$folder/colorsV4.lst"
start_viewer "$prefix/bin/framescope"
if [ -e "$folder/colorsV4.lst" ]; then
    fail "a later start recreated the deleted colorsV4.lst"
else
    pass "a later start left the deleted colorsV4.lst deleted"
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

# ---- the Debian package holds the same pages, compressed
if [ -n "$cpack" ] && command -v dpkg-deb >/dev/null 2>&1; then
    if "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1; then
        dpkg-deb -c "$work"/deb/*.deb >"$work/deb.txt" 2>&1
        for name in drfdump framescope; do
            if grep -q " \./usr/share/man/man1/$name\.1\.gz\$" "$work/deb.txt"; then
                pass "package installs $name.1.gz"
            else
                fail "package does not install $name.1.gz"
            fi
        done
    else
        fail "cpack -G DEB"
        cat "$work/cpack.log"
    fi
else
    echo "skipped: cpack or dpkg-deb missing, the Debian package not checked"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "installed tree checked"
