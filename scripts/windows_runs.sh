#!/usr/bin/env bash
# Whole runs of kasumido.exe under Wine, its windows on a virtual X display, against the
# sample site served by the native site server on 127.0.0.1. Each host folder is laid out
# as the host has it (host\Shelvio.ini, host\plugin\kasumido.exe); every check prints one
# "PASS: ..." or "FAIL: ..." line (with what differed), and the script exits 1 when any
# check failed.
#   - a first run over the whole site: the master file (samples/expected, the cover files
#     in the Windows form of the temporary folder), the run log, the saved listing pages,
#     the cover files; SHV.INI gets the window's placement and keeps the host's bytes;
#     a second run skips the unchanged pages
#   - two instances started together: exactly one runs
#   - "/c" and "/C": the version dialog, nothing fetched or logged, the end when closed
#   - real clicks on Pause, Resume, Skip and Stop, and on the close box during a transfer
# Usage: windows_runs.sh [EXE] [SITE_SERVER]
#   (defaults: build/windows/bin/kasumido.exe, build/debug/bin/kasumido-site-server;
#   KASUMIDO_KEEP_RUNS=1 keeps the work folder; KASUMIDO_RUNS="clicks ..." runs only the
#   named groups: version_dialog, clicks, instances, whole_runs)
set -uo pipefail
shopt -u patsub_replacement 2>/dev/null || true # "&" in a replacement stays itself
cd "$(dirname "$0")/.."
exe=$(realpath "${1:-build/windows/bin/kasumido.exe}")
site_server=$(realpath "${2:-build/debug/bin/kasumido-site-server}")
for file in "$exe" "$site_server"; do
  if [[ ! -x $file ]]; then
    echo "windows_runs: $file is missing (build the windows and debug presets)" >&2
    exit 2
  fi
done
source scripts/wine_gui.sh

started=$SECONDS
work=$(mktemp -d /tmp/kasumido-wine-runs.XXXXXX)
prefix=$work/prefix
temp=$work/temp # the user's temporary folder, as Windows sees it: Z:\tmp\...\temp
mkdir -p "$temp"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
temp_windows=$(windows_path "$temp")
caption_window='霞堂書店データダウンロード中...'
caption_about='バージョン情報'
failures=0
site_pid=

cleanup() {
  site_stop
  bash scripts/wine_run.sh "$prefix" --stop
  gui_stop_display
  if [[ ${KASUMIDO_KEEP_RUNS:-} == 1 ]]; then
    echo "windows_runs: work folder kept: $work"
  else
    rm -rf "$work" "$work.locale" "$prefix.locale"
  fi
}
trap cleanup EXIT

# check NAME FUNCTION [ARGUMENTS...]: runs the check; its output is shown when it fails.
check() {
  local name=$1 output
  shift
  if output=$("$@" 2>&1); then
    echo "PASS: $name"
  else
    echo "FAIL: $name"
    head -40 <<<"$output" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
  stop_leftovers
}

# ---- The site -------------------------------------------------------------------------

# site_start NAME [--hold TARGET]...: the sample site on a free port, its requests in
# $work/NAME/requests.log; sets origin.
site_start() {
  local name=$1 port=
  shift
  mkdir -p "$work/$name"
  : >"$work/$name/requests.log"
  "$site_server" --root samples/site --port 0 --request-log "$work/$name/requests.log" "$@" \
    >"$work/$name/server.txt" 2>&1 &
  site_pid=$!
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/$name/server.txt")
    [[ -n $port ]] && break
    sleep 0.05
  done
  if [[ -z $port ]]; then
    echo "windows_runs: the site server did not start" >&2
    cat "$work/$name/server.txt" >&2
    exit 2
  fi
  origin="http://127.0.0.1:$port"
}

site_stop() {
  if [[ -n $site_pid ]]; then
    kill "$site_pid" 2>/dev/null
    wait "$site_pid" 2>/dev/null
  fi
  site_pid=
}

