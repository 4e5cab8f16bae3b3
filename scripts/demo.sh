#!/usr/bin/env bash
# The demo: sets up the machine, builds the release, lays out a host folder in a
# temporary folder (Shelvio.ini with every category on, the program copied into its
# sub-folder with the tools), serves the bundled sample site on a loopback port, runs one
# real download run, and shows the master file and the run log. The run shows itself in
# its window when a display is available (DISPLAY or WAYLAND_DISPLAY), else on the
# console; KASUMIDO_UI=console or KASUMIDO_UI=gui chooses.
#
#   bash scripts/demo.sh [--https]
#
# With --https the site is served over TLS by nginx, with a certificate for localhost
# from a test authority made for this run, which the run trusts (SSL_CERT_FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-} in
  "") https= ;;
  --https) https=1 ;;
  *) echo "usage: bash scripts/demo.sh [--https]" >&2; exit 2 ;;
esac
bash scripts/setup.sh
bash scripts/build.sh release
source scripts/demo_site.sh

demo_host_folder build/release/bin
trust=()
if [[ -n $https ]]; then
  demo_start_tls_site samples/site
  trust=(SSL_CERT_FILE="$demo_trust")
else
  demo_start_site samples/site
fi

echo "== host folder: $demo/host (site: $demo_origin, about 100 requests, one per half second)"
env "${trust[@]}" KASUMIDO_SITE_ORIGIN="$demo_origin" TEMP="$demo/temp" \
  "$demo/host/plugin/kasumido" </dev/null

echo
echo "== master file $demo/host/ShelvioMas.csv"
"$demo/host/plugin/kasumido-master-table" "$demo/host/ShelvioMas.csv"
echo
echo "== run log $demo/host/Shelvio.log"
iconv -f CP932 -t UTF-8 "$demo/host/Shelvio.log" | tr -d '\r'
echo
echo "== $(wc -l <"$demo/requests.log") requests served; saved listing pages: $(ls "$demo/host/old" | tr '\n' ' ')"
