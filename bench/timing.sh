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

# side_by_side NAME...: runs the shell functions NAME... in turns, one run
# each per round for RUNS rounds (so that other work on the machine weighs on
# all of them alike), and sets t_NAME to the median of each one's runs.
side_by_side() {
    round=0
    while [ "$round" -lt "$RUNS" ]; do
        for name in "$@"; do
            t=$(RUNS=1 timed "$name")
            eval "runs_$name=\"\${runs_$name:-} $t\""
        done
        round=$((round + 1))
    done
    for name in "$@"; do
        eval "list=\$runs_$name"
        # shellcheck disable=SC2086
        eval "t_$name=$(printf '%s\n' $list | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')"
        eval "runs_$name="
    done
}
