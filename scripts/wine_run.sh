#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix, quietly: no debug channels, no
# Mono or Gecko installer, no desktop window.
#   wine_run.sh PREFIX PROGRAM [ARGUMENTS...]   runs PROGRAM
#   wine_run.sh PREFIX --fresh                  makes the prefix anew (removing an old one)
#   wine_run.sh PREFIX --stop                   stops the prefix's Wine server
# Programs run on a Japanese system (code page 932), as the host's users have it: the
# suites' own helpers name files through the system's code page. KASUMIDO_WINE_LANG
# chooses another system language (en_US.UTF-8: code page 1252). Wine names files on the
# Linux side in the locale's character set, so the fresh prefix comes with a UTF-8 locale
# of that language compiled into PREFIX.locale (the machine's own locales stay as they are).
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
case ${1:-} in
  --fresh)
    if [[ -d $prefix ]]; then wineserver -k 2>/dev/null || true; fi
    rm -rf "$prefix" "$prefix.locale"
    mkdir -p "$prefix.locale"
    for lang in ja_JP en_US; do
      localedef -c -i "$lang" -f UTF-8 "$prefix.locale/$lang.UTF-8" 2>/dev/null ||
        [[ -d $prefix.locale/$lang.UTF-8 ]]
    done
    wineboot --init >/dev/null 2>&1
    wineserver -w
    ;;
  --stop)
    wineserver -k 2>/dev/null || true
    ;;
  *)
    lang=${KASUMIDO_WINE_LANG:-ja_JP.UTF-8}
    exec env LOCPATH="$prefix.locale" LANG="$lang" LC_ALL="$lang" wine "$@"
    ;;
esac
