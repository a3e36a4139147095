#!/bin/sh
# Speed of the oracle's measuring, run by hand (not part of the tests).
#
# Makes a LOW and a FAST movie with ffmpeg (bench/pair.sh: same frames, key
# frames every 25 frames, different quality) and times side by side, every
# frame measured (precision 1, a fresh oracle file each run so that nothing is
# read back from a cache):
#   a) without the source:
#        flintmoor-cli oracle --low --fast          (decodes LOW and FAST, detail sums)
#        ffmpeg -f null on LOW, then on FAST        (only decodes both)
#   b) with WITH_SOURCE=1 also with a source movie made first:
#        flintmoor-cli oracle --low --fast --source (decodes all three, differences)
#        ffmpeg psnr filter LOW against SOURCE, then FAST against SOURCE
# and prints the ratios: the median of RUNS rounds in which the commands take
# turns. Targets: a) <= 0.8, b) none fixed (<= 1.0 wanted).
#
# ffmpeg runs with its default decoding threads, as anyone would run it.
#
# Usage: bench/oracle.sh [FRAMES] [SIZE]       (default 4500 1280x720: 3 minutes)
# Environment: RUNS (default 3), BUILD_DIR and WORK_DIR (bench/setup.sh),
# CODEC (ffmpeg encoder of LOW and FAST: msmpeg4, the default, is the
# bitstream our own encoding writes, and ffmpeg decodes it on one thread; with
# mpeg4 ffmpeg decodes on frame threads over both cores), LOW_Q and FAST_Q
# (their quantisers, default 3 and 2), WITH_SOURCE, SOURCE_CODEC (ffmpeg
# options of the source, default "-c:v mpeg4 -q:v 1").

set -eu
FRAMES=${1:-4500}
SIZE=${2:-1280x720}
. "$(dirname "$0")/setup.sh"
. "$ROOT/bench/pair.sh"
CODEC=${CODEC:-msmpeg4}
WITH_SOURCE=${WITH_SOURCE:-}
SOURCE_CODEC=${SOURCE_CODEC:--c:v mpeg4 -q:v 1}

SRC=$WORK/source.avi
LOW=$WORK/low.avi
FAST=$WORK/fast.avi
echo "making $FRAMES frames of $SIZE in $WORK ..."
make_pair "$FRAMES" "$SIZE" "-c:v $CODEC -q:v ${LOW_Q:-3}" "-c:v $CODEC -q:v ${FAST_Q:-2}"
if [ -n "$WITH_SOURCE" ] && [ ! -f "$SRC" ]; then
    # shellcheck disable=SC2086
    ffmpeg -v error -y -nostdin -f lavfi -i "testsrc2=size=$SIZE:rate=25" -frames:v "$FRAMES" \
        $SOURCE_CODEC $PAIR_KEYS "$SRC"
fi

. "$ROOT/bench/timing.sh"
warm() { cat "$LOW" "$FAST" >/dev/null; [ -z "$WITH_SOURCE" ] || cat "$SRC" >/dev/null; }

ORACLE=$WORK/bench_oracle.dat
PROJECT=$WORK/oracle_project.ini
oracle() {
    rm -f "$ORACLE"
    "$CLI" oracle --low "$LOW" --fast "$FAST" --precision 1 --oracle-file "$ORACLE" --project "$PROJECT" \
        >/dev/null 2>&1
}
oracle_source() {
    rm -f "$ORACLE"
    "$CLI" oracle --low "$LOW" --fast "$FAST" --source "$SRC" --precision 1 --oracle-file "$ORACLE" \
        --project "$PROJECT" >/dev/null 2>&1
}
ffnull() {
    ffmpeg -v error -nostdin -i "$LOW" -f null -
    ffmpeg -v error -nostdin -i "$FAST" -f null -
}
ffpsnr() {
    ffmpeg -v error -nostdin -i "$LOW" -i "$SRC" -lavfi psnr -f null -
    ffmpeg -v error -nostdin -i "$FAST" -i "$SRC" -lavfi psnr -f null -
}

# One untimed run each, so that a failing oracle stops the script instead of
# being timed, and the oracle file shows that every interval was measured.
intervals=$(((FRAMES + 24) / 25))
for run in oracle ${WITH_SOURCE:+oracle_source}; do
    $run
    if [ "$(stat -c %s "$ORACLE")" -ne $((16 * intervals)) ]; then
        echo "the oracle ($run) did not measure $intervals intervals" >&2
        exit 1
    fi
done

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ -n "$WITH_SOURCE" ]; then side_by_side oracle ffnull oracle_source ffpsnr; else side_by_side oracle ffnull; fi
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

echo
printf '%-40s %10s\n' "" "seconds (median of $RUNS)"
printf '%-40s %10.3f\n' "flintmoor oracle (LOW, FAST)" "$t_oracle"
printf '%-40s %10.3f\n' "ffmpeg -f null LOW; FAST" "$t_ffnull"
printf 'inputs: %s frames of %s, LOW (%s) %s MB, FAST %s MB\n' "$FRAMES" "$SIZE" "$CODEC" "$(mb "$LOW")" \
    "$(mb "$FAST")"
printf 'ratio oracle / ffmpeg decoding:        %.2f (target <= 0.8)\n' "$(echo "$t_oracle / $t_ffnull" | bc -l)"
if [ -n "$WITH_SOURCE" ]; then
    printf '%-40s %10.3f\n' "flintmoor oracle --source" "$t_oracle_source"
    printf '%-40s %10.3f\n' "ffmpeg psnr LOW/SOURCE; FAST/SOURCE" "$t_ffpsnr"
    printf 'ratio oracle --source / ffmpeg psnr:   %.2f (wanted <= 1.0)\n' \
        "$(echo "$t_oracle_source / $t_ffpsnr" | bc -l)"
fi

rm -f "$ORACLE" "$PROJECT"
[ -n "$KEEP" ] || rm -rf "$WORK"
