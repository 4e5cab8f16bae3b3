#!/usr/bin/env bash
# Checks the executables of a Windows build: each is a PE image of the expected machine
# that imports only DLLs of the system (static linking: nothing travels beside the exe),
# and prints its size. The i686 build is checked this way because this kind of machine
# cannot run 32-bit code.
# Usage: check_windows_binaries.sh BUILD_DIR FORMAT   (FORMAT: pei-x86-64 or pei-i386)
set -euo pipefail
build=$1
format=$2
objdump=x86_64-w64-mingw32-objdump  # reads both PE formats
system_dlls='^(advapi32|comctl32|crypt32|gdi32|kernel32|msvcrt|secur32|shell32|user32|version|ws2_32)\.dll$'
failures=0
shopt -s nullglob
binaries=("$build"/tests/*.exe "$build"/bin/*.exe)
if ((${#binaries[@]} == 0)); then
  echo "check_windows_binaries: no executables in $build"
  exit 1
fi
for exe in "${binaries[@]}"; do
  if ! "$objdump" -f "$exe" | grep -q "file format $format\$"; then
    echo "$exe: not a $format image"
    failures=$((failures + 1))
  fi
  while read -r dll; do
    if ! [[ ${dll,,} =~ $system_dlls ]]; then
      echo "$exe: imports $dll, which is not a system DLL"
      failures=$((failures + 1))
    fi
  done < <("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  printf '  %8d KiB  %s\n' $(($(stat -c %s "$exe") / 1024)) "${exe#"$build"/}"
done
if ((failures > 0)); then
  echo "check_windows_binaries: $failures problem(s)"
  exit 1
fi
