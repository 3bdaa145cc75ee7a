#!/usr/bin/env bash
# The Debian package as scripts/package makes it, from the build being tested:
#   package.sh BUILD_DIR SOURCE_DIR
# It carries the programs and every shipped language file, declares the libraries it runs with
# (not bundled) and what it starts or loads at run time, and lintian finds nothing to report.
set -euo pipefail
BUILD=$1
SOURCE=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
(cd "$BUILD" && cpack -G DEB -B "$WORK" >"$WORK/cpack.log" 2>&1) || { cat "$WORK/cpack.log"; exit 1; }
deb=$(ls "$WORK"/discwright_*.deb)

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/discwright ./usr/bin/discwright-cli ./usr/libexec/discwright/wm8eutil \
    ./usr/share/man/man1/discwright-cli.1.gz ./usr/share/applications/org.discwright.Discwright.desktop; do
    grep -q " $f\$" <<<"$contents" || fail "not in the package: $f"
done
shipped=$(ls "$SOURCE"/lang/CLan_*.ini | wc -l)
packaged=$(grep -c "/usr/share/discwright/CLan_.*\.ini$" <<<"$contents")
[ "$shipped" -eq "$packaged" ] || fail "$packaged of $shipped language files in the package"
grep -q "\.so" <<<"$contents" && fail "the package bundles libraries: $(grep '\.so' <<<"$contents")"
depends=$(dpkg-deb -f "$deb" Depends)
for p in lame libvorbisenc2 qt6-qpa-plugins libqt6widgets6 libcdio19 libavcodec59; do
    grep -q "\b$p\b" <<<"$depends" || fail "Depends lacks $p: $depends"
done
# Errors and warnings; "running as root" is lintian talking about itself.
report=$(lintian "$deb" 2>&1 | grep -v "running with root privileges" || true)
[ -z "$report" ] || fail "lintian: $report"

echo "$failures failures"
[ "$failures" -eq 0 ]
