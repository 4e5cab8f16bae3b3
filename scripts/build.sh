#!/usr/bin/env bash
# Configures and builds one preset (default: debug) quietly; prints the whole log only
# when the build fails. Usage: build.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j2; } >"$log" 2>&1; then
  cat "$log"
  exit 1
fi
grep -E 'warning:' "$log" | sort -u | head -20 || true