# requested NAME TARGET [SECONDS]: waits until the site was asked for TARGET.
requested() {
  local log=$work/$1/requests.log
  for _ in $(seq 1 $((${3:-30} * 10))); do
    if grep -qxF -- "$2" "$log"; then return 0; fi
    sleep 0.1
  done
  echo "the site was never asked for $2; it was asked for:"
  cat "$log"
  return 1
}

# ---- The host folder and the program -----------------------------------------------------

# host_make NAME KEY=VALUE...: host folder $work/NAME/host with Shelvio.ini [TSetup]
# holding the settings, and the program in its sub-folder "plugin"; sets host.
host_make() {
  local name=$1 setting
  shift
  host=$work/$name/host
  mkdir -p "$host/plugin"
  cp "$exe" "$host/plugin/kasumido.exe"
  {
    printf '[TSetup]\r\n'
    for setting in "$@"; do printf '%s\r\n' "$setting"; done
  } >"$host/Shelvio.ini"
}

# program_start [ARGUMENTS...]: starts the program of $host under Wine with the site at
# $origin, in the background; sets program (the file that receives its exit code).
program_start() {
  program=$(mktemp -u "$host/../exit.XXXXXX")
  echo "$program" >>"$work/programs"
  # Nothing of it holds the output of a check, which would then wait for the program.
  (
    env KASUMIDO_SITE_ORIGIN="$origin" ${program_env[@]+"${program_env[@]}"} \
      bash scripts/wine_run.sh "$prefix" "$host/plugin/kasumido.exe" "$@"
    echo $? >"$program.new"
    mv "$program.new" "$program"
  ) >>"$host/../wine.txt" 2>&1 </dev/null &
}
program_env=()

# A program that a failed check left running is ended with the prefix's other programs,
# so that the next run starts alone.
stop_leftovers() {
  local file left=
  while IFS= read -r file; do [[ -e $file ]] || left=1; done < <(cat "$work/programs" 2>/dev/null)
  if [[ -n $left ]]; then
    echo "      (a program was still running; ended)"
    bash scripts/wine_run.sh "$prefix" --stop
    for _ in $(seq 1 50); do
      left=
      while IFS= read -r file; do [[ -e $file ]] || left=1; done <"$work/programs"
      [[ -z $left ]] && break
      sleep 0.1
    done
  fi
}

# program_ended PROGRAM: true once the program has ended.
program_ended() { [[ -e $1 ]]; }

# program_end PROGRAM SECONDS: waits for the program's end and checks its exit code 0.
program_end() {
  for _ in $(seq 1 $(($2 * 10))); do
    if program_ended "$1"; then
      [[ $(cat "$1") == 0 ]] || { echo "exit code $(cat "$1")" && return 1; }
      return 0
    fi
    sleep 0.1
  done
  echo "still running after $2 s"
  return 1
}

# utf8_lines FILE: a Shift_JIS file with CR LF line ends as UTF-8 lines; fails when a
# line lacks its CR LF.
utf8_lines() {
  if [[ -s $1 && $(tail -c 2 "$1" | od -An -c | tr -d ' ') != '\r\n' ]] ||
    LC_ALL=C grep -q $'[^\r]$' "$1"; then
    echo "$1: a line without CR LF" >&2
    return 1
  fi
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r'
}

# plan_lines INDEX: the lines of run INDEX (0-based) in $host's run log after its START
# block, up to its END line, given as "END".
plan_lines() {
  utf8_lines "$host/Shelvio.log" | awk -v wanted="$1" '
    /^--- START ---\t/ { run++; next }
    run - 1 == wanted && /^--- END ---\t/ { print "END"; exit }
    run - 1 == wanted && !/^Version / { print }'
}

