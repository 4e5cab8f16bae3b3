#!/usr/bin/env bash
# Whole download runs of the release program against a hostile copy of the sample site,
# measured from outside: wall time, CPU time and peak memory (the program's own report
# at exit, KASUMIDO_REPORT_MEMORY, and GNU time's maximum resident set). Each scenario
# answers chosen targets the way a broken or hostile server would (the site server's
# --hostile modes); the goal is a peak under 100 MiB whatever the site sends.
#
#   bash bench/hostile_run_bench.sh [scenario...]
#
# Scenarios (default: all but trickle, which takes the full 300 s document deadline):
#   flood      header lines without end on a listing page and on a detail page
#   huge       300 MiB bodies, with and without a Content-Length, on listing and detail
#              pages and on a cover
#   tags       a listing page and the detail page it links, each just under the page
#              limit and made of nothing but tiny tags (the analyses' worst case)
#   trickle    the body of a listing page trickled one byte every 2 s, with the
#              time-out at its default of 60 s and with it off ("TimeOut_Text" 0): the
#              document deadline of 300 s ends it either way
set -euo pipefail
cd "$(dirname "$0")/.."
scenarios=("$@")
[[ ${#scenarios[@]} -gt 0 ]] || scenarios=(flood huge tags)
if [[ ! -x /usr/bin/time ]]; then
  echo "hostile_run_bench: GNU time (/usr/bin/time) is needed: bash scripts/setup.sh" >&2
  exit 1
fi
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target kasumido kasumido-site-server >/dev/null
bin=$PWD/build/release/bin

work=$(mktemp -d /tmp/kasumido-hostile.XXXXXX)
server_pid=
stop_server() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  server_pid=
}
trap 'stop_server; [[ -n ${KEEP_WORK:-} ]] || rm -rf "$work"' EXIT

# The sample site, and a copy of it with the pathological pages of "tags": the comic
# listing of this month links one detail page, and both are tiny tags up to just under
# the page limit, so the analyses hold both element lists at once.
page_limit=$(($(sed -n 's/.*kMaxPageBytes = \(.*\);/\1/p' src/shell/form_dll.h)))
mkdir -p "$work/site-tags"
cp -r samples/site/. "$work/site-tags/"
python3 - "$work/site-tags" "$page_limit" <<'EOF'
import sys
root, limit = sys.argv[1], int(sys.argv[2])
link = '<A HREF="detail/bk_detail.php?pcd=4001">x</A>\n'
open(root + '/comic/kongetsu.html', 'w').write(link + '<a>' * ((limit - 1 - len(link)) // 3))
open(root + '/comic/detail/bk_detail.php__pcd=4001', 'w').write('<a>' * ((limit - 1) // 3))
EOF
source bench/site_server.sh
# Starts the site server on the site folder $1 with the hostile answers that follow.
start_server() {
  local root=$1 args=()
  shift
  for hostile in "$@"; do args+=(--hostile "$hostile"); done
  start_site_server "$root" "${args[@]}"
}

# One run of the program: name, the TimeOut_Text value.
run_program() {
  local name=$1 time_out=$2
  local host="$work/$name/host"
  rm -rf "$work/$name"
  mkdir -p "$host/plugin" "$work/$name/temp"
  cp "$bin/kasumido" "$host/plugin/"
  printf '[TSetup]\r\nDLLComic_Checked=True\r\nTimeOut_Text=%s\r\n' "$time_out" >"$host/Shelvio.ini"
  : >"$work/requests.log"
  KASUMIDO_UI=console KASUMIDO_SITE_ORIGIN="http://127.0.0.1:$port" TEMP="$work/$name/temp" \
    KASUMIDO_REPORT_MEMORY="$work/memory.txt" \
    /usr/bin/time -f 'TIME %e %U %S %M' -o "$work/time.txt" \
    "$host/plugin/kasumido" </dev/null >"$work/console.txt" 2>"$work/stderr.txt"
  local requests books peak_kib
  requests=$(wc -l <"$work/requests.log")
  books=$( (grep -c '' "$host/ShelvioMas.csv" 2>/dev/null) || echo 0)
  peak_kib=$(sed -n 's/^peak working set: \([0-9]*\) KiB$/\1/p' "$work/memory.txt" | tail -1)
  read -r _ wall user sys rss_kb < <(grep '^TIME ' "$work/time.txt")
  awk -v n="$name" -v r="$requests" -v b="$books" -v w="$wall" -v u="$user" -v s="$sys" \
      -v p="${peak_kib:-0}" -v m="$rss_kb" 'BEGIN {
    printf "%-22s %8d %6d %8.1f %7.2f %10.1f %9.1f\n", n, r, b, w, u + s, p / 1024.0, m / 1024.0
  }'
}

printf '%-22s %8s %6s %8s %7s %10s %9s\n' scenario requests books wall_s cpu_s peak_MiB rss_MiB
for scenario in "${scenarios[@]}"; do
  case $scenario in
    flood)
      start_server samples/site "/comic/kongetsu.html=flood" "/comic/detail/bk_detail.php?pcd=4005=flood"
      run_program flood 10 ;;
    huge)
      start_server samples/site "/comic/kongetsu.html=huge:300" "/comic/detail/bk_detail.php?pcd=4005=endless:300" \
        "/comic/detail/bk_detail.php?pcd=4006=huge:300" "/image/cover_4007.gif=endless:300" \
        "/image/cover_4008.jpg=huge:300" "/comic/sengetsu.html=endless:300"
      run_program huge 10 ;;
    tags)
      start_server "$work/site-tags"
      run_program tags 10 ;;
    trickle)
      start_server samples/site "/comic/kongetsu.html=trickle:2000"
      run_program trickle-timeout-60 60
      stop_server
      start_server samples/site "/comic/kongetsu.html=trickle:2000"
      run_program trickle-timeout-off 0 ;;
    *)
      echo "hostile_run_bench: unknown scenario $scenario" >&2
      exit 2 ;;
  esac
  stop_server
done
