#!/usr/bin/env bash
# Playback cost: the CPU time (user + system) of playing a 20-second 44.1 kHz stereo Ogg Vorbis
# file in real time with `discwright-cli play`, against `ffplay -nodisp` on the same file. Both
# play through SDL2's disk driver into /dev/null, which paces them in real time as a sound card
# would. Prints both CPU times, ours as a share of one core, and the ratio ours / ffplay (goals:
# at most 3 % of a core, ratio at most 1.2).
#
# Usage: bench/play.sh [BIN_DIR] (default build/bin). Takes about 45 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
BIN=${1:-build/bin}
CLI="$BIN/discwright-cli"
[ -x "$CLI" ] || { echo "no $CLI (build discwright-cli first)" >&2; exit 2; }
for tool in ffplay oggenc sox; do
    command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
SECONDS_PLAYED=20
# Music-like material: two tones over pink noise.
sox -n -r 44100 -c 2 -b 16 "$work/in.wav" synth $SECONDS_PLAYED sine 440 sine 660 synth $SECONDS_PLAYED pinknoise mix gain -n -3
oggenc -Q -q 4 -o "$work/in.ogg" "$work/in.wav"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null
unset SDL_DISKAUDIODELAY
ours=$(cpu "$CLI" --program-folder "$work" play "$work/in.ogg")
ref=$(cpu ffplay -nodisp -autoexit -loglevel quiet "$work/in.ogg")

printf 'discwright-cli play: %.3f s CPU for %d s of audio (%.2f %% of one core)\n' "$ours" $SECONDS_PLAYED \
    "$(echo "$ours * 100 / $SECONDS_PLAYED" | bc -l)"
printf 'ffplay -nodisp:      %.3f s CPU (%.2f %% of one core)\n' "$ref" "$(echo "$ref * 100 / $SECONDS_PLAYED" | bc -l)"
printf 'ratio ours/ffplay: %.3f\n' "$(echo "$ours / $ref" | bc -l)"
