# The Windows program's windows on a virtual X display, sourced by windows_runs.sh and
# screenshots.sh (not run on its own). The prefix must be made with
# `wine_run.sh PREFIX --fresh-gui`: every window is then a child X window of the Wine
# desktop, placed at its Windows screen position and drawn with its frame.
#
#   gui_start_display          starts Xvfb on a free display (local connections only) and
#                              exports KASUMIDO_WINE_DISPLAY for wine_run.sh; stopped when
#                              the calling script ends
#   gui_find_window CAPTION [SECONDS]
#                              prints the X window of the Windows window whose caption is
#                              CAPTION (exactly), waiting for it (default 20 s); fails after
#   gui_window_gone WINDOW [SECONDS]
#                              waits until WINDOW is gone; fails after the time (default 20 s)
#   gui_geometry WINDOW        sets gui_x, gui_y, gui_width, gui_height: the window's frame
#                              on the desktop (the Windows screen)
#   gui_click WINDOW X Y       a real left click at (X, Y) in the window's client area
#                              counted from the client area's bottom-left corner (Y upwards),
#                              where the frame's fixed bottom border is all that lies between
#   gui_click_close WINDOW     a real click on the window's close box
#   gui_dump WINDOW FILE       an xwd dump of the desktop (the window with its frame inside)

gui_display_pid=
gui_frame_border=4 # Wine's sizing border, on every side of a resizable window

gui_stop_display() {
  if [[ -n $gui_display_pid ]]; then kill "$gui_display_pid" 2>/dev/null || true; fi
  gui_display_pid=
}

gui_start_display() {
  local number_file number=
  number_file=$(mktemp)
  # -displayfd: Xvfb picks a free display number itself and writes it to the descriptor.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" \
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

gui_window_gone() {
  local window=$1 seconds=${2:-20}
  for _ in $(seq 1 $((seconds * 10))); do
    if ! DISPLAY=$KASUMIDO_WINE_DISPLAY xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable'; then
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

gui_click_at() {
  DISPLAY=$KASUMIDO_WINE_DISPLAY xdotool mousemove --window "$(gui_desktop)" "$1" "$2" \
    sleep 0.1 click 1
}

gui_click() {
  gui_geometry "$1"
  gui_click_at $((gui_x + gui_frame_border + $2)) $((gui_y + gui_height - gui_frame_border - $3))
}

gui_click_close() {
  # The close box is the caption bar's last button, its centre about 13 px in from the
  # frame's right and top edges.
  gui_geometry "$1"
  gui_click_at $((gui_x + gui_width - 13)) $((gui_y + 13))
}

gui_dump() {
  DISPLAY=$KASUMIDO_WINE_DISPLAY xwd -silent -id "$(gui_desktop)" >"$2"
}