# expected_master [PATTERN]: the hand-written lines of a first run over the whole site
# whose detail URL matches PATTERN (an extended regular expression), with the origin and
# the temporary folder in the Windows form ("\" after it).
expected_master() {
  local line
  while IFS= read -r line; do
    line=${line%$'\r'}
    [[ -z $line || ! $line =~ ${1:-.} ]] && continue
    line=${line//\{ORIGIN\}/$origin}
    printf '%s\n' "${line//\{TEMP\}\//$temp_windows\\}"
  done <samples/expected/master.csv.utf8
}

# same NAME EXPECTED ACTUAL: compares two texts line by line.
same() {
  if [[ $2 == "$3" ]]; then return 0; fi
  echo "$1 differs (- expected, + actual):"
  diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | grep '^[<>]' | sed 's/^</-/; s/^>/+/' | head -20
  return 1
}

plan_log() { # plan_log WORD...: the plan lines of a run over the whole site's twelve pages
  local pages=(lnovel/kongetsu book/kongetsu bunko/kongetsu comic/kongetsu lnovel/raigetsu
    book/raigetsu bunko/raigetsu comic/raigetsu lnovel/sengetsu book/sengetsu bunko/sengetsu
    comic/sengetsu) i=0 word
  echo '*** 霞堂書店DLL ***'
  for word in "$@"; do
    [[ $word != - ]] && echo "$origin/${pages[i]}.html $word"
    i=$((i + 1))
  done
  echo END
}

# after_page PAGE LINE...: the plan lines on stdin with each LINE (after the origin)
# inserted, in order, after the line of the listing page PAGE.
after_page() {
  local page=$1 lines
  shift
  lines=$(printf "$origin%s\n" "$@")
  awk -v page="/$page.html " -v lines="$lines" '{ print } index($0, page) { print lines }'
}
# The sample site's missing cover and detail page: logged, and the page tried again on the
# next run after the first comic page.
cover_failed='/image/cover_3010.jpg 表紙画像取得失敗 (404 Not Found)'
detail_failed='/comic/detail/bk_detail.php?pcd=4099 詳細ページ取得失敗 (404 Not Found)'
detail_retried='/comic/detail/bk_detail.php?pcd=4099 再試行'

# ---- A whole run and a second one ------------------------------------------------------

check_master() { same "the master file" "$(expected_master)" "$(utf8_lines "$host/ShelvioMas.csv")"; }

check_first_log() {
  local lines
  lines=$(utf8_lines "$host/Shelvio.log") || return 1
  [[ $(grep -c $'^--- START ---\t' <<<"$lines") == 1 && $(sed -n 2p <<<"$lines") == "Version "* &&
    $(tail -1 <<<"$lines") == $'--- END ---\t'* ]] ||
    { echo "the START block or the END line is wrong:" && head -3 <<<"$lines" && return 1; }
  same "the run's lines" "$(plan_log $(printf 'ダウンロード %.0s' {1..12}) |
    after_page bunko/sengetsu "$cover_failed" | after_page comic/sengetsu "$detail_failed")" \
    "$(plan_lines 0)"
}

check_saved_copies() {
  local copy status=0
  # Next and last month's book pages overwrite the light-novel pages of the same names.
  for copy in kasumidoA:lnovel/kongetsu kasumido1:book/kongetsu kasumido2:bunko/kongetsu \
    kasumido3:comic/kongetsu kasumido4:book/raigetsu kasumido5:bunko/raigetsu \
    kasumido6:comic/raigetsu kasumido7:book/sengetsu kasumido8:bunko/sengetsu \
    kasumido9:comic/sengetsu; do
    cmp -s "$host/old/${copy%%:*}.html" "samples/site/${copy#*:}.html" ||
      { echo "old/${copy%%:*}.html is not ${copy#*:}.html" && status=1; }
  done
  return $status
}

# The cover files the master file names: the fields that are a file in the temporary
# folder in its Windows form, the names after the folder's "\".
covers_named() {
  utf8_lines "$host/ShelvioMas.csv" | FOLDER="$temp_windows\\" awk -F'","' '{
    for (i = 1; i <= NF; i++) {
      field = $i
      gsub(/^"|"$/, "", field)
      if (index(field, ENVIRON["FOLDER"]) == 1) print substr(field, length(ENVIRON["FOLDER"]) + 1)
    }
  }'
}

