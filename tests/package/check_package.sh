#!/bin/sh
# Builds the Debian package from a build tree with cpack, unpacks it with dpkg -x into a temporary
# folder and checks it as a distribution would: the control fields, the files in place, the desktop
# entry, the AppStream data, the MIME type, the manual page, lintian, and the installed binary
# playing a small title headless.
#   check_package.sh BUILD_DIR SOURCE_DIR
# Exits 77 (skipped) only when a tool it needs is missing; scripts/install-deps installs them all.
set -eu
BUILD=$(cd "$1" && pwd)
SOURCE=$(cd "$2" && pwd)

for tool in cpack dpkg dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man lintian file readelf \
    update-mime-database; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool is missing; scripts/install-deps installs it"
        exit 77
    fi
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/textreel-package.XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The binary and the generated data may not be built yet when only some targets were.
cmake --build "$BUILD" --target textreel textreel_package_data >"$WORK/build.log" 2>&1 || {
    cat "$WORK/build.log"
    echo "FAIL: cannot build textreel and its package data"
    exit 1
}
(cd "$WORK" && cpack -G DEB -B "$WORK/out" --config "$BUILD/CPackConfig.cmake") >"$WORK/cpack.log" 2>&1 || {
    cat "$WORK/cpack.log"
    echo "FAIL: cpack -G DEB"
    exit 1
}
VERSION=$("$BUILD/textreel" --version | sed -n 's/^textreel //p')
ARCH=$(dpkg --print-architecture)
DEB="$WORK/out/textreel_${VERSION}_${ARCH}.deb"
if [ ! -f "$DEB" ]; then
    echo "FAIL: cpack made no $(basename "$DEB"):"
    ls "$WORK/out"
    exit 1
fi
echo "package: $(basename "$DEB")"

