#!/usr/bin/env bash
# WMA encoding speed: our wm8eutil against the ffmpeg command-line tool's wmav2 encoder on the
# same 10-minute WAV at the same setting. Prints both times and the ratio (ours / ffmpeg).
#
# usage: bench/wma.sh [BUILD_DIR] [SETTING]     (defaults: build, 128_44_2)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
setting="${2:-128_44_2}"
tool="$build/bin/wm8eutil"
[ -x "$tool" ] || { echo "wm8eutil not built in $build/bin" >&2; exit 1; }
for t in sox ffmpeg; do command -v "$t" >/dev/null || { echo "$t is not installed" >&2; exit 1; }; done

IFS=_ read -r kbps rate channels <<<"$setting"
case "$rate" in
48) hz=48000 ;; 44) hz=44100 ;; 32) hz=32000 ;; 22) hz=22050 ;; 16) hz=16000 ;; 11) hz=11025 ;; 8) hz=8000 ;;
*) echo "bad setting $setting" >&2; exit 1 ;;
esac
[ "$kbps" -lt 24 ] && kbps=24

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/in.wav" synth 600 pinknoise vol 0.3

. "$here/bench/lib.sh"

ours=$(best "$tool" -input "$work/in.wav" -output "$work/ours.wma" -a_setting "$setting")
theirs=$(best ffmpeg -y -v error -i "$work/in.wav" -c:a wmav2 -b:a "${kbps}k" -ar "$hz" -ac "$channels" "$work/ffmpeg.wma")

printf 'setting %s, 600 s of audio\n' "$setting"
awk -v o="$ours" -v f="$theirs" -v os="$(stat -c %s "$work/ours.wma")" -v fs="$(stat -c %s "$work/ffmpeg.wma")" 'BEGIN {
    printf "wm8eutil   %6.2f s  (%4.0fx real time)  %d bytes\n", o, 600 / o, os
    printf "ffmpeg     %6.2f s  (%4.0fx real time)  %d bytes\n", f, 600 / f, fs
    printf "ratio wm8eutil/ffmpeg: %.2f (time), %.3f (size)\n", o / f, os / fs
}'