check_covers() {
  local name status=0 count=0
  while IFS= read -r name; do
    count=$((count + 1))
    [[ -s $temp/$name ]] || { echo "the cover $name is not in $temp" && status=1; }
  done < <(covers_named)
  ((count >= 30)) || { echo "only $count cover files named in the master file" && status=1; }
  [[ -s $temp/9784899871019.jpg ]] || { echo "9784899871019.jpg is missing" && status=1; }
  for name in GetKasumido.html GetKasumido2.html; do
    [[ ! -e $temp/$name ]] || { echo "the work file $name was left behind" && status=1; }
  done
  return $status
}

# SHV.INI: the host's sections stay as they were, byte for byte; [TFormDLL] is added with
# the window's placement.
shv_ini_before() {
  printf '[TFormOption]\r\nLeft=10\r\n; 設定\r\nTop=20\r\n\r\n[TFormMain]\r\nCaption=シェルヴィオ\r\n' |
    iconv -f UTF-8 -t CP932
}

check_shv_ini() {
  local ini=$host/SHV.INI key status=0 section
  section=$(utf8_lines "$ini" | awk '/^\[/ { inside = ($0 == "[TFormDLL]") } inside')
  for key in FormVersion Flags ShowCmd PixelsPerInch MinMaxPos NormPos Visible; do
    grep -q "^$key=." <<<"$section" || { echo "[TFormDLL] has no $key" && status=1; }
  done
  # Without the program's section (and the blank line before it) the file is the host's.
  if ! cmp -s <(shv_ini_before) <(LC_ALL=C awk 'BEGIN { RS = "\r\n"; ORS = "\r\n" }
      /^\[/ { inside = ($0 == "[TFormDLL]") } !inside { lines[++n] = $0 }
      END { while (n > 0 && lines[n] == "") n--; for (i = 1; i <= n; i++) print lines[i] }' "$ini"); then
    echo "the host's bytes in SHV.INI changed:"
    od -c "$ini" | head -12
    status=1
  fi
  return $status
}

check_second_log() {
  same "the second run's lines" \
    "$(plan_log スキップ スキップ スキップ スキップ ダウンロード ダウンロード スキップ スキップ \
      ダウンロード ダウンロード スキップ スキップ |
      after_page comic/kongetsu "$detail_retried" "$detail_failed")" "$(plan_lines 1)"
}

check_second_master() {
  # The changed pages (next and last month's light novels and books) are analysed again.
  same "the master file after the second run" \
    "$(expected_master; expected_master 'pcd=(100[6-9]|101[0-2]|200[5-9]|2010)"')" \
    "$(utf8_lines "$host/ShelvioMas.csv")"
}

whole_runs() {
  site_start whole
  host_make whole DLLBooks_Checked=True DLLBunko_Checked=True DLLComic_Checked=True \
    CheckEdited_Checked=True TimeOut_Text=10
  shv_ini_before >"$host/SHV.INI"
  program_env=(KASUMIDO_REPORT_MEMORY="$(windows_path "$work/memory.txt")")
  local run_started=$SECONDS
  program_start
  check "first run: ends by itself with exit code 0" program_end "$program" 180
  echo "      (the first run took $((SECONDS - run_started)) s)"
  program_env=()
  check "first run: the master file holds the expected lines, covers in $temp_windows" check_master
  check "first run: the run log's START block, twelve downloads and END line" check_first_log
  check "first run: the listing pages saved in old" check_saved_copies
  check "first run: the cover files, no work files left" check_covers
  check "SHV.INI: the placement keys added, the host's other bytes kept" check_shv_ini
  program_start
  check "second run: ends by itself with exit code 0" program_end "$program" 120
  check "second run: the unchanged pages logged as skipped" check_second_log
  check "second run: only the changed pages' books appended" check_second_master
  site_stop
  if [[ -s $work/memory.txt ]]; then echo "      (first run: $(cat "$work/memory.txt"))"; fi
}

# ---- Two instances -----------------------------------------------------------------------

check_one_instance() {
  local first second first_done= second_done=
  program_start
  first=$program
  program_start
  second=$program
  for _ in $(seq 1 300); do
    program_ended "$first" && first_done=1
    program_ended "$second" && second_done=1
    [[ -n $first_done$second_done ]] && break
    sleep 0.1
  done
  [[ $first_done$second_done == 1 ]] || { echo "both ended together, or neither in 30 s" && return 1; }
  program_end "$first" 60 && program_end "$second" 60 || return 1
  local runs
  runs=$(utf8_lines "$host/Shelvio.log" | grep -c $'^--- START ---\t')
  [[ $runs == 1 ]] || { echo "$runs runs in the log" && return 1; }
  # One run's listing requests: a second run would have asked for them again.
  same "the listing pages fetched" "$(printf '%s\n' /comic/{kongetsu,raigetsu,sengetsu}.html)" \
    "$(grep -E '^/comic/[a-z]+\.html$' "$work/instances/requests.log")" &&
    same "the run's lines" "$(plan_log - - - 失敗 - - - ダウンロード - - - ダウンロード |
      after_page comic/sengetsu "$detail_failed")" "$(plan_lines 0)"
}

