#!/usr/bin/env bash
# WAV conversion speed: discwright-cli wav convert (TWaveIn → TFastResampler →
# TAudioConverter → TWaveOut) against the equivalent sox command on the same 10-minute
# stereo file: 44.1 → 22.05 kHz, 22.05 → 44.1 kHz, IMA ADPCM encode and decode, 16 → 8 bits.
# Prints both times (best of RUNS) and the ratio ours / sox for each.
#
# Usage: bench/wav.sh [BIN_DIR] (default build/bin); RUNS=3 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/bin}
RUNS=${RUNS:-3}
CLI="$BIN/discwright-cli"
[ -x "$CLI" ] || { echo "no $CLI (build discwright-cli first)" >&2; exit 2; }
command -v sox >/dev/null || { echo "sox not found" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -r 44100 -c 2 -n -b 16 "$work/in44.wav" synth 600 sine 440 sine 660 synth 600 pinknoise mix gain -n -3
sox "$work/in44.wav" -r 22050 "$work/in22.wav"
sox "$work/in44.wav" -e ima-adpcm "$work/ima.wav"
cat "$work"/*.wav >/dev/null # into the page cache

. bench/lib.sh
ours() { "$CLI" --program-folder "$work" --yes wav convert "$@"; }

compare() { # name, our arguments..., --, sox arguments...
    local name=$1
    shift
    local a=() b=()
    while [ "$1" != "--" ]; do a+=("$1"); shift; done
    shift
    b=("$@")
    local t1 t2
    t1=$(best ours "${a[@]}")
    t2=$(best sox "${b[@]}")
    printf '%-26s ours %7.3f s   sox %7.3f s   ratio ours/sox %.3f\n' "$name" "$t1" "$t2" "$(echo "$t1 / $t2" | bc -l)"
}

compare "resample 44.1 -> 22.05 kHz" "$work/in44.wav" "$work/o1.wav" --rate 22050 -- \
    "$work/in44.wav" -r 22050 "$work/s1.wav"
compare "resample 22.05 -> 44.1 kHz" "$work/in22.wav" "$work/o2.wav" --rate 44100 -- \
    "$work/in22.wav" -r 44100 "$work/s2.wav"
compare "IMA ADPCM encode" "$work/in44.wav" "$work/o3.wav" --encoding adpcm -- \
    "$work/in44.wav" -e ima-adpcm "$work/s3.wav"
compare "IMA ADPCM decode" "$work/ima.wav" "$work/o4.wav" -- \
    "$work/ima.wav" -e signed-integer -b 16 "$work/s4.wav"
compare "16 -> 8 bits" "$work/in44.wav" "$work/o5.wav" --bits 8 -- \
    -D "$work/in44.wav" -b 8 "$work/s5.wav"
