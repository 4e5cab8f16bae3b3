#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test: the debug build, then the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer (each run includes
# the fuzz harnesses over their kept corpus); then the Windows builds (x86_64 and i686,
# cross-compiled), their executables checked, and for each architecture its suites under
# Wine, the window suites at 96 and 192 dpi and the whole runs of kasumido.exe clicked in
# its window on a virtual X display (the i686 ones only where this machine runs 32-bit
# code: elsewhere they are reported as not run); last a short fuzz of every harness with
# libFuzzer (the fuzz preset; FUZZ_SECONDS per target, 30 by default, 0 skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in debug asan; do
  echo "== $preset build"
  bash scripts/build.sh "$preset"
  echo "== $preset tests"
  ctest --preset "$preset" -j2 --timeout 600
done
for preset in windows windows-i686; do
  echo "== $preset build"
  bash scripts/build.sh "$preset"
done
echo "== windows executables"
bash scripts/check_windows_binaries.sh build/windows pei-x86-64
bash scripts/check_windows_binaries.sh build/windows-i686 pei-i386
echo "== windows tests (under Wine): suites, window suites at 96 and 192 dpi, whole runs"
ctest --preset windows -j2 --timeout 600
if why=$(bash scripts/runs_32bit_code.sh); then
  echo "== windows-i686 tests (under Wine)"
  ctest --preset windows-i686 -j2 --timeout 600
else
  echo "== windows-i686 tests: NOT RUN: $why"
fi
fuzz_seconds=${FUZZ_SECONDS:-30}
if ((fuzz_seconds > 0)); then
  echo "== fuzz build and ${fuzz_seconds} s of fuzzing per harness"
  bash scripts/fuzz.sh "$fuzz_seconds"
fi
