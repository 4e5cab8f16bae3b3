#!/usr/bin/env python3
"""Writes the embedded sample of 霞堂書店's web site: samples/site (the full site) and
samples/edge (the small site of odd pages).

Run from anywhere:  python3 tools/site_gen/generate.py
Pages are composed in UTF-8 and converted with iconv to EUC-JP (the conversion fails
loudly on any character outside JIS X 0208). The generated files are committed; the
program and its tests use those files and never run this script.

File naming (shared with the sample-site server): the request target "/a/b.php?x=1" is
the file "a/b.php__x=1" under the site root; a target without a query is the plain path.
"""

import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True

import books  # noqa: E402
import edge  # noqa: E402
import images  # noqa: E402
import pages  # noqa: E402

ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
SITE = os.path.join(ROOT, "samples", "site")
EDGE = os.path.join(ROOT, "samples", "edge")
B = books.BY_CODE


def to_euc(text):
    result = subprocess.run(["iconv", "-f", "UTF-8", "-t", "EUC-JP"], input=text.encode("utf-8"),
                            capture_output=True)
    if result.returncode != 0:
        raise SystemExit("not EUC-JP safe: %s\n%s" % (result.stderr.decode(), text[:200]))
    return result.stdout


def target_file(root, target):
    """Maps a request target to its file under root ("?" becomes "__")."""
    assert target.startswith("/"), target
    path, _, query = target.partition("?")
    assert "//" not in path and "/./" not in path and ".." not in path, target
    name = path.lstrip("/") + ("__" + query if query else "")
    return os.path.join(root, *name.split("/"))


def write(root, target, data):
    path = target_file(root, target)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def write_page(root, target, lines, crlf=False):
    eol = "\r\n" if crlf else "\n"
    text = eol.join(lines) + eol
    if crlf:
        text = text.replace("\r\n", "\n").replace("\n", "\r\n")
    write(root, target, to_euc(text))


# ---- listing pages --------------------------------------------------------------------

def rows(*codes, **kw):
    out = []
    for c in codes:
        out += pages.listing_entry(B[c], **kw)
    return out


def listings():
    """(target, lines, crlf) of the twelve listing pages."""
    L = []
    pickup = B[1003]
    L.append(("/lnovel/kongetsu.html", pages.listing_page(
        "lnovel", "kongetsu",
        rows(1001, 1002, 1003, 1004, 1005),
        lead=["12月の新刊ライトノベルをご案内します。",
              "ご予約は全国の書店、または各オンライン書店にて承っております。"],
        before=[
            '<TABLE width="760" border="0" cellspacing="0" cellpadding="6" bgcolor="#FFF6E8">',
            '<TR>',
            '<TD width="80" align="center"><A href="detail/bk_search.php?pcd=1003"><IMG '
            'src="/image/cover_1003.gif" width="60" height="85" border="0" alt="表紙"></A></TD>',
            '<TD><FONT color="#CC3300"><B>今月の注目作</B></FONT><BR>',
            '<A href="detail/bk_search.php?pcd=1003">%s</A><BR>' % pages.plain_title(pickup),
            'シリーズ待望の第３巻、学園祭編がついに登場！</TD>',
            '</TR>',
            '</TABLE>',
        ]), False))
    L.append(("/book/kongetsu.html", pages.listing_page(
        "book", "kongetsu", rows(2001, 2002, 2003, 2004),
        lead=["12月の新刊書籍をご案内します。"],
        after=['<P>読者の集い・サイン会の情報は<A href="http://www.kasumido-fan.example/" '
               'target="_blank">霞堂ファンクラブ</A>をご覧ください。</P>']), False))
    bunko = []
    bunko += rows(3001, extra='<BR><A href="/tachiyomi/3001.html">立ち読み</A>')
    bunko += rows(3002, 3003, quote="'")
    bunko += rows(3004, cover_link=False)
    L.append(("/bunko/kongetsu.html", pages.listing_page(
        "bunko", "kongetsu", bunko, lead=["12月の新刊文庫をご案内します。"]), False))
    comic = rows(4001)
    comic += rows(4002, quote="", tag="A", attr="HREF")
    comic += rows(4003, 4004)
    L.append(("/comic/kongetsu.html", pages.listing_page(
        "comic", "kongetsu", comic, lead=["12月の新刊コミックをご案内します。"]), True))

    L.append(("/lnovel/raigetsu.html", pages.listing_page(
        "lnovel", "raigetsu", rows(1006, 1007, 1008, 1009),
        lead=["1月の新刊ライトノベルの予定です。", "発売日・価格は変更になる場合がございます。"]),
        False))
    book_r = rows(2005, 2006) + rows(2007, quote="", tag="a")
    L.append(("/book/raigetsu.html", pages.listing_page(
        "book", "raigetsu", book_r,
        lead=["1月の新刊書籍の予定です。", "発売日・価格は変更になる場合がございます。"]), False))
    bunko_r = rows(3005, 3006, 3007)
    bunko_r += rows(3008, extra='<BR>上巻は好評発売中です。<A href="detail/bk_detail.php?pcd=3004">'
                    '上巻の詳細</A>')
    L.append(("/bunko/raigetsu.html", pages.listing_page(
        "bunko", "raigetsu", bunko_r, lead=["1月の新刊文庫の予定です。"]), False))
    L.append(("/comic/raigetsu.html", pages.listing_page(
        "comic", "raigetsu", rows(4005, 4006, 4007, 4008),
        lead=["1月の新刊コミック・ムックの予定です。"]), True))

    L.append(("/lnovel/sengetsu.html", pages.listing_page(
        "lnovel", "sengetsu", rows(1010, 1011, 1012)), False))
    L.append(("/book/sengetsu.html", pages.listing_page(
        "book", "sengetsu", rows(2008, 2009, 2010)), False))
    L.append(("/bunko/sengetsu.html", pages.listing_page(
        "bunko", "sengetsu", rows(3009, 3010, 3011)), False))
    dead = [
        '<TR>',
        '<TD width="80" align="center" valign="top"><A href="detail/bk_detail.php?pcd=4099">'
        '<IMG src="/image/noimage.gif" width="60" height="85" border="0" alt="表紙"></A></TD>',
        '<TD valign="top"><A href="detail/bk_detail.php?pcd=4099"><B>鉄と硝煙のブルース（４）</B>'
        '</A><BR>',
        '漫画：柳田ゴウ／原作：堂島ケンジ<BR>',
        '<FONT size="-1">品切れ</FONT></TD>',
        '</TR>',
    ]
    comic_s = rows(4009) + dead
    comic_s += rows(4010, extra='<BR><A href="/image/cover_4010.jpg" target="_blank">表紙を拡大</A>')
    comic_s += rows(4011)
    L.append(("/comic/sengetsu.html", pages.listing_page("comic", "sengetsu", comic_s), True))
    return L


