#!/usr/bin/env bash
# Whole-disc rip to MP3: discwright-cli rip --format mp3 of a cached 10-minute .bin/.cue (five
# tracks) against a shell loop of cd-paranoia + lame per track with the same lame options
# (-b 128 -m j, the default MP3 options), one run each. Prints both times and the ratio
# ours / reference; the goal is at most 1.05 (the rip's time is the sum of its steps).
#
# Usage: bench/rip.sh [BIN_DIR] (default build/bin); RUNS=1 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/bin}
export RUNS=${RUNS:-1}
CLI="$BIN/discwright-cli"
[ -x "$CLI" ] || { echo "no $CLI (build discwright-cli first)" >&2; exit 2; }
for tool in cd-paranoia lame sox; do
    command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -r 44100 -c 2 -n -b 16 -e signed -t raw "$work/disc.bin" \
    synth 600 sine 440 sine 660 synth 600 pinknoise mix gain -n -3
{
    echo 'FILE "disc.bin" BINARY'
    for n in 1 2 3 4 5; do
        printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:00:00\n' "$n" $(((n - 1) * 2))
    done
} >"$work/disc.cue"
cat "$work/disc.bin" >/dev/null # into the page cache
mkdir -p "$work/ours" "$work/ref"

. bench/lib.sh

reference() {
    for n in 1 2 3 4 5; do
        cd-paranoia -q -Z -d "$work/disc.cue" "$n" "$work/ref/$n.wav"
        lame --quiet -b 128 -m j "$work/ref/$n.wav" "$work/ref/$n.mp3"
        rm -f "$work/ref/$n.wav"
    done
}

ours=$(best "$CLI" --program-folder "$work" --set Mp3Options/BitRate=128 --set Mp3Options/StereoMode=1 \
    rip --image "$work/disc.cue" --format mp3 --out "$work/ours")
ref=$(best reference)
[ "$(ls "$work/ours"/*.mp3 | wc -l)" = 5 ] || { echo "the rip did not write five MP3 files" >&2; exit 1; }
printf 'discwright-cli rip --format mp3:  %.3f s\n' "$ours"
printf 'cd-paranoia -Z + lame per track:  %.3f s\n' "$ref"
printf 'ratio ours/reference: %.3f (goal <= 1.05)\n' "$(echo "$ours / $ref" | bc -l)"
