#!/usr/bin/env bash
# Builds kasumido.exe for 64-bit and 32-bit Windows (the release presets windows and
# windows-i686) and writes one zip per architecture for the host's users:
#   dist/kasumido-<version>-windows-x86_64.zip
#   dist/kasumido-<version>-windows-i686.zip
# each holding kasumido.exe and the diagnostic tools kasumido-fetch.exe and
# kasumido-inspect.exe (stripped of their symbols), a read-me in Japanese (Shift_JIS,
# CR LF, as Notepad on a Japanese Windows reads it) and in English, and SHA256SUMS.txt,
# the SHA-256 of each file.
# The version is the project's CMake version.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(kasumido VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
if [[ -z $version ]]; then
  echo "package-windows: no version in CMakeLists.txt" >&2
  exit 1
fi
mkdir -p dist
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

readme_ja() {
  cat <<EOF
霞堂書店プラグイン kasumido $version ($1)

シェルヴィオのプラグインです。霞堂書店の新刊一覧と各書籍の詳細ページを
ダウンロードして、1冊につき1行をシェルヴィオのマスターファイルに追加します。

置き場所
  シェルヴィオのフォルダの中にサブフォルダ（例: plugin）を作り、kasumido.exe を
  そこに置いてください。シェルヴィオがそこから起動します。

書き込むもの（シェルヴィオのフォルダ = サブフォルダの一つ上）
  ShelvioMas.csv  マスターファイル（Shift_JIS の行を追加）
  Shelvio.log     実行ログ（シェルヴィオと共用）
  SHV.INI         ウィンドウの位置（[TFormDLL] の項目だけ。他の内容はそのまま）
  old\\            ダウンロードした一覧ページの控え（次回、変わっていない
                  ページを飛ばすため）
  一時フォルダ（環境変数 TEMP）に作業ファイルと表紙画像

設定
  シェルヴィオの Shelvio.ini [TSetup] の設定を読みます。
  サイトの接続先は環境変数 KASUMIDO_SITE_ORIGIN（例: http://127.0.0.1:8080）で
  変えられます。未設定なら組み込みの接続先です。
  kasumido.exe /c でバージョン情報を表示します。

どちらの zip を使うか
  シェルヴィオが C:\\Program Files (x86) のような、書き込みが制限されたフォルダに
  ある場合は i686 版を使ってください。32 ビットのシェルヴィオはそこで書いた
  ファイルをユーザーごとの仮想ストアに置きます。i686 版は同じ仕組みでそれを
  読み書きします（x86_64 版は見えません）。32 ビットの Windows でも i686 版です。
  それ以外は x86_64 版で構いません。フォルダに書き込めないときは、
  ダウンロードせずにその旨をステータスバー（書ければログにも）に表示します。

うまく動かないとき（同じフォルダの診断ツール、コマンドプロンプトで）
  サイトにつながらない:
    kasumido-fetch.exe [--proxy ホスト:ポート] URL 保存先ファイル
    プログラムと同じ方法（Shelvio.ini のプロキシ設定を含む）で1ページを取得し、
    転送先、ステータス、バイト数を表示します。
  本の内容がおかしい:
    kasumido-fetch.exe で詳細ページを保存してから
    kasumido-inspect.exe detail 保存したファイル [分類コード]
    プログラムがそのページから読み取る項目と、マスターファイルに書く行を表示します。

ライセンス: MIT
EOF
}

readme_en() {
  cat <<EOF
kasumido $version ($1), the 霞堂書店 plug-in of the シェルヴィオ book-release scheduler

It downloads the publisher's monthly listing pages and each book's detail page, and
appends one line per book to the host's master file, with a small progress window.

Where to put it
  Make a sub-folder of the host's folder (for example "plugin") and put kasumido.exe
  there; the host starts it from that folder.

What it writes (in the host's folder, the folder above its own)
  ShelvioMas.csv  the master file: Shift_JIS lines appended
  Shelvio.log     the run log, shared with the host
  SHV.INI         the window's placement (section [TFormDLL] only; the rest is kept)
  old\\            copies of the listing pages, so that the next run skips the
                  pages that did not change
  and, in the temporary folder (environment variable TEMP), its work files and the
  cover images.

Settings
  It reads the host's settings from Shelvio.ini, section [TSetup].
  The site it downloads from is the environment variable KASUMIDO_SITE_ORIGIN (for
  example http://127.0.0.1:8080), else the built-in one.
  "kasumido.exe /c" shows the version dialog.

Which zip
  For a host in a folder where users may not write, such as C:\\Program Files (x86),
  take the i686 zip: a 32-bit host keeps the files it writes there in the user's
  virtual store, and the 32-bit plug-in reads and writes them there too (the x86_64
  one cannot see them). On 32-bit Windows, too, take the i686 zip. Elsewhere the
  x86_64 zip is fine. When it cannot write into the host's folder, the program
  downloads nothing and says so in its status bar (and in the log when it can).

When something goes wrong (the tools beside it, in a command prompt)
  It cannot reach the site:
    kasumido-fetch.exe [--proxy HOST:PORT] URL FILE
    fetches one page as the program does (the proxy from Shelvio.ini included) and
    shows each relocation, the status and the byte count.
  A book comes out wrong:
    save its detail page with kasumido-fetch.exe, then
    kasumido-inspect.exe detail FILE [CLASSIFICATION CODE]
    shows what the program reads from the page and the master-file line it writes.

Licence: MIT
EOF
}

crlf() { sed 's/$/\r/'; }
programs=(kasumido.exe kasumido-fetch.exe kasumido-inspect.exe)

for preset in windows windows-i686; do
  case $preset in
    windows) arch=x86_64 ;;
    windows-i686) arch=i686 ;;
  esac
  echo "package-windows: building $preset"
  cmake --preset "$preset" >/dev/null
  nice -n 10 cmake --build --preset "$preset" -j2 --target "${programs[@]%.exe}" >/dev/null
  name=kasumido-$version-windows-$arch
  mkdir -p "$stage/$name"
  for program in "${programs[@]}"; do
    cp "build/$preset/bin/$program" "$stage/$name/"
    # The build keeps its symbols for debugging; users get the programs without them.
    "$arch-w64-mingw32-strip" "$stage/$name/$program"
  done
  readme_ja "$arch" | crlf | iconv -f UTF-8 -t CP932 >"$stage/$name/README-ja.txt"
  readme_en "$arch" | crlf >"$stage/$name/README-en.txt"
  (cd "$stage/$name" && sha256sum "${programs[@]}" README-ja.txt README-en.txt | crlf >SHA256SUMS.txt)
  rm -f "dist/$name.zip"
  python3 - "$stage/$name" "dist/$name.zip" <<'PYTHON'
import os
import sys
import zipfile

folder, archive = sys.argv[1], sys.argv[2]
name = os.path.basename(folder)
with zipfile.ZipFile(archive, 'w', zipfile.ZIP_DEFLATED) as out:
    for file in sorted(os.listdir(folder)):
        out.write(os.path.join(folder, file), f'{name}/{file}')
PYTHON
  echo "package-windows: dist/$name.zip (kasumido.exe $(stat -c %s "$stage/$name/kasumido.exe") bytes)"
done
