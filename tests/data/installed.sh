#!/usr/bin/env bash
# The program as `cmake --install` lays it out, run as an installed program would be:
#   installed.sh BUILD_DIR SOURCE_DIR
# The files land in the usual places and pass desktop-file-validate and appstreamcli; the
# installed discwright-cli keeps its settings in the per-user folder, finds its language files
# and the WMA utility, and rips the demo disc into the user's music folder (made when first
# needed).
set -euo pipefail
BUILD=$1
SOURCE=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
PREFIX=$WORK/usr
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for f in bin/discwright bin/discwright-cli libexec/discwright/wm8eutil \
    share/discwright/CLan_English.ini share/discwright/CLan_German.ini share/discwright/help/index.html \
    share/applications/org.discwright.Discwright.desktop share/metainfo/org.discwright.Discwright.metainfo.xml \
    share/icons/hicolor/scalable/apps/org.discwright.Discwright.svg \
    share/icons/hicolor/16x16/apps/org.discwright.Discwright.png \
    share/icons/hicolor/256x256/apps/org.discwright.Discwright.png \
    share/man/man1/discwright.1.gz share/man/man1/discwright-cli.1.gz \
    share/bash-completion/completions/discwright-cli share/doc/discwright/copyright; do
    [ -e "$PREFIX/$f" ] || fail "not installed: $f"
done
# Nothing of the build's own (tests, fixtures) goes along.
extra=$(find "$PREFIX/bin" -type f ! -name discwright ! -name discwright-cli)
[ -z "$extra" ] || fail "unexpected programs in bin: $extra"

desktop-file-validate "$PREFIX/share/applications/org.discwright.Discwright.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$PREFIX/share/metainfo/org.discwright.Discwright.metainfo.xml" >"$WORK/appstream.txt" 2>&1 ||
    { cat "$WORK/appstream.txt"; fail "appstreamcli validate"; }
version=$("$PREFIX/bin/discwright-cli" --version | awk '{print $2}')
grep -q "<release version=\"$version\"" "$PREFIX/share/metainfo/org.discwright.Discwright.metainfo.xml" ||
    fail "the metainfo's newest release is not $version"

# A user of the installed program: a home of its own, the demo disc, a rip without --out.
export HOME=$WORK/home
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_MUSIC_DIR
mkdir -p "$HOME"
"$SOURCE/scripts/demo-disc" "$WORK/disc" >/dev/null
cli=("$PREFIX/bin/discwright-cli" --set Options/Lan=German)
"${cli[@]}" toc --image "$WORK/disc/demo.cue" >"$WORK/toc.txt" || fail "toc of the demo disc"
"${cli[@]}" rip --image "$WORK/disc/demo.cue" --tracks 1 --format wav >"$WORK/rip.txt" 2>"$WORK/rip.err" ||
    { cat "$WORK/rip.err"; fail "rip of the demo disc"; }
[ -f "$HOME/Music/Discwright/Track01.wav" ] || fail "the rip is not in ~/Music/Discwright: $(cat "$WORK/rip.txt")"
[ -d "$HOME/.local/share/discwright" ] || fail "no per-user program folder"
[ ! -e "$PREFIX/bin/options.ini" ] || fail "options.ini was written beside the installed program"
# The German language file of the share folder is found: the messages are German.
"${cli[@]}" rip --image "$WORK/disc/demo.cue" --out /proc/none 2>"$WORK/out.err" >/dev/null || true
grep -q "Das Ausgabeverzeichnis existiert nicht" "$WORK/out.err" ||
    fail "no German message from the share folder: $(cat "$WORK/out.err")"
"${cli[@]}" encode wma "$HOME/Music/Discwright/Track01.wav" "$WORK/t.wma" 2>"$WORK/wma.err" ||
    { cat "$WORK/wma.err"; fail "the installed WMA utility was not found or failed"; }

echo "$failures failures"
[ "$failures" -eq 0 ]
