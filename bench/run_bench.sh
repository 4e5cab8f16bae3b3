#!/usr/bin/env bash
# A whole download run over the sample site against the loopback site server, measured
# from outside: wall time against the pacing floor, CPU time, peak memory. The Linux
# program and kasumido.exe under Wine take turns, so both see the same load.
#
#   bash bench/run_bench.sh [runs] [linux|wine|both]   (default: 1 run, both; each run
#                                                       takes about a minute)
#
# The floor of one run is what the program's own waits cost: 500 ms between the starts
# of two requests, so 500 ms x (requests - 1), plus the random start-up delay (0-999 ms,
# reported by the program when KASUMIDO_REPORT_START_DELAY is set), plus the 200 ms pause
# after the analysis of the run's last detail page when the run ends with one (the pause
# after every other detail page passes inside the spacing before the next request).
# Requests are counted from the server's request log; the run ends with a detail page's
# analysis when its last request is for a detail page or a cover. CPU is the program's
# (user + system) and, under Wine, the Wine server's and that of Wine's own processes
# (the desktop, services; started before the run by a warm-up, so their start is not
# counted), each as a share of the run's wall time. Under Wine the program shows its
# window on an Xvfb display in a fresh prefix. Uses the release builds (configured and
# built here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1}
systems=${2:-both}
if [[ ! -x /usr/bin/time ]]; then
  echo "run_bench: GNU time (/usr/bin/time) is needed: bash scripts/setup.sh" >&2
  exit 1
fi
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target kasumido kasumido-site-server >/dev/null
if [[ $systems != linux ]]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j2 --target kasumido >/dev/null
fi
bin=build/release/bin

work=$(mktemp -d /tmp/kasumido-bench.XXXXXX)
server_pid=
wineserver_pid=
prefix=$work/prefix
source scripts/wine_gui.sh
cleanup() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; fi
  if [[ -n $wineserver_pid ]]; then
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    wait "$wineserver_pid" 2>/dev/null || true
  fi
  gui_stop_display
  rm -rf "$work" "$prefix.locale"
}
trap cleanup EXIT

source bench/site_server.sh
start_site_server samples/site

# CPU seconds (user + system) a process has used so far; 0 once it is gone.
cpu_of() {
  awk -v hz="$(getconf CLK_TCK)" '{ printf "%.3f", ($14 + $15) / hz }' "/proc/$1/stat" 2>/dev/null ||
    echo 0
}

# The Wine processes of the prefix other than the program: its desktop and services.
wine_helpers() {
  local pid
  for pid in $(pgrep -f 'C:\\windows\\system32\\' 2>/dev/null); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix"; then
      echo "$pid"
    fi
  done
}

helpers_cpu() {
  local pid total=0
  for pid in $(wine_helpers); do total=$(awk -v a="$total" -v b="$(cpu_of "$pid")" 'BEGIN { print a + b }'); done
  echo "$total"
}

if [[ $systems != linux ]]; then
  gui_start_display
  echo "run_bench: a Wine prefix (about 20 s)" >&2
  bash scripts/wine_run.sh "$prefix" --fresh-gui "Z:${work//\//\\}\\temp" >/dev/null
  WINEPREFIX=$prefix wineserver -p -f &
  wineserver_pid=$!
  # The desktop and the services start with the first program; they stay while the
  # persistent server does, so the runs below find them running.
  bash scripts/wine_run.sh "$prefix" cmd /c exit >/dev/null 2>&1 || true
fi

# A fresh host folder for run $1 of system $2; the program's path.
layout() {
  local host=$work/$2$1/host program=kasumido
  [[ $2 == wine ]] && program=kasumido.exe
  mkdir -p "$host/plugin" "$work/temp"
  if [[ $2 == wine ]]; then cp build/windows/bin/kasumido.exe "$host/plugin/"; else cp "$bin/kasumido" "$host/plugin/"; fi
  printf '[TSetup]\r\nDLLBooks_Checked=True\r\nDLLBunko_Checked=True\r\nDLLComic_Checked=True\r\nTimeOut_Text=10\r\n' \
    >"$host/Shelvio.ini"
  echo "$host/plugin/$program"
}

printf '%-5s %-4s %8s %8s %8s %7s %10s %8s %8s %8s %8s %8s\n' system run requests delay_ms \
  floor_s wall_s wall/floor prog_cpu server helpers cpu% rss_MiB
measure() {
  local system=$1 run=$2 program server_before=0 server_after=0 helpers_before=0 helpers_after=0
  program=$(layout "$run" "$system")
  : >"$work/requests.log"
  if [[ $system == wine ]]; then
    server_before=$(cpu_of "$wineserver_pid")
    helpers_before=$(helpers_cpu)
    KASUMIDO_SITE_ORIGIN="http://127.0.0.1:$port" KASUMIDO_REPORT_START_DELAY=1 \
      /usr/bin/time -f 'TIME %e %U %S %M' -o "$work/time.txt" \
      bash scripts/wine_run.sh "$prefix" "$program" </dev/null >"$work/console.txt" 2>"$work/stderr.txt"
    server_after=$(cpu_of "$wineserver_pid")
    helpers_after=$(helpers_cpu)
  else
    KASUMIDO_UI=console KASUMIDO_SITE_ORIGIN="http://127.0.0.1:$port" TEMP="$work/temp" \
      KASUMIDO_REPORT_START_DELAY=1 \
      /usr/bin/time -f 'TIME %e %U %S %M' -o "$work/time.txt" \
      "$program" </dev/null >"$work/console.txt" 2>"$work/stderr.txt"
  fi
  local requests delay_ms wall user sys rss_kb
  requests=$(wc -l <"$work/requests.log")
  local final_pause=0
  if tail -n 1 "$work/requests.log" | grep -qE '/detail/|/image/'; then final_pause=200; fi
  delay_ms=$(sed -n 's/^kasumido: start-up delay \([0-9]*\) ms\r\?$/\1/p' "$work/stderr.txt")
  read -r _ wall user sys rss_kb < <(grep '^TIME ' "$work/time.txt")
  awk -v sys="$system" -v r="$run" -v n="$requests" -v d="${delay_ms:-0}" -v p="$final_pause" \
      -v w="$wall" -v u="$user" \
      -v s="$sys" -v m="$rss_kb" -v sb="$server_before" -v sa="$server_after" \
      -v hb="$helpers_before" -v ha="$helpers_after" 'BEGIN {
    floor = 0.5 * (n - 1) + (d + p) / 1000.0
    program = u + s
    server = sa - sb
    helpers = ha - hb
    printf "%-5s %-4s %8d %8d %8.2f %7.2f %10.3f %8.2f %8.2f %8.2f %7.2f%% %8.1f\n", sys, r, n, d, floor, w,
           w / floor, program, server, helpers, 100.0 * (program + server + helpers) / w, m / 1024.0
  }'
}

for run in $(seq 1 "$runs"); do
  [[ $systems != wine ]] && measure linux "$run"
  [[ $systems != linux ]] && measure wine "$run"
done
