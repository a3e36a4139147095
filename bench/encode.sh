#!/bin/sh
# Speed of the one-pass LOW/FAST encoding, run by hand (not part of the tests).
#
# Makes the built-in sample movie (or with MJPEG=1 an MJPEG movie of testsrc2
# made by ffmpeg) and times side by side:
#   flintmoor-cli encode            (decodes once, both compressors side by side)
#   ffmpeg for LOW, then ffmpeg for FAST, with the presets' settings
# and prints the ratio: the median of RUNS rounds in which the commands take
# turns. The target is encode / (ffmpeg LOW + ffmpeg FAST) <= 0.6.
#
# Usage: bench/encode.sh [FRAMES] [SIZE]       (default 750 640x480)
# Environment: RUNS (default 3), BUILD_DIR and WORK_DIR (bench/setup.sh), MJPEG.

set -eu
FRAMES=${1:-750}
SIZE=${2:-640x480}
. "$(dirname "$0")/setup.sh"

SRC=$WORK/source.avi
if [ -n "${MJPEG:-}" ]; then
    SRC=$WORK/source_mjpeg.avi
    [ -f "$SRC" ] || ffmpeg -v error -y -nostdin -f lavfi -i "testsrc2=size=$SIZE:rate=25" -frames:v "$FRAMES" \
        -c:v mjpeg -q:v 3 "$SRC"
fi
[ -f "$SRC" ] || "$CLI" sample "$SRC" --size "$SIZE" --frames "$FRAMES" 2>/dev/null
. "$ROOT/bench/timing.sh"
warm() { cat "$SRC" >/dev/null; }

# The presets as ffmpeg options (flintmoor-cli codecs lists them): a key frame
# every 25 frames and none elsewhere, as our encoding requests them.
KEYS="-g 25 -sc_threshold 1000000000"
LOW="-c:v msmpeg4 -b:v 900k -minrate 900k -maxrate 900k -bufsize 900k -qcomp 0 -qmin 2 -qmax 31"
FAST="-c:v msmpeg4 -q:v 10 -qcomp 1 -mbd 2 -dia_size 2 -cmp 2 -subcmp 2 -last_pred 2 -qmin 2 -qmax 31"
ffenc() { # options output
    # shellcheck disable=SC2086
    ffmpeg -v error -y -nostdin -i "$SRC" $1 $KEYS -c:a copy "$2"
}

ours() { "$CLI" encode "$SRC" --low "$WORK/low.avi" --fast "$WORK/fast.avi" 2>/dev/null; }
fflow() { ffenc "$LOW" "$WORK/fflow.avi"; }
fffast() { ffenc "$FAST" "$WORK/fffast.avi"; }
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
side_by_side ours fflow fffast
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
t_ff=$(echo "$t_fflow + $t_fffast" | bc -l)

echo
printf '%-26s %10s %10s\n' "" "seconds (median)" "MB"
printf '%-26s %10.3f %10s\n' "flintmoor encode (both)" "$t_ours" "$(mb "$WORK/low.avi") + $(mb "$WORK/fast.avi")"
printf '%-26s %10.3f %10s\n' "ffmpeg LOW" "$t_fflow" "$(mb "$WORK/fflow.avi")"
printf '%-26s %10.3f %10s\n' "ffmpeg FAST" "$t_fffast" "$(mb "$WORK/fffast.avi")"
printf 'source: %s, %s frames, %s MB\n' "$SIZE" "$FRAMES" "$(mb "$SRC")"
printf 'ratio encode / (ffmpeg LOW + ffmpeg FAST): %.2f (target <= 0.6)\n' "$(echo "$t_ours / $t_ff" | bc -l)"

rm -f "$WORK/low.avi" "$WORK/fast.avi" "$WORK/fflow.avi" "$WORK/fffast.avi"
[ -n "$KEEP" ] || rm -rf "$WORK"
