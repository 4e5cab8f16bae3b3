#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix, quietly: no debug channels, no
# Mono or Gecko installer, no desktop window.
#   wine_run.sh PREFIX PROGRAM [ARGUMENTS...]   runs PROGRAM
#   wine_run.sh PREFIX --fresh                  makes the prefix anew (removing an old one)
#   wine_run.sh PREFIX --fresh-gui [TEMP]       the same, for windows on an X display: the
#                                               Japanese window fonts are the IPA fonts,
#                                               the windows framed in a Wine desktop;
#                                               TEMP (a Windows path) is the user's
#                                               temporary folder (Wine ignores the Linux
#                                               side's TEMP and TMP);
#                                               KASUMIDO_WINE_DPI (default 96) is the
#                                               screen's scale in dots per inch,
#                                               KASUMIDO_WINE_DESKTOP (default 1024x768)
#                                               the desktop's size
#   wine_run.sh PREFIX --stop                   stops the prefix's Wine server
#   wine_run.sh PREFIX --suite SUITE [ARGS...]  runs a GoogleTest binary; fails unless it
#                                               reported its results (GoogleTest's
#                                               "[  PASSED  ]" line), so a Wine that runs
#                                               nothing never passes. A 32-bit suite on a
#                                               machine that runs no 32-bit code is not
#                                               run: it says so and exits 77 (ctest's
#                                               "skipped")
# Programs see no X display unless KASUMIDO_WINE_DISPLAY names one (e.g. ":5", an Xvfb);
# in a --fresh-gui prefix their windows are then child X windows of the Wine desktop, at
# their Windows screen positions, each with its frame.
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
if [[ -n ${KASUMIDO_WINE_DISPLAY:-} ]]; then export DISPLAY=$KASUMIDO_WINE_DISPLAY; fi

# The window fonts the program asks for by their Japanese names, replaced by the IPA
# fonts that setup installs (proportional for the P font), so Japanese shows as text; every
# window in one Wine desktop of 1024 x 768 (the X window "Default - Wine desktop"), which
# draws the window frames itself, as no window manager runs on the display, at the
# chosen scale; and the
# user's temporary folder when one is given. The frame's glyph font and the dialog
# font come with Wine's own fonts (fonts-wine), which the prefix does not pick up itself.
gui_settings() {
  local reg=$prefix/drive_c/gui-settings.reg temp=${1:-} font dpi
  dpi=$(printf '%08x' "${KASUMIDO_WINE_DPI:-96}")
  for font in /usr/share/wine/fonts/{marlett,tahoma,tahomabd}.ttf; do
    if [[ -f $font ]]; then cp "$font" "$prefix/drive_c/windows/Fonts/"; fi
  done
  {
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
      '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' '"MS UI Gothic"="IPAPGothic"' \
      '' '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' \
      '' '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' "\"Default\"=\"${KASUMIDO_WINE_DESKTOP:-1024x768}\"" \
      '' '[HKEY_CURRENT_USER\Control Panel\Desktop]' "\"LogPixels\"=dword:$dpi" \
      '' '[HKEY_CURRENT_CONFIG\Software\Fonts]' "\"LogPixels\"=dword:$dpi"
    if [[ -n $temp ]]; then
      temp=${temp//\\/\\\\}
      printf '%s\r\n' '' '[HKEY_CURRENT_USER\Environment]' "\"TEMP\"=\"$temp\"" "\"TMP\"=\"$temp\""
    fi
  } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
  wine regedit /S 'C:\gui-settings.reg' >/dev/null 2>&1
  wineserver -w
  rm -f "$reg"
}

# The machine field of a Windows executable's PE header in hex: 14c (i386), 8664 (x86_64).
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ' | sed 's/^0*//'
}

case ${1:-} in
  --fresh | --fresh-gui)
    if [[ -d $prefix ]]; then wineserver -k 2>/dev/null || true; fi
    rm -rf "$prefix" "$prefix.locale"
    mkdir -p "$prefix.locale"
    for lang in ja_JP en_US; do
      localedef -c -i "$lang" -f UTF-8 "$prefix.locale/$lang.UTF-8" 2>/dev/null ||
        [[ -d $prefix.locale/$lang.UTF-8 ]]
    done
    wineboot --init >/dev/null 2>&1
    wineserver -w
    if [[ $1 == --fresh-gui ]]; then gui_settings "${2:-}"; fi
    ;;
  --stop)
    wineserver -k 2>/dev/null || true
    ;;
  --suite)
    suite=$2
    shift 2
    if [[ $(pe_machine "$suite") == 14c ]] && ! why=$(bash "$(dirname "$0")/runs_32bit_code.sh"); then
      echo "NOT RUN: $(basename "$suite") is a 32-bit program and $why"
      exit 77
    fi
    report=$(mktemp)
    trap 'rm -f "$report"' EXIT
    lang=${KASUMIDO_WINE_LANG:-ja_JP.UTF-8}
    env LOCPATH="$prefix.locale" LANG="$lang" LC_ALL="$lang" wine "$suite" "$@" | tee "$report"
    status=${PIPESTATUS[0]}
    if ((status == 0)) && ! grep -qE '^\[  PASSED  \] [0-9]+ tests?\.' "$report"; then
      echo "FAILED: $(basename "$suite") ended without reporting its results (Wine ran nothing?)"
      status=1
    fi
    exit "$status"
    ;;
  *)
    lang=${KASUMIDO_WINE_LANG:-ja_JP.UTF-8}
    exec env LOCPATH="$prefix.locale" LANG="$lang" LC_ALL="$lang" wine "$@"
    ;;
esac
