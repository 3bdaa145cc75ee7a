#!/usr/bin/env bash
# What AccurateRip and the CRC32 add to a rip: discwright-cli rip --format wav of a cached
# 10-minute .bin/.cue (five tracks) with the AccurateRip check on (a database on 127.0.0.1 that
# does not know the disc, so the fetch and every verdict run) against the same rip with the
# check off, both without a log (with neither, no checksum is computed). cd-paranoia -Z
# reading the same tracks runs beside them for scale. Prints the times and the ratio with/without;
# the goal is at most 1.03.
#
# Usage: bench/accuraterip.sh [BIN_DIR] (default build/bin); RUNS=5 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/bin}
export RUNS=${RUNS:-5}
. bench/lib.sh
need_cli_and_tools "$BIN" cd-paranoia sox python3
new_work_dir
make_five_track_disc "$work"
mkdir -p "$work/out" "$work/ref" "$work/www"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$work/www" "$port" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
sleep 0.5

rip() {
    rm -f "$work/out"/*
    "$CLI" --program-folder "$work" --set Log/Write=0 --set "AccurateRip/Server=http://127.0.0.1:$port" "$@" \
        rip --image "$work/disc.cue" --format wav --out "$work/out"
}
reference() {
    for n in 1 2 3 4 5; do
        cd-paranoia -q -Z -d "$work/disc.cue" "$n" "$work/ref/$n.wav"
    done
}

"$CLI" --program-folder "$work" --set "AccurateRip/Server=http://127.0.0.1:$port" \
    rip --image "$work/disc.cue" --format wav --out "$work/out" | grep -q "not in the database" ||
    { echo "the rip printed no AccurateRip verdict" >&2; exit 1; }
with=$(best rip --set AccurateRip/Use=1)
without=$(best rip --set AccurateRip/Use=0)
ref=$(best reference)
printf 'rip --format wav, AccurateRip + CRC32:  %.3f s\n' "$with"
printf 'rip --format wav, no checksums:         %.3f s\n' "$without"
printf 'cd-paranoia -Z per track:               %.3f s\n' "$ref"
printf 'ratio with/without: %.3f (goal <= 1.03)\n' "$(echo "$with / $without" | bc -l)"
