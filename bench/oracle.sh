#!/bin/sh
# Speed of the oracle's measuring, run by hand (not part of the tests).
#
# Makes a high-quality SOURCE movie with ffmpeg, encodes LOW and FAST from it
# (same frames, key frames every 25 frames, different quality) and times side
# by side, every frame measured (precision 1, a fresh oracle file each run so
# that nothing is read back from a cache):
#   a) without the source:
#        flintmoor-cli oracle --low --fast          (decodes LOW and FAST, detail sums)
#        ffmpeg -f null on LOW, then on FAST        (only decodes both)
#   b) with the source:
#        flintmoor-cli oracle --low --fast --source (decodes all three, differences)
#        ffmpeg psnr filter LOW against SOURCE, then FAST against SOURCE
# and prints the ratios (best of RUNS runs each, the commands taking turns).
# Targets: a) <= 1.0, b) none fixed (<= 1.0 wanted).
#
# ffmpeg runs with its default decoding threads, as anyone would run it.
#
# Usage: bench/oracle.sh [FRAMES] [SIZE]       (default 3000 1280x720)
# Environment: RUNS (default 3), BUILD_DIR and WORK_DIR (bench/setup.sh),
# CODEC (ffmpeg encoder of LOW and FAST: msmpeg4, the default, is
# the bitstream our own encoding writes, and ffmpeg decodes it on one thread;
# with mpeg4 ffmpeg decodes on frame threads over both cores, while we decode
# each movie on one thread), SOURCE_CODEC (ffmpeg options of the source,
# default "-c:v mpeg4 -q:v 1"; "-c:v ffv1" makes a lossless one, whose slow
# decoding then dominates both sides).

set -eu
FRAMES=${1:-3000}
SIZE=${2:-1280x720}
. "$(dirname "$0")/setup.sh"
CODEC=${CODEC:-msmpeg4}
SOURCE_CODEC=${SOURCE_CODEC:--c:v mpeg4 -q:v 1}

SRC=$WORK/source.avi
LOW=$WORK/low.avi
FAST=$WORK/fast.avi
KEYS="-g 100000 -force_key_frames expr:eq(mod(n,25),0) -sc_threshold 1000000000"
echo "making $FRAMES frames of $SIZE in $WORK ..."
if [ ! -f "$SRC" ]; then
    # shellcheck disable=SC2086
    ffmpeg -v error -y -nostdin -f lavfi -i "testsrc2=size=$SIZE:rate=25" -frames:v "$FRAMES" \
        $SOURCE_CODEC $KEYS "$SRC"
fi
make_movie() { # name quality
    [ -f "$1" ] && return
    # shellcheck disable=SC2086
    ffmpeg -v error -y -nostdin -i "$SRC" -c:v "$CODEC" -q:v "$2" $KEYS "$1"
}
make_movie "$LOW" 3
make_movie "$FAST" 8

. "$ROOT/bench/timing.sh"
warm() { cat "$SRC" "$LOW" "$FAST" >/dev/null; }

ORACLE=$WORK/bench_oracle.dat
PROJECT=$WORK/project.ini
oracle() { # extra options
    rm -f "$ORACLE"
    "$CLI" oracle --low "$LOW" --fast "$FAST" --precision 1 --oracle-file "$ORACLE" --project "$PROJECT" "$@" \
        >/dev/null 2>&1
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
for mode in plain source; do
    if [ "$mode" = source ]; then oracle --source "$SRC"; else oracle; fi
    if [ "$(stat -c %s "$ORACLE")" -ne $((16 * intervals)) ]; then
        echo "the oracle ($mode) did not measure $intervals intervals" >&2
        exit 1
    fi
done

# The four commands take turns, one run each per round, so that other work on
# the machine weighs on all of them alike; each keeps its best run.
lesser() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" -eq 1 ]; then echo "$2"; else echo "$1"; fi; }
rounds=$RUNS
t_plain=""
t_null=""
t_source=""
t_psnr=""
while [ "$rounds" -gt 0 ]; do
    t_plain=$(lesser "$t_plain" "$(RUNS=1 timed oracle)")
    t_null=$(lesser "$t_null" "$(RUNS=1 timed ffnull)")
    t_source=$(lesser "$t_source" "$(RUNS=1 timed oracle --source "$SRC")")
    t_psnr=$(lesser "$t_psnr" "$(RUNS=1 timed ffpsnr)")
    rounds=$((rounds - 1))
done

echo
printf '%-40s %10s\n' "" "seconds"
printf '%-40s %10.3f\n' "flintmoor oracle (LOW, FAST)" "$t_plain"
printf '%-40s %10.3f\n' "ffmpeg -f null LOW; FAST" "$t_null"
printf '%-40s %10.3f\n' "flintmoor oracle --source" "$t_source"
printf '%-40s %10.3f\n' "ffmpeg psnr LOW/SOURCE; FAST/SOURCE" "$t_psnr"
printf 'inputs: %s frames of %s, SOURCE %s MB, LOW (%s) %s MB, FAST %s MB\n' "$FRAMES" "$SIZE" "$(mb "$SRC")" \
    "$CODEC" "$(mb "$LOW")" "$(mb "$FAST")"
printf 'ratio oracle / ffmpeg decoding:        %.2f (target <= 1.0)\n' "$(echo "$t_plain / $t_null" | bc -l)"
printf 'ratio oracle --source / ffmpeg psnr:   %.2f (wanted <= 1.0)\n' "$(echo "$t_source / $t_psnr" | bc -l)"

rm -f "$ORACLE" "$PROJECT"
[ -n "$KEEP" ] || rm -rf "$WORK"
