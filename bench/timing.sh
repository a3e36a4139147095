# Shared by the benchmark scripts (sourced, not run).
# timed CMD...: seconds of CMD including the flush of what it wrote, with the
# inputs in the page cache (the script's own `warm` function reads them); the
# best of RUNS runs (default 3), so that other work on the machine disturbs
# the comparison as little as possible. Needs bc.

now() { date +%s.%N; }
RUNS=${RUNS:-3}
timed() {
    best=""
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        warm
        sync
        t0=$(now)
        "$@"
        sync
        t1=$(now)
        t=$(echo "$t1 - $t0" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" -eq 1 ]; then best=$t; fi
        i=$((i + 1))
    done
    echo "$best"
}
mb() { echo "scale=1; $(stat -c %s "$1") / 1000000" | bc -l; }
