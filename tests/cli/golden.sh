#!/usr/bin/env bash
# Runs discwright-cli's disc commands (toc, toc --paranoia, extract, rip in every format on both
# read paths, cddb) on a three-track disc image and compares what they print with the recorded
# lines in golden/. Progress figures (percentages and times) and the temporary folder are
# masked, and repeated progress lines are folded, so only the commands' own lines and the
# order of their steps are compared.
#
#   golden.sh BIN_DIR            compare (exit 1 and a diff on a difference)
#   golden.sh BIN_DIR --record   write golden/ anew
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)
record=${2:-}
cli="$bin/discwright-cli"
work=$(mktemp -d)
stub_pid=
trap '[ -n "$stub_pid" ] && kill $stub_pid 2>/dev/null; rm -rf "$work"' EXIT
export PATH="$bin:$PATH"

# The disc: three tracks of 1000, 1500 and 1337 sectors of a fixed byte pattern.
python3 - "$work/disc" <<'PY'
import os, sys
d = sys.argv[1]; os.makedirs(d)
lengths = [1000, 1500, 1337]
with open(os.path.join(d, "disc.bin"), "wb") as f:
    for t, n in enumerate(lengths):
        block = bytes(((i * 7 + t * 13) * 31) % 251 for i in range(2352))
        f.write(block * n)
starts = [0, 1000, 2500]
with open(os.path.join(d, "disc.cue"), "w") as f:
    f.write('FILE "disc.bin" BINARY\n')
    for t, s in enumerate(starts):
        f.write("  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n" % (t + 1, s // 4500, s // 75 % 60, s % 75))
PY
image="$work/disc/disc.cue"

python3 "$here/cddb_stub.py" >"$work/port" &
stub_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

out="$work/out"
mkdir -p "$out"
n=0
run() { # run NAME ARGS... : one command with a program folder of its own
    local name=$1
    shift
    n=$((n + 1))
    local pf="$work/pf-$name"
    {
        echo "\$ discwright-cli $*"
        "$cli" --program-folder "$pf" --set "AccurateRip/Server=http://127.0.0.1:$port" \
            --set CommonOptions/Pipeline=0 "$@" >"$work/stdout" \
            2>"$work/stderr"
        echo "exit $?"
        echo "--- stdout"
        cat "$work/stdout"
        echo "--- stderr"
        sed -E "s#127.0.0.1:$port#127.0.0.1:PORT#g" "$work/stderr" | sed -E 's/[0-9]+%/N%/g; s/[0-9]+:[0-9]{2}/mm:ss/g' | uniq
    } | sed "s#$work#WORK#g; s#127.0.0.1:$port#127.0.0.1:PORT#g" >"$out/$name.txt"
}

run toc toc --image "$image"
run toc-paranoia toc --paranoia --image "$image"
run extract extract --image "$image" --track 2 --out "$work/x1"
run extract-options extract --image "$image" --track 1 --seconds 3 --normalize 50 --title "A/B: c?" --out "$work/x2"
run extract-bad-track extract --image "$image" --track 9 --out "$work/x3"
for format in mp3 wav ogg wma; do
    run "rip-$format" rip --image "$image" --format $format --out "$work/r-$format"
    run "rip-paranoia-$format" rip --paranoia --image "$image" --format $format --out "$work/rp-$format"
done
run rip-fields rip --image "$image" --tracks 1,3 --format mp3 --title "1=Second / Song: Part II" --artist Band \
    --album Album --year 1999 --genre Rock --comment Note --set ID3/Use=1 --set CommonOptions/IsKeepWav=1 \
    --out "$work/r-fields"
run rip-paranoia-fields rip --paranoia --image "$image" --tracks 2 --format mp3 --title "2=Same" --artist Band \
    --out "$work/rp-fields"
run cddb cddb --image "$image" --server "http://127.0.0.1:$port"
run cddb-paranoia cddb --paranoia --image "$image" --server "http://127.0.0.1:$port"
# --apply stores the record, which the next toc of the same program folder shows.
"$cli" --program-folder "$work/pf-applied" --set "AccurateRip/Server=http://127.0.0.1:$port" cddb --image "$image" --server "http://127.0.0.1:$port" --apply \
    >/dev/null 2>&1
cp -r "$work/pf-applied" "$work/pf-toc-applied"
run toc-applied toc --image "$image"

if [ "$record" = "--record" ]; then
    rm -rf "$here/golden"
    cp -r "$out" "$here/golden"
    echo "recorded $n commands in $here/golden"
    exit 0
fi
if diff -ru "$here/golden" "$out"; then
    echo "$n commands print the recorded lines"
    exit 0
fi
exit 1
