#!/usr/bin/env bash
# Sets up the machine, builds the program, and shows the page inspector on a bundled
# sample page of the publisher's site.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release
build/release/bin/kasumido-inspect samples/pages/detail.html
