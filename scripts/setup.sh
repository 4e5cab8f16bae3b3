#!/usr/bin/env bash
# Installs every Debian package the project needs: build tools, Qt 6, GoogleTest,
# Google Benchmark, clang with libFuzzer and the sanitizer runtimes (the fuzz preset),
# OpenSSL 3 (the Linux program's TLS, and the openssl command that makes the test
# certificates), the real HTTP peers used by the tests (nginx, tinyproxy), Xvfb and a
# Japanese font for the window; for the Windows build the mingw-w64 cross compilers
# (posix threads), GoogleTest's sources and Wine to run its tests (the 32-bit half where
# the kernel runs 32-bit code), with Wine's own fonts, xdotool, xwininfo and xwd (the
# screenshots of the Windows program's windows). Idempotent and quiet; run as root (or
# with sudo).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  qt6-base-dev libgl-dev
  libxml2-dev libssl-dev openssl
  nginx-light tinyproxy curl time
  xvfb fonts-ipafont-gothic
  libc-bin locales
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest wine wine64
  fonts-wine xdotool x11-apps x11-utils python3
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  # The packaged nginx and tinyproxy services are not wanted: the tests start their own
  # instances on free loopback ports.
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The 32-bit Wine runs the i686 program and suites, but only where the kernel runs 32-bit
# code: elsewhere Debian's wine command would start its 32-bit loader for every program,
# the 64-bit ones included, and fail.
if bash "$(dirname "$0")/runs_32bit_code.sh" >/dev/null &&
  ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  echo "setup: installing wine32:i386 (the i686 suites under Wine)"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
fi
