#!/usr/bin/env bash
# Extraction speed from a disc image: discwright-cli extract (TCDRipThread, 10-sector raw
# reads) against cd-paranoia on the same 200-second track of a cached 10-minute .bin/.cue.
# Prints both times (best of RUNS, the tools taking turns so that load from elsewhere hits both
# alike), checks that the WAV files are identical, and prints the ratios ours / cd-paranoia with
# paranoia off (-Z) and in its default full mode. A run takes only some 40 ms, so the start-up
# of each program (ours loads Qt, SDL2 and libcurl) is printed too, and the -Z ratio once more
# without it: that one compares the extraction itself.
#
# Usage: bench/extract.sh [BIN_DIR] (default build/bin); RUNS=7 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/bin}
RUNS=${RUNS:-7}
CLI="$BIN/discwright-cli"
[ -x "$CLI" ] || { echo "no $CLI (build discwright-cli first)" >&2; exit 2; }
command -v cd-paranoia >/dev/null || { echo "cd-paranoia not found (package cd-paranoia)" >&2; exit 2; }
command -v sox >/dev/null || { echo "sox not found" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Three 200-second tracks (15000 sectors each) of tones over noise, as one raw .bin.
sox -r 44100 -c 2 -n -b 16 -e signed -t raw "$work/disc.bin" \
    synth 600 sine 440 sine 660 synth 600 pinknoise mix gain -n -3
cat >"$work/disc.cue" <<CUE
FILE "disc.bin" BINARY
  TRACK 01 AUDIO
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 01 03:20:00
  TRACK 03 AUDIO
    INDEX 01 06:40:00
CUE
cat "$work/disc.bin" >/dev/null # into the page cache

. bench/lib.sh

min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
ours=""; raw=""; full=""; oursStart=""; refStart=""
for _ in $(seq "$RUNS"); do
    ours=$(min "$ours" "$(RUNS=1 best "$CLI" --program-folder "$work" --yes extract --image "$work/disc.cue" --track 2 --out "$work" --title ours)")
    raw=$(min "$raw" "$(RUNS=1 best cd-paranoia -q -Z -d "$work/disc.cue" 2 "$work/raw.wav")")
    full=$(min "$full" "$(RUNS=1 best cd-paranoia -q -d "$work/disc.cue" 2 "$work/full.wav")")
    oursStart=$(min "$oursStart" "$(RUNS=1 best "$CLI" --help)")
    refStart=$(min "$refStart" "$(RUNS=1 best cd-paranoia --version)")
done
cmp -s "$work/ours.wav" "$work/raw.wav" || { echo "extracted WAV differs from cd-paranoia's" >&2; exit 1; }
printf 'discwright-cli extract:   %.3f s (start-up %.3f s)\n' "$ours" "$oursStart"
printf 'cd-paranoia -Z:           %.3f s (start-up %.3f s)\n' "$raw" "$refStart"
printf 'cd-paranoia (full mode):  %.3f s\n' "$full"
printf 'ratio ours/cd-paranoia -Z: %.3f (%.3f without start-up)\n' "$(echo "$ours / $raw" | bc -l)" \
    "$(echo "($ours - $oursStart) / ($raw - $refStart)" | bc -l)"
printf 'ratio ours/cd-paranoia:    %.3f\n' "$(echo "$ours / $full" | bc -l)"
