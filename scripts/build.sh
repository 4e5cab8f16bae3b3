#!/usr/bin/env bash
# Configures and builds one preset (default: debug), printing one line per finished
# program or library; the whole log is shown only when the build fails.
# Usage: build.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-debug}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [[ ! -f build/$preset/build.ninja ]]; then
  echo "build: $preset, a first build (the program, its tools and every test suite) takes several minutes on two cores"
else
  echo "build: $preset"
fi
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths relative to the checkout, so clones in other folders share the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
if ! cmake --preset "$preset" "${launcher[@]}" >"$log" 2>&1; then
  cat "$log"
  exit 1
fi
# Ninja's "[done/total] Linking CXX ... bin/name" becomes "  [done/total] name".
if ! cmake --build --preset "$preset" -j2 2>&1 | tee -a "$log" |
  sed -un 's#^\[\([0-9]*/[0-9]*\)\] Linking CXX [a-z ]* \(.*/\)\?\([^/]*\)$#  [\1] \3#p'; then
  cat "$log"
  exit 1
fi
grep -E 'warning:' "$log" | sort -u | head -20 || true
