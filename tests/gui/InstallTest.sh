#!/usr/bin/env bash
# `cmake --install` into a fresh prefix: both programs, the language files,
# the desktop file (valid) and the icons; the installed window comes up in
# the language Settings.ini names, so it found its language files.
#   InstallTest.sh BUILD_DIR   (run by CTest through xvfb-run)
set -euo pipefail
build=$1
prefix=$(mktemp -d)
pid=""
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/flintmoor bin/flintmoor-cli share/flintmoor/language/English.ini share/flintmoor/language/Deutsch.ini \
  share/applications/flintmoor.desktop share/icons/hicolor/scalable/apps/flintmoor.svg \
  share/icons/hicolor/64x64/apps/flintmoor.png; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
desktop-file-validate "$prefix/share/applications/flintmoor.desktop"
"$prefix/bin/flintmoor-cli" --help >/dev/null

printf '[LANGUAGE]\r\nCurrentLanguage=Deutsch\r\n\r\n' > "$prefix/bin/Settings.ini"
"$prefix/bin/flintmoor" &
pid=$!
title=""
for _ in $(seq 1 100); do
  window=$(xdotool search --name '^Flintmoor 1.5' 2>/dev/null | head -1 || true)
  if [ -n "$window" ]; then
    title=$(xdotool getwindowname "$window")
    break
  fi
  sleep 0.1
done
[ "$title" = "Flintmoor 1.5 - Zwei Kodierungen, ein Film" ] || { echo "title: '$title'" >&2; exit 1; }
echo "installed program runs in German: $title"
