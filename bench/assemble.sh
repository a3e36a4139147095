#!/bin/sh
# Speed of the final assembly, run by hand (not part of the tests).
#
# Makes a LOW and a FAST movie with ffmpeg (same frames, key frames every
# 25 frames, different quality, PCM audio), a project that takes the movie
# from both in alternating parts of 250 frames, and times side by side:
#   flintmoor-cli assemble          (writes about one movie's worth)
#   cat LOW FAST > file             (writes both movies: the plain copy)
#   ffmpeg concat demuxer, -c copy  (joins both movies by stream copy)
# and prints the ratios (best of RUNS runs each). The target is
# assemble / cat <= 1.0.
#
# Usage: bench/assemble.sh [FRAMES] [SIZE]       (default 3000 1280x720)
# Environment: RUNS (default 3), BUILD_DIR and WORK_DIR (bench/setup.sh).

set -eu
FRAMES=${1:-3000}
SIZE=${2:-1280x720}
. "$(dirname "$0")/setup.sh"

make_movie() { # name quality
    [ -f "$WORK/$1" ] && return
    ffmpeg -v error -y -nostdin -f lavfi -i "testsrc2=size=$SIZE:rate=25" -f lavfi -i "sine=sample_rate=48000" \
        -map 0:v -frames:v "$FRAMES" -c:v mpeg4 -q:v "$2" -g 100000 \
        -force_key_frames 'expr:eq(mod(n,25),0)' -sc_threshold 1000000000 \
        -map 1:a -c:a pcm_s16le -ac 2 -shortest "$WORK/$1"
}
echo "making $FRAMES frames of $SIZE in $WORK ..."
make_movie low.avi 2
make_movie fast.avi 4

PROJECT=$WORK/project.ini
{
    printf '[Movie Settings]\r\nLow-File=%s\r\nFast-File=%s\r\n' "$WORK/low.avi" "$WORK/fast.avi"
    row=0
    start=0
    while [ "$start" -lt "$FRAMES" ]; do
        end=$((start + 250))
        [ "$end" -gt "$FRAMES" ] && end=$FRAMES
        codec=LOW
        [ $((row % 2)) -eq 1 ] && codec=FAST
        printf 'StartFrame%d=%d\r\nEndFrame%d=%d\r\nCodec%d=%s\r\n' "$row" "$start" "$row" "$end" "$row" "$codec"
        row=$((row + 1))
        start=$end
    done
} >"$PROJECT"
printf "file '%s'\nfile '%s'\n" "$WORK/low.avi" "$WORK/fast.avi" >"$WORK/concat.txt"

. "$ROOT/bench/timing.sh"
warm() { cat "$WORK/low.avi" "$WORK/fast.avi" >/dev/null; }

t_asm=$(timed "$CLI" assemble --project "$PROJECT" --output "$WORK/final.avi" 2>/dev/null)
t_cat=$(timed sh -c "cat '$WORK/low.avi' '$WORK/fast.avi' > '$WORK/cat.avi'")
t_ff=$(timed ffmpeg -v error -y -nostdin -f concat -safe 0 -i "$WORK/concat.txt" -c copy "$WORK/ffconcat.avi")

echo
printf '%-22s %10s %12s\n' "" "seconds" "MB written"
printf '%-22s %10.3f %12s\n' "flintmoor assemble" "$t_asm" "$(mb "$WORK/final.avi")"
printf '%-22s %10.3f %12s\n' "cat LOW FAST" "$t_cat" "$(mb "$WORK/cat.avi")"
printf '%-22s %10.3f %12s\n' "ffmpeg concat -c copy" "$t_ff" "$(mb "$WORK/ffconcat.avi")"
printf 'inputs: LOW %s MB, FAST %s MB\n' "$(mb "$WORK/low.avi")" "$(mb "$WORK/fast.avi")"
printf 'ratio assemble / cat:    %.2f (target <= 1.0)\n' "$(echo "$t_asm / $t_cat" | bc -l)"
printf 'ratio assemble / ffmpeg: %.2f\n' "$(echo "$t_asm / $t_ff" | bc -l)"

rm -f "$WORK/final.avi" "$WORK/cat.avi" "$WORK/ffconcat.avi"
[ -n "$KEEP" ] || rm -rf "$WORK"
