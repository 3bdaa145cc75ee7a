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

now() { date +%s.%N; }
best() { # command... -> best wall time of RUNS runs
    local bestTime=""
    for _ in $(seq "$RUNS"); do
        local t0 t1 t
        t0=$(now)
        "$@" >/dev/null 2>&1
        t1=$(now)
        t=$(echo "$t1 - $t0" | bc -l)
        if [ -z "$bestTime" ] || [ "$(echo "$t < $bestTime" | bc -l)" = 1 ]; then bestTime=$t; fi
    done
    echo "$bestTime"
}

ours=$(best "$CLI" --program-folder "$work" --yes encode ogg --quality 0.4 "$work/in.wav" "$work/ours.ogg")
ref=$(best oggenc -Q -q 4 -o "$work/ref.ogg" "$work/in.wav")
printf 'TVorbisOut q0.4: %.2f s (%s bytes)\n' "$ours" "$(stat -c %s "$work/ours.ogg")"
printf 'oggenc -q 4:     %.2f s (%s bytes)\n' "$ref" "$(stat -c %s "$work/ref.ogg")"
printf 'ratio ours/oggenc: %.3f\n' "$(echo "$ours / $ref" | bc -l)"
