#!/bin/sh
# Speed of the one-pass LOW/FAST encoding, run by hand (not part of the tests).
#
# Makes the built-in sample movie and times side by side:
#   flintmoor-cli encode            (decodes once, both compressors side by side)
#   ffmpeg for LOW, then ffmpeg for FAST, with the presets' settings
# and prints the ratio (best of RUNS runs each). The target is
# encode / (ffmpeg LOW + ffmpeg FAST) <= 0.7.
#
# Usage: bench/encode.sh [FRAMES] [SIZE]       (default 750 640x480)
# Environment: RUNS (default 3), BUILD_DIR and WORK_DIR (bench/setup.sh).

set -eu
FRAMES=${1:-750}
SIZE=${2:-640x480}
. "$(dirname "$0")/setup.sh"

SRC=$WORK/source.avi
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

t_ours=$(timed "$CLI" encode "$SRC" --low "$WORK/low.avi" --fast "$WORK/fast.avi" 2>/dev/null)
t_fflow=$(timed ffenc "$LOW" "$WORK/fflow.avi")
t_fffast=$(timed ffenc "$FAST" "$WORK/fffast.avi")
t_ff=$(echo "$t_fflow + $t_fffast" | bc -l)

echo
printf '%-26s %10s %10s\n' "" "seconds" "MB"
printf '%-26s %10.3f %10s\n' "flintmoor encode (both)" "$t_ours" "$(mb "$WORK/low.avi") + $(mb "$WORK/fast.avi")"
printf '%-26s %10.3f %10s\n' "ffmpeg LOW" "$t_fflow" "$(mb "$WORK/fflow.avi")"
printf '%-26s %10.3f %10s\n' "ffmpeg FAST" "$t_fffast" "$(mb "$WORK/fffast.avi")"
printf 'source: %s, %s frames, %s MB\n' "$SIZE" "$FRAMES" "$(mb "$SRC")"
printf 'ratio encode / (ffmpeg LOW + ffmpeg FAST): %.2f (target <= 0.7)\n' "$(echo "$t_ours / $t_ff" | bc -l)"

rm -f "$WORK/low.avi" "$WORK/fast.avi" "$WORK/fflow.avi" "$WORK/fffast.avi"
[ -n "$KEEP" ] || rm -rf "$WORK"
