# The Windows program's windows on a virtual X display, for their screenshots: sourced by
# screenshots.sh (not run on its own). The prefix must be made with
# `wine_run.sh PREFIX --fresh-gui`: every window is then a child X window of the Wine
# desktop, placed at its Windows screen position and drawn with its frame.
#
#   gui_start_display [WxH]    starts Xvfb (1024x768 unless given) on a free display
#                              (local connections only) and
#                              exports KASUMIDO_WINE_DISPLAY for wine_run.sh; stopped when
#                              the calling script ends
#   gui_find_window CAPTION [SECONDS]
#                              prints the X window of the Windows window whose caption is
#                              CAPTION (exactly), waiting for it (default 20 s); fails after
#   gui_geometry WINDOW        sets gui_x, gui_y, gui_width, gui_height: the window's frame
#                              on the desktop (the Windows screen)
#   gui_dump WINDOW FILE       an xwd dump of the desktop (the window with its frame inside)

gui_display_pid=

gui_stop_display() {
  if [[ -n $gui_display_pid ]]; then kill "$gui_display_pid" 2>/dev/null || true; fi
  gui_display_pid=
}

gui_start_display() {
  local number_file number=
  number_file=$(mktemp)
  # -displayfd: Xvfb picks a free display number itself and writes it to the descriptor.
  Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$number_file" \
    >/dev/null 2>&1 &
  gui_display_pid=$!
  for _ in $(seq 1 100); do
    number=$(tr -dc 0-9 <"$number_file")
    [[ -n $number ]] && break
    sleep 0.05
  done
  rm -f "$number_file"
  if [[ -z $number ]]; then
    echo "wine_gui: Xvfb did not start" >&2
    return 1
  fi
  export KASUMIDO_WINE_DISPLAY=":$number"
}

gui_desktop() {
  DISPLAY=$KASUMIDO_WINE_DISPLAY xdotool search --name '^Default - Wine desktop$' 2>/dev/null |
    head -1
}

gui_find_window() {
  local caption=$1 seconds=${2:-20} window pattern
  # xdotool matches a regular expression; the captions' only special characters are dots.
  pattern="^${caption//./\\.}\$"
  for _ in $(seq 1 $((seconds * 10))); do
    window=$(DISPLAY=$KASUMIDO_WINE_DISPLAY xdotool search --name "$pattern" 2>/dev/null | head -1)
    if [[ -n $window ]]; then
      echo "$window"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

gui_geometry() {
  local info
  info=$(DISPLAY=$KASUMIDO_WINE_DISPLAY xwininfo -id "$1")
  gui_x=$(sed -n 's/^ *Absolute upper-left X: *\(-\?[0-9]*\)$/\1/p' <<<"$info")
  gui_y=$(sed -n 's/^ *Absolute upper-left Y: *\(-\?[0-9]*\)$/\1/p' <<<"$info")
  gui_width=$(sed -n 's/^ *Width: *\([0-9]*\)$/\1/p' <<<"$info")
  gui_height=$(sed -n 's/^ *Height: *\([0-9]*\)$/\1/p' <<<"$info")
}

gui_dump() {
  DISPLAY=$KASUMIDO_WINE_DISPLAY xwd -silent -id "$(gui_desktop)" >"$2"
}