# The control fields.
field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = textreel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$VERSION" ] || fail "Version is '$(field Version)', textreel --version says '$VERSION'"
[ "$(field Section)" = games ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
# Dependencies computed from the binary: the C library, SDL and the others it links.
for lib in libc6 libsdl2 libpng16 libfreetype6 libavcodec; do
    field Depends | grep -q "$lib" || fail "Depends lacks $lib: $(field Depends)"
done
# The libraries loaded when first used, which the computed dependencies cannot see.
for lib in libspeechd2 libespeak-ng1 libgvc6; do
    field Depends | grep -q "$lib" || fail "Depends lacks $lib: $(field Depends)"
done

# The files in place.
ROOT="$WORK/root"
dpkg -x "$DEB" "$ROOT"
for f in bin/textreel share/applications/textreel.desktop share/mime/packages/textreel.xml \
    share/metainfo/org.textreel.textreel.metainfo.xml share/icons/hicolor/scalable/apps/textreel.svg \
    share/man/man6/textreel.6.gz share/doc/textreel/README.md share/doc/textreel/LICENSE \
    share/doc/textreel/copyright share/doc/textreel/changelog.gz share/games/textreel/demo/demo.ist \
    share/games/textreel/demo/scenario.txt; do
    [ -f "$ROOT/usr/$f" ] || fail "the package lacks /usr/$f"
done
for size in 48 128 256; do
    icon="$ROOT/usr/share/icons/hicolor/${size}x${size}/apps/textreel.png"
    file "$icon" | grep -q "PNG image data, $size x $size" || fail "icon ${size}x$size: $(file "$icon")"
done
file "$ROOT/usr/bin/textreel" | grep -q ", stripped" || fail "the binary is not stripped"
# The movie helper lies in the package's library folder, where the engine looks for it; FFmpeg is
# linked by the helper only.
HELPER="$ROOT/usr/lib/textreel/textreel-movie"
[ -x "$HELPER" ] || fail "the package lacks /usr/lib/textreel/textreel-movie"
file "$HELPER" | grep -q ", stripped" || fail "the movie helper is not stripped"
readelf -d "$ROOT/usr/bin/textreel" | grep NEEDED | grep -q libav && fail "the engine links FFmpeg"
readelf -d "$HELPER" | grep NEEDED | grep -q libavcodec || fail "the movie helper does not link FFmpeg"
[ "$(readlink "$ROOT/usr/games/textreel")" = ../bin/textreel ] || fail "/usr/games/textreel is no link to the binary"
"$ROOT/usr/bin/textreel" --version | grep -qx "textreel $VERSION" || fail "the installed binary's --version"

# The desktop entry, the AppStream data and the MIME type.
desktop-file-validate "$ROOT/usr/share/applications/textreel.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$ROOT/usr/share/metainfo/org.textreel.textreel.metainfo.xml" ||
    fail "appstreamcli validate"
mkdir -p "$WORK/mime/packages"
cp "$ROOT/usr/share/mime/packages/textreel.xml" "$WORK/mime/packages/"
update-mime-database "$WORK/mime" >"$WORK/mime.log" 2>&1 || fail "update-mime-database: $(cat "$WORK/mime.log")"
grep -q "application/x-textreel-instance:\*\.ist" "$WORK/mime/globs2" 2>/dev/null || fail "no *.ist glob"
for key in InstanceName= WindowWidth=; do
    grep -aq "$key" "$WORK/mime/magic" 2>/dev/null || fail "no magic for $key"
done

# The manual page renders without a warning.
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$ROOT/usr/share/man/man6/textreel.6.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man -l warns: $warnings"
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$ROOT/usr/share/man/man6/textreel.6.gz" 2>/dev/null | grep -q "EXIT STATUS" ||
    fail "the manual page has no EXIT STATUS"

# lintian: no error.
lintian --allow-root "$DEB" >"$WORK/lintian.log" 2>&1 || true
cat "$WORK/lintian.log"
if grep -q "^E: " "$WORK/lintian.log"; then
    fail "lintian reports errors"
fi

# The installed binary plays a title headless: the reading title's first two lines
#   one
#   $C
#   二行目です。
# then the window's close box.
cp -r "$SOURCE/tests/e2e/titles/reading" "$WORK/title"
mkdir -p "$WORK/run"
printf 'rclick 0 0\nwait\nclick 10 10\nwait\nclose\n' >"$WORK/events.txt"
code=0
XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/config" timeout 60 "$ROOT/usr/bin/textreel" --headless \
    --events "$WORK/events.txt" --trace "$WORK/trace.jsonl" "$WORK/title/title.ist" 2>"$WORK/play.log" || code=$?
[ "$code" -eq 0 ] || fail "the installed binary exited with $code: $(cat "$WORK/play.log")"
grep '"event":"text"' "$WORK/trace.jsonl" | grep -q '"line":"one"' || fail "the trace lacks the text 'one'"
grep '"event":"text"' "$WORK/trace.jsonl" | grep -q '"line":"二行目です。"' || fail "the trace lacks the second line"
grep '"event":"exit"' "$WORK/trace.jsonl" | grep -q '"code":0' || fail "the trace lacks exit 0"

# Started with no title the installed binary shows the launcher, which lists the installed demo
# (the list written by the run above holds the reading title; a fresh one is a first start).
mkdir -p "$WORK/empty"
printf 'close\n' >"$WORK/launcher.txt"
code=0
(cd "$WORK/empty" && XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/config2" timeout 60 "$ROOT/usr/bin/textreel" \
    --headless --events "$WORK/launcher.txt" --trace "$WORK/launcher.jsonl") 2>"$WORK/launcher.log" || code=$?
[ "$code" -eq 0 ] || fail "the launcher exited with $code: $(cat "$WORK/launcher.log")"
grep '"event":"launcher"' "$WORK/launcher.jsonl" | grep -q 'share/games/textreel/demo' ||
    fail "the launcher does not list the installed demo: $(cat "$WORK/launcher.jsonl")"

# The installed binary reaches its movie helper: the checker opens the demo's movie in it.
XDG_RUNTIME_DIR="$WORK/run" timeout 60 "$ROOT/usr/bin/textreel" --check "$SOURCE/demo" >"$WORK/check.log" 2>&1 ||
    fail "the installed binary's check of the demo (its movie is opened by the helper): $(cat "$WORK/check.log")"

if [ "$failures" -ne 0 ]; then
    echo "$failures checks failed"
    exit 1
fi
echo "the package is sound"
