#!/usr/bin/env bash
# Keeps the floors standing. Fails, naming the file and line, when:
#  - a file includes a project header from a floor above its own (app > ui > shell >
#    about > analysis > http > html > text > platform; the front ends never include
#    each other);
#  - a core file includes a back end's own header (platform/posix, platform/win32,
#    platform/qt) — only app, the front end of that back end, tools and tests choose one;
#  - an operating-system header is included outside src/platform/<back end>/ (the Win32
#    front end and the Windows entry in app/win32 may include Windows headers); tools
#    (which sit with app at the top) and tests keep their own peers';
#  - a Qt header is included outside src/platform/qt and src/ui/qt (tests may).
# Usage: check_floors.sh [source root]
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

rank() {  # the floor of a path or of an include target ("shell/x.h", "src/shell/x.cpp")
  local path=${1#src/}
  case $path in
    app/* | tools/*) echo 9 ;;
    ui/*) echo 8 ;;
    shell/*) echo 7 ;;
    about/*) echo 6 ;;
    analysis/*) echo 5 ;;
    http/*) echo 4 ;;
    html/*) echo 3 ;;
    text/* | kasumido/texts.h) echo 2 ;;
    platform/*) echo 1 ;;
    *) echo 0 ;;
  esac
}

os_headers='unistd\.h|fcntl\.h|sys/|netinet/|arpa/|netdb\.h|signal\.h|termios\.h|poll\.h|dirent\.h|iconv\.h|windows\.h|winsock2?\.h|ws2tcpip\.h|shellapi\.h|commctrl\.h|io\.h|direct\.h|process\.h|winreg\.h|winver\.h|wincon\.h|mswsock\.h|shlobj\.h|objbase\.h'
failures=0
fail() {
  echo "$1:$2: $3"
  failures=$((failures + 1))
}

while IFS= read -r file; do
  own=$(rank "$file")
  own_ui=$(sed -n 's#^src/ui/\([^/]*\)/.*#\1#p' <<<"$file")
  while IFS=: read -r line text; do
    [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\<\"]([^\>\"]+)[\>\"] ]] || continue
    target=${BASH_REMATCH[1]}
    if [[ $text == *'"'* ]]; then
      target_rank=$(rank "$target")
      if ((target_rank > own)); then
        fail "$file" "$line" "includes \"$target\" from a floor above its own"
      fi
      if [[ $target == ui/* && -n $own_ui && $target != ui/$own_ui/* ]]; then
        fail "$file" "$line" "one front end includes another (\"$target\")"
      fi
      if [[ $target =~ ^platform/(posix|win32|qt)/ && $file != src/platform/* &&
            ! ($file == src/ui/qt/* && $target == platform/qt/*) &&
            ! ($file == src/ui/win32/* && $target == platform/win32/*) && $file != app/* &&
            $file != tools/* ]]; then
        fail "$file" "$line" "the core includes a back end's own header \"$target\""
      fi
    else
      if [[ $target =~ ^($os_headers) && ! $file =~ ^(src/platform/(posix|win32)|tools)/ &&
            ! ($file =~ ^(src/ui|app)/win32/ && $target =~ ^(windows|winsock|commctrl|shellapi)) ]]; then
        fail "$file" "$line" "operating-system header <$target> outside its back end"
      fi
      if [[ $target =~ ^Q[A-Za-z]+$ && ! $file =~ ^src/(platform|ui)/qt/ ]]; then
        fail "$file" "$line" "Qt header <$target> outside src/platform/qt and src/ui/qt"
      fi
    fi
  done < <(grep -n '#[[:space:]]*include' "$file")
done < <(find src app tools -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if ((failures > 0)); then
  echo "check_floors: $failures include(s) break the floors"
  exit 1
fi
echo "check_floors: every include keeps to its floor"
