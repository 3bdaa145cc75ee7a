#!/usr/bin/env bash
# FLAC encoding speed: discwright-cli encode flac at level 5 against flac -5 on the same
# 10-minute stereo 44.1 kHz WAV, both without and both with verification (ours verifies by
# default, flac only with -V). Prints the times (best of RUNS), the sizes and the ratios (ours /
# flac; the goal is 1.05 or less).
#
# Usage: bench/flac.sh [BIN_DIR] (default build/bin); RUNS=3 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
need_cli_and_tools "${1:-build/bin}" flac sox bc
new_work_dir
# Music-like material: two tones over pink noise, slightly different per channel.
sox -n -r 44100 -c 2 -b 16 "$work/in.wav" synth 600 sine 440 sine 660 synth 600 pinknoise mix gain -n -3

for verify in 0 1; do
    flags=(-5 -f -s)
    [ "$verify" = 1 ] && flags+=(-V)
    ours=$(best "$CLI" --program-folder "$work" --yes --set FlacOptions/Level=5 --set FlacOptions/Verify=$verify \
        encode flac "$work/in.wav" "$work/ours.flac")
    ref=$(best flac "${flags[@]}" -o "$work/ref.flac" "$work/in.wav")
    label=$([ "$verify" = 1 ] && echo "verifying" || echo "plain")
    printf '%-9s ours %.2f s (%s bytes), flac %s %.2f s (%s bytes), ratio ours/flac %.3f\n' "$label" "$ours" \
        "$(stat -c %s "$work/ours.flac")" "${flags[*]}" "$ref" "$(stat -c %s "$work/ref.flac")" "$(echo "$ours / $ref" | bc -l)"
done
