#!/usr/bin/env bash
# The real program under a virtual X server, driven by real input events:
# open a project given on the command line, step to the next key frame, mark
# the end, add a LOW part, save the project through the file dialog, end
# with Escape; then check the saved project.
#   EndToEnd.sh FLINTMOOR   (run by CTest through xvfb-run)
set -euo pipefail
program=$1
work=$(mktemp -d)
pid=""
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

movie() {
  ffmpeg -v error -y -nostdin -f lavfi -i testsrc=size=64x48:rate=25 -frames:v 60 -c:v mpeg4 -q:v "$2" \
    -g 100000 -force_key_frames 'expr:eq(mod(n,25),0)' -sc_threshold 1000000000 "$1"
}
movie "$work/low.avi" 3
movie "$work/fast.avi" 12
printf '[Slider]\r\nValue=0\r\n\r\n[Movie Settings]\r\nLow-File=%s\r\nFast-File=%s\r\n\r\n' \
  "$work/low.avi" "$work/fast.avi" > "$work/project.ini"

export FLINTMOOR_CONTROL_MAP=$work/controls.txt
export XDG_CONFIG_HOME=$work/config
"$program" "$work/project.ini" &
pid=$!
for _ in $(seq 1 100); do
  [ -f "$FLINTMOOR_CONTROL_MAP" ] && break
  sleep 0.1
done
[ -f "$FLINTMOOR_CONTROL_MAP" ] || { echo "the window did not come up" >&2; exit 1; }

click() { # control id
  read -r _ x y w h < <(grep "^$1 " "$FLINTMOOR_CONTROL_MAP")
  xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
  sleep 0.3
}
click 1007 # Next Key: frame 25
click 1011 # Set End
click 1014 # Add as "low" part
click 1019 # Save Project Settings: the file dialog opens
dialog=""
for _ in $(seq 1 50); do
  dialog=$(xdotool search --onlyvisible --name '^Save' 2>/dev/null | head -1 || true)
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || { echo "no save dialog" >&2; exit 1; }
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 10 "$work/saved.ini"
xdotool key Return
for _ in $(seq 1 50); do
  [ -f "$work/saved.ini" ] && break
  sleep 0.1
done
main=$(xdotool search --name '^Flintmoor 1.5' | head -1)
xdotool windowfocus --sync "$main"
xdotool key Escape
wait "$pid"
pid=""


saved=$(tr -d '\r' < "$work/saved.ini")
for line in "Value=25" "StartFrame0=00" "EndFrame0=25" "Codec0=LOW" "Low-File=$work/low.avi" "Fast-File=$work/fast.avi"; do
  grep -qxF "$line" <<< "$saved" || { echo "saved project lacks '$line':" >&2; echo "$saved" >&2; exit 1; }
done
echo "end-to-end: the saved project holds the part"
