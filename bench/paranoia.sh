#!/usr/bin/env bash
# The rip through the CD input, to WAV: discwright-cli rip --paranoia --format wav of a cached
# 10-minute .bin/.cue (five tracks) against cd-paranoia ripping the same tracks from the same
# image, full paranoia on both sides (CDOptions/Paranoia=1; cd-paranoia's default mode), one
# run each. Checks that the WAV files are identical and prints the ratio ours / cd-paranoia;
# the goal is at most 1.2.
#
# Usage: bench/paranoia.sh [BIN_DIR] (default build/bin); RUNS=1 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/bin}
export RUNS=${RUNS:-1}
CLI="$BIN/discwright-cli"
[ -x "$CLI" ] || { echo "no $CLI (build discwright-cli first)" >&2; exit 2; }
for tool in cd-paranoia sox; do
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
        cd-paranoia -q -d "$work/disc.cue" "$n" "$work/ref/Track0$n.wav"
    done
}

ours=$(best "$CLI" --program-folder "$work" --set CDOptions/Paranoia=1 \
    rip --paranoia --image "$work/disc.cue" --format wav --out "$work/ours")
ref=$(best reference)
for n in 1 2 3 4 5; do
    cmp -s <(tail -c +45 "$work/ours/Track0$n.wav") <(tail -c +45 "$work/ref/Track0$n.wav") ||
        { echo "track $n differs from cd-paranoia's" >&2; exit 1; }
done
printf 'discwright-cli rip --paranoia:  %.3f s\n' "$ours"
printf 'cd-paranoia per track:          %.3f s\n' "$ref"
printf 'ratio ours/cd-paranoia: %.3f (goal <= 1.2)\n' "$(echo "$ours / $ref" | bc -l)"