def index_page():
    out = pages.head("トップページ") + pages.logo_bar()
    out += ['<H2>新刊案内</H2>', '<UL>']
    for cat, name in pages.CATEGORIES.items():
        for month, (word, _) in pages.MONTHS.items():
            out.append('<LI><A href="/%s/%s.html">%s %sの新刊</A>' % (cat, month, name, word))
    out += ['</UL>'] + pages.COPYRIGHT
    return out


CSS = b"""body { font-family: sans-serif; font-size: 12px; }
.head { font-weight: bold; color: #1F3F8F; }
.note { font-size: 11px; color: #666666; }
.copy { font-size: 10px; color: #999999; }
"""

SERIES_IMAGES = sorted({b["series"] for b in books.BOOKS})


def write_images(root, covers):
    for name in SERIES_IMAGES + edge.SERIES_IMAGES:
        write(root, "/image/" + name, images.gif(330, 24, (31, 63, 143)))
    write(root, "/image/ma_line2-330.gif", images.gif(330, 3, (153, 153, 153)))
    write(root, "/image/spacer.gif", images.gif(1, 1, (255, 255, 255)))
    write(root, "/image/logo.gif", images.gif(220, 56, (90, 60, 120)))
    write(root, "/image/noimage.gif", images.gif(60, 85, (220, 220, 220)))
    write(root, "/image/cover_blank.gif", images.gif(120, 170, (235, 235, 235)))
    for i, (name, ext) in enumerate(covers):
        colour = books.COVER_COLOURS[i % len(books.COVER_COLOURS)]
        data = images.gif(60, 85, colour) if ext == "gif" else images.jpeg(120, 170, colour)
        write(root, "/image/%s.%s" % (name, ext), data)


def clear(root):
    """Removes the generated files of a site; its hand-written README.md stays."""
    if not os.path.isdir(root):
        return
    for name in os.listdir(root):
        path = os.path.join(root, name)
        if name in ("README.md", ".gitattributes"):
            continue
        if os.path.isdir(path):
            shutil.rmtree(path)
        else:
            os.remove(path)


def write_site():
    clear(SITE)
    covers = []
    for b in books.BOOKS:
        target = "/%s/%s" % (b["cat"], pages.detail_href(b, quote=""))
        write_page(SITE, target, pages.detail_page(b), b["crlf"])
        if b["cover"] in ("jpg", "gif"):
            covers.append(("cover_%d" % b["code"], b["cover"]))
    for target, lines, crlf in listings():
        write_page(SITE, target, lines, crlf)
    write_page(SITE, "/index.html", index_page())
    write(SITE, "/css/kasumido.css", CSS)
    write_images(SITE, covers)


def write_edge():
    clear(EDGE)
    for target, lines in edge.site_pages():
        write_page(EDGE, target, lines)
    covers = [("cover_%d" % c, "jpg") for c in edge.COVERS]
    write_images(EDGE, covers)


if __name__ == "__main__":
    write_site()
    write_edge()
    print("wrote", SITE, "and", EDGE)
