#!/usr/bin/env bash
# Pictures of the real windows for the documentation, drawn on a virtual X display:
#   docs/images/download-window.png  the download window 8 s into the demo's run over the
#                                    sample site (titles in the list, a transfer in the
#                                    status bar); the run then goes on to its end
#   docs/images/about-dialog.png     the version dialog of "/c", as the main window
# Both are saved by the program itself (KASUMIDO_GRAB_WINDOW, KASUMIDO_GRAB_ABOUT).
# Usage: screenshots.sh [preset]   (default: release; builds the program and the site server)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target kasumido kasumido-site-server >/dev/null
source scripts/demo_site.sh
out="$PWD/docs/images"
mkdir -p "$out"

demo_host_folder "build/$preset/bin"
demo_start_site samples/site
program="$demo/host/plugin/kasumido"
display=(xvfb-run -a -s "-screen 0 1024x768x24")
export KASUMIDO_UI=gui QT_QPA_PLATFORM=xcb KASUMIDO_SITE_ORIGIN="$demo_origin" TEMP="$demo/temp"

echo "screenshots: the demo's run in its window (about a minute; host folder $demo/host)"
rm -f "$out/download-window.png"
KASUMIDO_GRAB_WINDOW="$out/download-window.png" KASUMIDO_GRAB_AFTER_MS=8000 \
  "${display[@]}" "$program" </dev/null

# The version dialog waits for its user: once it has saved its picture, it is ended.
rm -f "$out/about-dialog.png"
KASUMIDO_GRAB_ABOUT="$out/about-dialog.png" KASUMIDO_GRAB_AFTER_MS=1000 \
  "${display[@]}" bash -c '
    "$1" /c </dev/null &
    pid=$!
    for _ in $(seq 1 100); do
      [[ -s $2 ]] && break
      sleep 0.1
    done
    sleep 0.5
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true' grab "$program" "$out/about-dialog.png"

for picture in "$out/download-window.png" "$out/about-dialog.png"; do
  if [[ ! -s $picture ]]; then
    echo "screenshots: $picture was not saved" >&2
    exit 1
  fi
done
echo "screenshots: $out/download-window.png $out/about-dialog.png"
