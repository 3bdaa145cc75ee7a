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
. bench/lib.sh
need_cli_and_tools "$BIN" cd-paranoia lame sox
new_work_dir
make_five_track_disc "$work"
mkdir -p "$work/ours" "$work/ref"

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
