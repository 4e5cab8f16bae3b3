#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test: the debug build, then the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in debug asan; do
  echo "== $preset build"
  bash scripts/build.sh "$preset"
  echo "== $preset tests"
  ctest --preset "$preset" -j2 --timeout 600
done
