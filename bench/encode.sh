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
# ffmpeg's options come from the presets as `flintmoor-cli codecs` lists them
# (bit rate, quantiser range, macroblock decision, motion search, trellis), so
# both sides do the same work per frame; ffmpeg's own rate control stands in
# for ours. Both aim at BITRATE kbit/s.
#
# Usage: bench/encode.sh [FRAMES] [SIZE]       (default 750 640x480)
# Environment: RUNS (default 3), BUILD_DIR and WORK_DIR (bench/setup.sh), MJPEG,
# BITRATE (default 900).

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
BITRATE=${BITRATE:-900}
KEYS="-g 25 -sc_threshold 1000000000"
# ffmpeg_options FOURCC: the preset's setting string turned into ffmpeg options.
ffmpeg_options() {
    "$CLI" codecs | awk -v fcc="$1" -v rate="$BITRATE" '$1 == fcc {
        n = split(substr($NF, length(fcc) + 2), kv, ",")
        out = "-c:v msmpeg4 -b:v " rate "k"
        for (i = 1; i <= n; i++) {
            split(kv[i], p, "=")
            if (p[1] == "qcomp") out = out " -qcomp " p[2] / 100
            else if (p[1] == "mbd") out = out " -mbd " p[2]
            else if (p[1] == "dia") out = out " -dia_size " p[2]
            else if (p[1] == "cmp") out = out " -cmp " p[2]
            else if (p[1] == "subcmp") out = out " -subcmp " p[2]
            else if (p[1] == "lastpred") out = out " -last_pred " p[2]
            else if (p[1] == "trellis") out = out " -trellis " p[2]
            else if (p[1] == "qmin") out = out " -qmin " p[2]
            else if (p[1] == "qmax") out = out " -qmax " p[2]
        }
        print out
        exit
    }'
}
LOW=$(ffmpeg_options DIV3)
FAST=$(ffmpeg_options DIV4)
echo "ffmpeg LOW:  $LOW"
echo "ffmpeg FAST: $FAST"
ffenc() { # options output
    # shellcheck disable=SC2086
    ffmpeg -v error -y -nostdin -i "$SRC" $1 $KEYS -c:a copy "$2"
}

ours() { "$CLI" encode "$SRC" --low "$WORK/low.avi" --fast "$WORK/fast.avi" --bitrate "$BITRATE" 2>/dev/null; }
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
