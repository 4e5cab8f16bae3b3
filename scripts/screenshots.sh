#!/usr/bin/env bash
# Draws the windows on a virtual X display and saves them for the documentation:
# docs/images/download-window.png and docs/images/about-dialog.png.
# Usage: screenshots.sh [preset]   (default: debug; builds kasumido-screenshot first)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target kasumido-screenshot >/dev/null
tool="$PWD/build/$preset/bin/kasumido-screenshot"
out="$PWD/docs/images"
mkdir -p "$out"
export QT_QPA_PLATFORM=xcb

if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1024x768x24" "$tool" "$out"
else
  # No wrapper: a display of our own, ended when this script ends.
  Xvfb :99 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
  sleep 1
  DISPLAY=:99 "$tool" "$out"
fi
echo "screenshots: $out/download-window.png $out/about-dialog.png"
