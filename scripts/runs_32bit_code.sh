#!/usr/bin/env bash
# Whether this machine runs 32-bit x86 programs: a Linux kernel can be built or booted
# without its 32-bit emulation (ia32_emulation=off), and then no 32-bit program starts,
# 32-bit Wine included. The answer comes from starting a 93-byte 32-bit program that only
# exits with status 0.
#   runs_32bit_code.sh            exit status 0 when it runs; 1, with the reason on
#                                 standard output, when it does not
set -uo pipefail
probe=$(mktemp /tmp/kasumido-i386-probe.XXXXXX)
trap 'rm -f "$probe"' EXIT
# ELF header (52 bytes), one loadable segment (32 bytes), then the code at 0x08048054:
# mov eax, 1 (exit); xor ebx, ebx (status 0); int 0x80.
printf '%b' \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
  '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
  '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
  '\x00\x00\x00\x00' \
  '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
  '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
  '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
chmod +x "$probe"
if output=$("$probe" 2>&1); then exit 0; fi
echo "this machine cannot run 32-bit x86 programs (the kernel's 32-bit emulation is off${output:+: ${output##*: }})"
exit 1