instances() {
  # The first listing page is held until the time-out, so the winner outlasts any start.
  site_start instances --hold /comic/kongetsu.html
  host_make instances DLLComic_Checked=True TimeOut_Text=3
  check "two instances started together: exactly one runs" check_one_instance
  site_stop
}

# ---- The version dialog ----------------------------------------------------------------

check_version_dialog() {
  local window
  program_start "$1"
  window=$(gui_find_window "$caption_about") || { echo "no window \"$caption_about\"" && return 1; }
  sleep 1
  if [[ -n $(gui_find_window "$caption_window" 0) ]]; then echo "the download window is open" && return 1; fi
  # OK: 75 x 25 at 127, 169 of the 334 x 204 client area.
  gui_click "$window" 164 22
  program_end "$program" 15 || return 1
  [[ ! -s $work/about/requests.log ]] || { echo "fetched:" && cat "$work/about/requests.log" && return 1; }
  [[ ! -e $host/Shelvio.log ]] || { echo "a run log was written" && return 1; }
}

version_dialog() {
  local argument
  site_start about
  for argument in /c /C; do
    host_make "about${argument#/}" DLLComic_Checked=True
    check "\"$argument\": the version dialog, nothing fetched or logged, the end at OK" \
      check_version_dialog "$argument"
  done
  site_stop
}

# ---- Clicks ------------------------------------------------------------------------------

# The run buttons, by their left edge in the lower panel; clicked 37 px above the client
# area's bottom (the 24-high status bar, then the middle of the 25-high button).
declare -A button_left=([play]=8 [skip]=97 [stop]=184 [pause]=272)
click_button() { gui_click "$1" $((button_left[$2] + 40)) 37; }

buttons() { # buttons WINDOW: the run buttons' states, e.g. "play=off skip=on stop=on pause=on"
  gui_dump "$1" "$work/buttons.xwd"
  gui_geometry "$1"
  python3 scripts/window_buttons.py "$work/buttons.xwd" "$gui_x" "$gui_y" "$gui_width" "$gui_height"
}

# buttons_become WINDOW STATES: waits up to 5 s for the states.
buttons_become() {
  local now
  for _ in $(seq 1 25); do
    now=$(buttons "$1")
    [[ $now == "$2" ]] && return 0
    sleep 0.2
  done
  echo "buttons: $now, expected $2"
  return 1
}

