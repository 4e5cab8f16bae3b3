#!/usr/bin/env bash
# A whole download run over the sample site against the loopback site server, measured
# from outside: wall time against the pacing floor, CPU time, peak memory.
#
#   bash bench/run_bench.sh [runs]     (default 1 run; each takes about a minute)
#
# The floor of one run is what the request spacing alone costs: 500 ms between the
# starts of two requests, so 500 ms x (requests - 1), plus the random start-up delay
# (0-999 ms, reported by the program when KASUMIDO_REPORT_START_DELAY is set). Requests
# are counted from the server's request log. Goals: wall <= 1.03 x floor; CPU (user +
# sys) <= 3 % of wall. Uses the release build (configured and built here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1}
if [[ ! -x /usr/bin/time ]]; then
  echo "run_bench: GNU time (/usr/bin/time) is needed: bash scripts/setup.sh" >&2
  exit 1
fi
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target kasumido kasumido-site-server >/dev/null
bin=build/release/bin

work=$(mktemp -d /tmp/kasumido-bench.XXXXXX)
server_pid=
cleanup() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

source bench/site_server.sh
start_site_server samples/site

printf '%-4s %9s %9s %9s %7s %10s %7s %8s %8s\n' run requests delay_ms floor_s wall_s wall/floor cpu_s cpu% rss_MiB
for run in $(seq 1 "$runs"); do
  host="$work/run$run/host"
  mkdir -p "$host/plugin" "$work/run$run/temp"
  cp "$bin/kasumido" "$host/plugin/"
  printf '[TSetup]\r\nDLLBooks_Checked=True\r\nDLLBunko_Checked=True\r\nDLLComic_Checked=True\r\nTimeOut_Text=10\r\n' \
    >"$host/Shelvio.ini"
  : >"$work/requests.log"
  KASUMIDO_UI=console KASUMIDO_SITE_ORIGIN="http://127.0.0.1:$port" TEMP="$work/run$run/temp" \
    KASUMIDO_REPORT_START_DELAY=1 \
    /usr/bin/time -f 'TIME %e %U %S %M' -o "$work/time.txt" \
    "$host/plugin/kasumido" </dev/null >"$work/console.txt" 2>"$work/stderr.txt"
  requests=$(wc -l <"$work/requests.log")
  delay_ms=$(sed -n 's/^kasumido: start-up delay \([0-9]*\) ms$/\1/p' "$work/stderr.txt")
  read -r _ wall user sys rss_kb < <(grep '^TIME ' "$work/time.txt")
  awk -v r="$run" -v n="$requests" -v d="${delay_ms:-0}" -v w="$wall" -v u="$user" -v s="$sys" \
      -v m="$rss_kb" 'BEGIN {
    floor = 0.5 * (n - 1) + d / 1000.0
    cpu = u + s
    printf "%-4s %9d %9d %9.2f %7.2f %10.3f %7.2f %7.2f%% %8.1f\n", r, n, d, floor, w, w / floor,
           cpu, 100.0 * cpu / w, m / 1024.0
  }'
done
