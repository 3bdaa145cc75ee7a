#!/usr/bin/env bash
# The rip through the CD input, to WAV: discwright-cli rip --paranoia --format wav of a cached
# 10-minute .bin/.cue (five tracks) against cd-paranoia ripping the same tracks from the same
# image, full paranoia on both sides (CDOptions/Paranoia=1; cd-paranoia's default mode), best
# of RUNS each (a run is under half a second, so one alone swung the ratio from 0.7 to 1.2 on a
# shared machine). Checks that the WAV files are identical and prints the ratio
# ours / cd-paranoia; the goal is at most 1.2.
#
# Usage: bench/paranoia.sh [BIN_DIR] (default build/bin); RUNS=3 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/bin}
export RUNS=${RUNS:-3}
. bench/lib.sh
need_cli_and_tools "$BIN" cd-paranoia sox
new_work_dir
make_five_track_disc "$work"
mkdir -p "$work/ours" "$work/ref"

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