# Pause while a detail page is held (time-out 4 s): nothing more is fetched while paused,
# Play and Pause swap; Resume swaps them back and the run goes on to its end.
check_pause_resume() {
  local window held=/comic/detail/bk_detail.php?pcd=4001 before
  window=$(gui_find_window "$caption_window") || { echo "no download window" && return 1; }
  requested clicks-pause "$held" || return 1
  buttons_become "$window" "play=off skip=on stop=on pause=on" || return 1
  click_button "$window" pause
  buttons_become "$window" "play=on skip=on stop=on pause=off" || return 1
  before=$(cat "$work/clicks-pause/requests.log")
  sleep 6 # past the time-out: unpaused, the run would have asked again
  same "the requests while paused" "$before" "$(cat "$work/clicks-pause/requests.log")" || return 1
  click_button "$window" play
  buttons_become "$window" "play=off skip=on stop=on pause=on" || return 1
  program_end "$program" 60 || return 1
  [[ $(grep -cxF "$held" "$work/clicks-pause/requests.log") == 2 ]] ||
    { echo "$held not asked for again after the resume" && return 1; }
  [[ $(plan_lines 0 | tail -1) == END ]] || { echo "no END line" && return 1; }
}

# Skip while a detail page is held: the listing is abandoned, the next steps run.
check_skip() {
  local window
  window=$(gui_find_window "$caption_window") || { echo "no download window" && return 1; }
  requested clicks-skip /comic/detail/bk_detail.php?pcd=4001 || return 1
  click_button "$window" skip
  program_end "$program" 90 || return 1
  same "the run's lines" "$(plan_log - - - ダウンロード - - - ダウンロード - - - ダウンロード |
    sed '2a スキップボタン押下' | after_page comic/sengetsu "$detail_failed")" "$(plan_lines 0)"
}

# Stop, or the close box, while the first listing page is held: the run ends with the
# page failed, nothing more is fetched, and the log ends with its END line.
check_stop_or_close() {
  local how=$1 window
  window=$(gui_find_window "$caption_window") || { echo "no download window" && return 1; }
  requested "clicks-$how" /comic/kongetsu.html || return 1
  if [[ $how == stop ]]; then
    click_button "$window" stop
  else
    gui_click_close "$window"
  fi
  program_end "$program" 30 || return 1
  same "the requests" /comic/kongetsu.html "$(cat "$work/clicks-$how/requests.log")" || return 1
  same "the run's lines" "$(echo '*** 霞堂書店DLL ***'
    [[ $how == stop ]] && echo 停止ボタン押下
    printf '%s\n' "$origin/comic/kongetsu.html 失敗" END)" "$(plan_lines 0)"
}

clicks() {
  site_start clicks-pause --hold /comic/detail/bk_detail.php?pcd=4001
  host_make clicks-pause DLLComic_Checked=True TimeOut_Text=4
  program_start
  check "clicks: Pause holds the run and swaps Play and Pause; Resume goes on" check_pause_resume
  site_stop

  site_start clicks-skip --hold /comic/detail/bk_detail.php?pcd=4001
  host_make clicks-skip DLLComic_Checked=True TimeOut_Text=60
  program_start
  check "clicks: Skip abandons the listing page, logs スキップボタン押下, the next steps run" check_skip
  site_stop

  local how
  for how in stop close; do
    site_start "clicks-$how" --hold /comic/kongetsu.html
    host_make "clicks-$how" DLLComic_Checked=True TimeOut_Text=60
    program_start
    local what="the close box"
    [[ $how == stop ]] && what="Stop (停止ボタン押下)"
    check "clicks: $what during a transfer ends the run with its END line" \
      check_stop_or_close "$how"
    site_stop
  done
}

# ---- The runs ----------------------------------------------------------------------------

echo "windows_runs: a Wine prefix for windows (about 20 s), then the runs (about 2 minutes)"
gui_start_display || exit 2
bash scripts/wine_run.sh "$prefix" --fresh-gui "$temp_windows" || exit 2
for group in ${KASUMIDO_RUNS:-version_dialog clicks instances whole_runs}; do "$group"; done
echo "windows_runs: $failures failed, in $((SECONDS - started)) s"
((failures == 0))
