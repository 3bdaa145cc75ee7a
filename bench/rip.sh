#!/usr/bin/env bash
# Whole-disc rip to MP3 of a cached 10-minute .bin/.cue (five tracks), all on the same image:
#   extract-only  discwright-cli rip --format wav
#   encode-only   discwright-cli convert wav2mp3 of those five WAVs, one file at a time
#   rip           discwright-cli rip --format mp3 (the drive reads on while tracks are encoded)
#   strict rip    the same with EncoderThreads=1 and Pipeline=0 (read a track, encode it, ...)
#   reference     a shell loop of cd-paranoia + lame per track with the same lame options
# (-b 128 -m j, the default MP3 options). Prints the times and the ratios: the rip against the
# sum of extract-only and encode-only (goal <= 0.70 on 2 cores) and against the larger of the
# two (goal <= 1.15); the strict rip against the sum (about 1.0); the rip against the reference.
# The rips do not ask the AccurateRip database (no network).
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
mkdir -p "$work/ours" "$work/strict" "$work/wav" "$work/mp3" "$work/ref"
common=(--program-folder "$work" --set Mp3Options/BitRate=128 --set Mp3Options/StereoMode=1
        --set AccurateRip/Use=0)

reference() {
    for n in 1 2 3 4 5; do
        cd-paranoia -q -Z -d "$work/disc.cue" "$n" "$work/ref/$n.wav"
        lame --quiet -b 128 -m j "$work/ref/$n.wav" "$work/ref/$n.mp3"
        rm -f "$work/ref/$n.wav"
    done
}
extract_only() { rm -f "$work/wav"/*; "$CLI" "${common[@]}" rip --image "$work/disc.cue" --format wav --out "$work/wav"; }
encode_only() {
    rm -f "$work/mp3"/*
    "$CLI" "${common[@]}" --set CommonOptions/EncoderThreads=1 convert wav2mp3 "$work/wav"/*.wav --out "$work/mp3"
}
rip() { rm -rf "$work/ours"/*; "$CLI" "${common[@]}" rip --image "$work/disc.cue" --format mp3 --out "$work/ours"; }
strict() {
    rm -rf "$work/strict"/*
    "$CLI" "${common[@]}" --set CommonOptions/EncoderThreads=1 --set CommonOptions/Pipeline=0 \
        rip --image "$work/disc.cue" --format mp3 --out "$work/strict"
}

extract=$(best extract_only)
encode=$(best encode_only)
ours=$(best rip)
old=$(best strict)
ref=$(best reference)
[ "$(ls "$work/ours"/*.mp3 | wc -l)" = 5 ] || { echo "the rip did not write five MP3 files" >&2; exit 1; }
for f in "$work/strict"/*.mp3; do
    cmp -s "$f" "$work/ours/$(basename "$f")" || { echo "$(basename "$f") differs from the strict rip's" >&2; exit 1; }
done
sum=$(echo "$extract + $encode" | bc -l)
max=$(echo "if ($extract > $encode) $extract else $encode" | bc -l)
printf 'extract-only (rip --format wav):       %.3f s\n' "$extract"
printf 'encode-only (convert, one at a time):  %.3f s\n' "$encode"
printf 'rip --format mp3:                      %.3f s\n' "$ours"
printf 'rip, EncoderThreads=1 Pipeline=0:      %.3f s\n' "$old"
printf 'cd-paranoia -Z + lame per track:       %.3f s\n' "$ref"
printf 'ratio rip/(extract+encode): %.3f (goal <= 0.70)\n' "$(echo "$ours / $sum" | bc -l)"
printf 'ratio rip/max(extract,encode): %.3f (goal <= 1.15)\n' "$(echo "$ours / $max" | bc -l)"
printf 'ratio strict rip/(extract+encode): %.3f (about 1.0)\n' "$(echo "$old / $sum" | bc -l)"
printf 'ratio rip/reference: %.3f\n' "$(echo "$ours / $ref" | bc -l)"
