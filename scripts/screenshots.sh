#!/usr/bin/env bash
# Pictures of the real windows for the documentation, drawn on a virtual X display:
#   docs/images/download-window.png  the download window 8 s into the demo's run over the
#                                    sample site (titles in the list, a transfer in the
#                                    status bar); the run then goes on to its end
#   docs/images/about-dialog.png     the version dialog of "/c", as the main window
# Both are saved by the program itself (KASUMIDO_GRAB_WINDOW, KASUMIDO_GRAB_ABOUT).
# "windows" takes the same two pictures of kasumido.exe under Wine, with the windows'
# frames, from an xwd dump of the Wine desktop, at 96, 144 and 192 dpi:
#   docs/images/windows-download-window.png, docs/images/windows-about-dialog.png (96),
#   docs/images/windows-*-144dpi.png, docs/images/windows-*-192dpi.png
# Usage: screenshots.sh [preset | windows]   (default: release; builds the program and the
#   site server, for "windows" kasumido.exe and the release preset's site server)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
source scripts/demo_site.sh
out="$PWD/docs/images"
mkdir -p "$out"

# windows_picture WINDOW FILE: the window with its frame and a few pixels of the desktop.
windows_picture() {
  local dump=$demo/desktop.xwd margin=6
  gui_dump "$1" "$dump"
  gui_geometry "$1"
  python3 scripts/xwd_to_png.py "$dump" "$2" $((gui_x - margin)) $((gui_y - margin)) \
    $((gui_width + 2 * margin)) $((gui_height + 2 * margin))
}

if [[ $preset == windows ]]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j2 --target kasumido >/dev/null
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target kasumido-site-server >/dev/null
  source scripts/wine_gui.sh
  demo_host_folder build/release/bin build/windows/bin/kasumido.exe
  demo_start_site samples/site
  trap 'bash scripts/wine_run.sh "$prefix" --stop; gui_stop_display; demo_stop_site' EXIT
  gui_start_display 2048x1536
  export KASUMIDO_WINE_DESKTOP=2048x1536
  program=$demo/host/plugin/kasumido.exe
  pictures=()
  for dpi in 96 144 192; do
    suffix=
    [[ $dpi != 96 ]] && suffix=-${dpi}dpi
    prefix=$demo/prefix-$dpi
    echo "screenshots: $dpi dpi: a Wine prefix for windows (about 20 s), the demo's run, the version dialog"
    KASUMIDO_WINE_DPI=$dpi bash scripts/wine_run.sh "$prefix" --fresh-gui "Z:${demo//\//\\}\\temp"
    rm -f "$demo/host/SHV.INI" # the first place at every scale
    KASUMIDO_SITE_ORIGIN="$demo_origin" bash scripts/wine_run.sh "$prefix" "$program" &
    run=$!
    window=$(gui_find_window '霞堂書店データダウンロード中...')
    sleep 8
    windows_picture "$window" "$out/windows-download-window$suffix.png"
    bash scripts/wine_run.sh "$prefix" --stop # ends the run; only its picture is wanted
    wait "$run" || true
    bash scripts/wine_run.sh "$prefix" "$program" /c &
    run=$!
    window=$(gui_find_window 'バージョン情報')
    sleep 1
    windows_picture "$window" "$out/windows-about-dialog$suffix.png"
    bash scripts/wine_run.sh "$prefix" --stop
    wait "$run" || true
    pictures+=("$out/windows-download-window$suffix.png" "$out/windows-about-dialog$suffix.png")
  done
  echo "screenshots: ${pictures[*]}"
  exit 0
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target kasumido kasumido-site-server >/dev/null

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
