#!/usr/bin/env bash
# Ogg Vorbis encoding speed: discwright-cli's TVorbisOut at quality 0.4 against oggenc -q 4 on
# the same 10-minute stereo 44.1 kHz WAV. Prints both times (best of RUNS) and their ratio
# (ours / oggenc; the goal is 1.05 or less).
#
# Usage: bench/ogg.sh [BIN_DIR] (default build/bin); RUNS=3 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/bin}
RUNS=${RUNS:-3}
CLI="$BIN/discwright-cli"
[ -x "$CLI" ] || { echo "no $CLI (build discwright-cli first)" >&2; exit 2; }
command -v oggenc >/dev/null || { echo "oggenc not found (vorbis-tools)" >&2; exit 2; }
command -v sox >/dev/null || { echo "sox not found" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Music-like material: two tones over pink noise, slightly different per channel.
sox -n -r 44100 -c 2 -b 16 "$work/in.wav" synth 600 sine 440 sine 660 synth 600 pinknoise mix gain -n -3

# Runs alternate (ours, reference, ours, ...) so that load from elsewhere hits both alike; the
# best wall time and the best CPU time of each side count.
measure() { # command... -> "wall user" of one run
    local TIMEFORMAT='%R %U'
    { time "$@" >/dev/null 2>&1; } 2>&1
}
oursWall=""; oursCpu=""; refWall=""; refCpu=""
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
for _ in $(seq "$RUNS"); do
    read -r w c < <(measure "$CLI" --program-folder "$work" --yes encode ogg --quality 0.4 "$work/in.wav" "$work/ours.ogg")
    oursWall=$(min "$oursWall" "$w"); oursCpu=$(min "$oursCpu" "$c")
    read -r w c < <(measure oggenc -Q -q 4 -o "$work/ref.ogg" "$work/in.wav")
    refWall=$(min "$refWall" "$w"); refCpu=$(min "$refCpu" "$c")
done

printf 'TVorbisOut q0.4: %.2f s wall, %.2f s CPU (%s bytes)\n' "$oursWall" "$oursCpu" "$(stat -c %s "$work/ours.ogg")"
printf 'oggenc -q 4:     %.2f s wall, %.2f s CPU (%s bytes)\n' "$refWall" "$refCpu" "$(stat -c %s "$work/ref.ogg")"
printf 'ratio ours/oggenc: %.3f wall, %.3f CPU\n' "$(echo "$oursWall / $refWall" | bc -l)" "$(echo "$oursCpu / $refCpu" | bc -l)"
