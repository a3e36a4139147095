#!/bin/sh
# Speed of the final assembly, run by hand (not part of the tests).
#
# Makes a LOW and a FAST movie with ffmpeg (bench/pair.sh: same frames, key
# frames every 25 frames, different quality, PCM audio), a project that takes
# the movie from both in alternating parts of 250 frames, and times side by
# side:
#   flintmoor-cli assemble          (writes about one movie's worth)
#   cat LOW FAST > file             (writes both movies: the plain copy)
#   ffmpeg concat demuxer, -c copy  (joins both movies by stream copy)
# and prints the ratios: the median of RUNS rounds in which the commands take
# turns. The target is assemble / cat <= 0.6 (the assembly writes about one
# movie where cat writes two: the limit is near 0.5).
#
# Usage: bench/assemble.sh [FRAMES] [SIZE]       (default 4500 1280x720: 3 minutes)
# Environment: RUNS (default 3), BUILD_DIR and WORK_DIR (bench/setup.sh),
# CODEC (default msmpeg4), LOW_Q and FAST_Q (default 3 and 2).

set -eu
FRAMES=${1:-4500}
SIZE=${2:-1280x720}
. "$(dirname "$0")/setup.sh"

. "$ROOT/bench/pair.sh"
CODEC=${CODEC:-msmpeg4}
echo "making $FRAMES frames of $SIZE in $WORK ..."
make_pair "$FRAMES" "$SIZE" "-c:v $CODEC -q:v ${LOW_Q:-3}" "-c:v $CODEC -q:v ${FAST_Q:-2}"

PROJECT=$WORK/project.ini
write_project "$FRAMES" "$PROJECT"
printf "file '%s'\nfile '%s'\n" "$WORK/low.avi" "$WORK/fast.avi" >"$WORK/concat.txt"

. "$ROOT/bench/timing.sh"
warm() { cat "$WORK/low.avi" "$WORK/fast.avi" >/dev/null; }

assemble() { "$CLI" assemble --project "$PROJECT" --output "$WORK/final.avi" 2>/dev/null; }
catboth() { cat "$WORK/low.avi" "$WORK/fast.avi" >"$WORK/cat.avi"; }
ffconcat() { ffmpeg -v error -y -nostdin -f concat -safe 0 -i "$WORK/concat.txt" -c copy "$WORK/ffconcat.avi"; }
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
side_by_side assemble catboth ffconcat
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
t_asm=$t_assemble
t_cat=$t_catboth
t_ff=$t_ffconcat

echo
printf '%-22s %10s %12s\n' "" "seconds (median)" "MB written"
printf '%-22s %10.3f %12s\n' "flintmoor assemble" "$t_asm" "$(mb "$WORK/final.avi")"
printf '%-22s %10.3f %12s\n' "cat LOW FAST" "$t_cat" "$(mb "$WORK/cat.avi")"
printf '%-22s %10.3f %12s\n' "ffmpeg concat -c copy" "$t_ff" "$(mb "$WORK/ffconcat.avi")"
printf 'inputs: LOW %s MB, FAST %s MB\n' "$(mb "$WORK/low.avi")" "$(mb "$WORK/fast.avi")"
printf 'ratio assemble / cat:    %.2f (target <= 0.6)\n' "$(echo "$t_asm / $t_cat" | bc -l)"
printf 'ratio assemble / ffmpeg: %.2f\n' "$(echo "$t_asm / $t_ff" | bc -l)"

rm -f "$WORK/final.avi" "$WORK/cat.avi" "$WORK/ffconcat.avi"
[ -n "$KEEP" ] || rm -rf "$WORK"
