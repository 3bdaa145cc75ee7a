# Shared by the benchmark scripts (sourced): timing helpers.

# Best wall time in seconds of RUNS (default 3) runs of a command; a failing run stops the
# benchmark, so a broken command is never timed as a fast one.
best() {
    local bestTime="" t0 t1 t
    for _ in $(seq "${RUNS:-3}"); do
        t0=$(date +%s.%N)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        t1=$(date +%s.%N)
        t=$(echo "$t1 - $t0" | bc -l)
        if [ -z "$bestTime" ] || [ "$(echo "$t < $bestTime" | bc -l)" = 1 ]; then bestTime=$t; fi
    done
    echo "$bestTime"
}

# Sets CLI to discwright-cli in the folder BIN and checks that it is built and that every
# TOOL is installed; exits 2 when not.
need_cli_and_tools() {
    CLI="$1/discwright-cli"
    [ -x "$CLI" ] || { echo "no $CLI (build discwright-cli first)" >&2; exit 2; }
    shift
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 2; }
    done
}

# Sets `work` to a new temporary folder that is removed when the script exits.
new_work_dir() {
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
}

# Writes DIR/disc.bin (10 minutes of tones over noise as raw CD audio) and DIR/disc.cue, five
# tracks of two minutes each, and reads the image into the page cache.
make_five_track_disc() {
    local dir=$1 n
    sox -r 44100 -c 2 -n -b 16 -e signed -t raw "$dir/disc.bin" \
        synth 600 sine 440 sine 660 synth 600 pinknoise mix gain -n -3
    {
        echo 'FILE "disc.bin" BINARY'
        for n in 1 2 3 4 5; do
            printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:00:00\n' "$n" $(((n - 1) * 2))
        done
    } >"$dir/disc.cue"
    cat "$dir/disc.bin" >/dev/null
}

# User + system CPU seconds of one run of a command (its output discarded); a failing run stops
# the benchmark.
cpu() {
    local TIMEFORMAT='%U %S' out
    out=$( { time "$@" >/dev/null 2>&1; } 2>&1 ) || { echo "failed: $*" >&2; exit 1; }
    echo "$out" | awk '{ printf "%.3f\n", $1 + $2 }'
}
