#!/usr/bin/env bash
# The demo: sets up the machine, builds the release, lays out a host folder in a
# temporary folder (Shelvio.ini with every category on, the program copied into its
# sub-folder with the tools), serves the bundled sample site on a loopback port, runs one
# real download run, and shows the master file and the run log. The run shows itself in
# its window when a display is available (DISPLAY or WAYLAND_DISPLAY), else on the
# console; KASUMIDO_UI=console or KASUMIDO_UI=gui chooses.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release
source scripts/demo_site.sh

demo_host_folder build/release/bin
demo_start_site samples/site

echo "== host folder: $demo/host (site: $demo_origin, about 100 requests, one per half second)"
KASUMIDO_SITE_ORIGIN="$demo_origin" TEMP="$demo/temp" "$demo/host/plugin/kasumido" </dev/null

echo
echo "== master file $demo/host/ShelvioMas.csv"
"$demo/host/plugin/kasumido-master-table" "$demo/host/ShelvioMas.csv"
echo
echo "== run log $demo/host/Shelvio.log"
iconv -f CP932 -t UTF-8 "$demo/host/Shelvio.log" | tr -d '\r'
echo
echo "== $(wc -l <"$demo/requests.log") requests served; saved listing pages: $(ls "$demo/host/old" | tr '\n' ' ')"
