#!/usr/bin/env bash
# The demo: sets up the machine, builds the release, lays out a host folder in a
# temporary folder (Shelvio.ini with every category on, the program copied into its
# sub-folder with the tools), serves the bundled sample site on a loopback port, runs one
# real download run on the console, and shows the master file and the run log.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release
bin=build/release/bin

demo=$(mktemp -d /tmp/kasumido-demo.XXXXXX)
server_pid=
cleanup() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

mkdir -p "$demo/host/plugin" "$demo/temp"
# Copied, not linked: the program finds the host's files relative to its own folder.
cp "$bin/kasumido" "$bin/kasumido-site-server" "$bin/kasumido-master-table" \
   "$bin/kasumido-version-info" "$demo/host/plugin/"
printf '[TSetup]\r\nDLLBooks_Checked=True\r\nDLLBunko_Checked=True\r\nDLLComic_Checked=True\r\nCheckEdited_Checked=True\r\nTimeOut_Text=10\r\n' \
  >"$demo/host/Shelvio.ini"

"$demo/host/plugin/kasumido-site-server" --root samples/site --port 0 \
  --request-log "$demo/requests.log" >"$demo/server.txt" 2>&1 &
server_pid=$!
port=
for _ in $(seq 1 100); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$demo/server.txt")
  [[ -n $port ]] && break
  sleep 0.05
done
if [[ -z $port ]]; then
  echo "demo: the site server did not start" >&2
  cat "$demo/server.txt" >&2
  exit 1
fi

echo "== host folder: $demo/host (site: http://127.0.0.1:$port, about 100 requests, one per half second)"
KASUMIDO_UI=console KASUMIDO_SITE_ORIGIN="http://127.0.0.1:$port" TEMP="$demo/temp" \
  "$demo/host/plugin/kasumido" </dev/null

echo
echo "== master file $demo/host/ShelvioMas.csv"
"$demo/host/plugin/kasumido-master-table" "$demo/host/ShelvioMas.csv"
echo
echo "== run log $demo/host/Shelvio.log"
iconv -f CP932 -t UTF-8 "$demo/host/Shelvio.log" | tr -d '\r'
echo
echo "== $(wc -l <"$demo/requests.log") requests served; saved listing pages: $(ls "$demo/host/old" | tr '\n' ' ')"
