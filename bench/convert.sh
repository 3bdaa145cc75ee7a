#!/usr/bin/env bash
# Batch conversion: discwright-cli convert wav2mp3 of eight one-minute WAV files with two
# encoders at once (CommonOptions/EncoderThreads=2) against the same conversion one file at a
# time (EncoderThreads=1), and against a shell loop of lame over the files as a reference.
# Prints the times and the ratio two-at-once / one-at-a-time (goal <= 0.60 on 2 cores); the
# files of both runs must be the same bytes.
#
# Usage: bench/convert.sh [BIN_DIR] (default build/bin); RUNS=1 by default.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/bin}
export RUNS=${RUNS:-1}
. bench/lib.sh
need_cli_and_tools "$BIN" lame sox
new_work_dir
mkdir -p "$work/in" "$work/one" "$work/two" "$work/ref"
for n in 1 2 3 4 5 6 7 8; do
    sox -r 44100 -c 2 -n -b 16 "$work/in/$n.wav" synth 60 sine $((200 + 50 * n)) synth 60 pinknoise mix gain -n -3
done

convert() { # THREADS FOLDER
    rm -f "$work/$2"/*
    "$CLI" --program-folder "$work" --set Mp3Options/BitRate=128 --set Mp3Options/StereoMode=1 \
        --set "CommonOptions/EncoderThreads=$1" convert wav2mp3 "$work/in"/*.wav --out "$work/$2"
}
reference() {
    for f in "$work/in"/*.wav; do lame --quiet -b 128 -m j "$f" "$work/ref/$(basename "$f" .wav).mp3"; done
}

one=$(best convert 1 one)
two=$(best convert 2 two)
ref=$(best reference)
for f in "$work/one"/*.mp3; do
    cmp -s "$f" "$work/two/$(basename "$f")" || { echo "$(basename "$f") differs between the runs" >&2; exit 1; }
done
[ "$(ls "$work/two"/*.mp3 | wc -l)" = 8 ] || { echo "the conversion did not write eight MP3 files" >&2; exit 1; }
printf 'convert, EncoderThreads=1:  %.3f s\n' "$one"
printf 'convert, EncoderThreads=2:  %.3f s\n' "$two"
printf 'lame per file:              %.3f s\n' "$ref"
printf 'ratio two/one: %.3f (goal <= 0.60)\n' "$(echo "$two / $one" | bc -l)"
printf 'ratio one/reference: %.3f\n' "$(echo "$one / $ref" | bc -l)"
