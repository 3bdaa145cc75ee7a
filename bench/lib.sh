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

# User + system CPU seconds of one run of a command (its output discarded); a failing run stops
# the benchmark.
cpu() {
    local TIMEFORMAT='%U %S' out
    out=$( { time "$@" >/dev/null 2>&1; } 2>&1 ) || { echo "failed: $*" >&2; exit 1; }
    echo "$out" | awk '{ printf "%.3f\n", $1 + $2 }'
}
