#!/usr/bin/env bash
# Navigation in the main window: "Next" (keypad +) pressed 100 times in a
# row on a DIV3 movie, the median time from the key press until both screens
# show the new frame, idle and while the oracle runs. Target: median <= 20 ms.
#   bench/navigation.sh [FRAMES] [SIZE]   (default 1500 1280x720)
set -euo pipefail
source "$(dirname "$0")/setup.sh"
frames=${1:-1500}
size=${2:-1280x720}
if [ "$BUILD_DIR" = "$ROOT/build/release" ]; then
  "$ROOT/scripts/build" release --target bench_navigation >/dev/null
else
  cmake --build "$BUILD_DIR" --target bench_navigation >/dev/null
fi
for kind in low:3 fast:8; do
  name=${kind%%:*}
  [ -f "$WORK/$name.avi" ] || ffmpeg -v error -y -nostdin -f lavfi -i "testsrc2=size=$size:rate=25" \
    -frames:v "$frames" -c:v msmpeg4v3 -vtag DIV3 -q:v "${kind##*:}" -g 100000 \
    -force_key_frames 'expr:eq(mod(n,25),0)' -sc_threshold 1000000000 "$WORK/$name.avi"
done
# A cached oracle file would let the oracle end at once.
rm -f "$WORK"/*_oracle.dat
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD_DIR/bench/bench_navigation" "$WORK/low.avi" "$WORK/fast.avi"
[ -n "$KEEP" ] || rm -rf "$WORK"
