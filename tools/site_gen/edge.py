"""The small site of odd pages (samples/edge) for focused end-to-end runs.

Only two listing pages exist (/lnovel/kongetsu.html with every odd link, and
/book/kongetsu.html without any detail link); the other ten plan pages are missing, so
their fetches fail. Each detail page below shows one quirk of the publisher's markup.
"""

import books
import pages

SERIES_IMAGES = []  # every series image used here is already on the main site
COVERS = [9102, 9103, 9105, 9107, 9108, 9109, 9110, 9112]


def base(code, title, authors, contents, data, **kw):
    b = books.book(code, "lnovel", "ma_sb-bunko16.gif", title, authors, contents, data, **kw)
    return b


GOOD = {
    9102: base(9102, ["二度書かれた栞"], ["著：葛西ひとみ"],
               ["同じ栞が二度挟まれていた古書をめぐる短編。"],
               ["定価（税込）：660円", "発売日：2026年12月10日", "208ページ", "文庫判",
                "ISBN %s C0193" % books.isbn10(912)]),
    9103: base(9103, ["往復書簡の午後"], ["著：真鍋かおる"],
               ["文通相手を探す少女と、返事を書き続ける灯台守。"],
               ["定価（税込）：\t\t682円", "発売日：2026年12月18日", "224ページ", "文庫判",
                "ISBN %s C0193" % books.isbn13(913)]),
    9105: base(9105, ["引用符の森"], ["著：遠野さやか"],
               ["言葉を閉じこめる引用符の森で、少年は迷子になる。"],
               ["定価：本体600円＋税", "発売日：2026年12月24日", "192ページ", "文庫判",
                "ISBN %s C0193" % books.isbn10(915)]),
    9112: base(9112, ["折れた罫線"], ["著：春日井まこと"],
               ["罫線が一本だけ折れたノートの秘密。"],
               ["定価（税込）：715円", "発売日：2026年12月3日", "216ページ", "文庫判",
                "ISBN %s C0193" % books.isbn10(917)],
               heading=False),
}

# Pages that the program fetches but must not turn into a record.
NO_RECORD = {
    9104: base(9104, ["読まれてはならない頁"], ["著：誤読太郎"], ["このページは読まれません。"],
               ["定価：本体500円＋税", "ISBN %s C0193" % books.isbn10(914)]),
    9106: base(9106, ["割れたタグの向こう"], ["著：誤読太郎"], ["このページは読まれません。"],
               ["定価：本体500円＋税", "ISBN %s C0193" % books.isbn10(916)]),
    9107: base(9107, ["目印のない頁"], ["著：目白ことね"], ["目印のない詳細ページ。"],
               ["定価：本体500円＋税", "ISBN %s C0193" % books.isbn10(918)],
               main="<!--*MAIN-->"),
    9108: base(9108, ["見出しのない頁"], ["著：目白ことね"], ["見出し画像もない詳細ページ。"],
               ["定価：本体500円＋税", "ISBN %s C0193" % books.isbn10(919)], main=None),
    9109: base(9109, ["早すぎた罫線"], ["著：目白ことね"], ["罫線が一本多いページ。"],
               ["定価：本体500円＋税", "ISBN %s C0193" % books.isbn10(920)]),
}


def good_page(code):
    lines = pages.detail_page(GOOD[code])
    if code == 9112:
        # The second rule image is wrapped inside its tag name: "<IMG" + "src=...".
        rule = '<TD colspan="2"><IMG src="/image/ma_line2-330.gif" width="330" height="3"></TD>'
        second = [i for i, l in enumerate(lines) if l == rule][1]
        lines[second:second + 1] = ['<TD colspan="2"><IMG',
                                    'src="/image/ma_line2-330.gif" width="330" height="3"></TD>']
    return lines


def odd_page(code):
    lines = pages.detail_page(NO_RECORD[code])
    if code == 9107:
        lines = [l.replace("alt='シリーズ'", 'alt="シリーズ"') for l in lines]
    elif code == 9108:
        lines = [l.replace("alt='シリーズ'", 'alt="シリーズ名"') for l in lines]
    elif code == 9109:
        at = lines.index('<TABLE width="760" border="0" cellspacing="0" cellpadding="0">', 12)
        lines.insert(at, '<IMG src="/image/ma_line2-330.gif" width="760" height="3"><BR>')
    return lines


def quirky_page():
    """Detail page 9110: many odd pieces of markup in one page that still gives a record."""
    out = pages.head("新装版") + pages.logo_bar()
    out += [
        '<TABLE width="600" border="0" cellspacing="0" cellpadding="0">',
        '<TR><TD>',
        '<!--',
        '*MAIN -->',
        "<IMG src=\"/image/ma_sb-bunko11.gif\" width=\"330\" height=\"24\" alt='シリーズ'><BR>",
        '<IMG src="/image/ma_line2-330.gif" width="330" height="3"><BR>',
        '<FONT size="+1"><B>（新装版）誰がガラスの迷宮を？</B></FONT><BR>',
        '<IMG src="/image/ma_line2-330.gif" width="330" height="3"><BR>',
        '<IMG src="/image/cover_9110.jpg" width="120" height="170" alt="表紙"><BR>',
        '[ 著 ]<BR>',
        '作：白石ヨル<BR>',
        '絵：灰谷<BR>',
        '協力　霞堂編集部<BR>',
        '[ 内容 ]<BR>',
        '鏡張りの迷宮で消えた富豪の謎に、若き探偵が挑む。<BR>',
        '<IMG src="/image/spacer.gif" width="1" height="1"><BR>',
        '続きは本編でお楽しみください。<BR>',
        '[ 著 ]<BR>',
        '監修：黒田周平<BR>',
        '発売日：２０２７年１月１０日<BR>',
        '発売日：2027年1月10日<BR>',
        '<TABLE><TR><TD>定価（税込）：</TD><TD>1,650円</TD></TR></TABLE>',
        '定価：本体1,500円＋税<BR>',
        'ページ数：未定<BR>',
        '320ページ<BR>',
        '四六判<BR>',
        'Ａ５判<BR>',
        'ISBN%s C0093<BR>' % books.isbn10(910),
        '<A href="javascript:history.back()">戻 る</A><BR>',
        '<!-- /MAIN -->',
        '<IMG src="/image/ma_sb-comic11.gif" width="200" height="40" alt="コミックのご案内"><BR>',
        '</TD></TR>',
        '</TABLE>',
    ]
    return out + pages.COPYRIGHT


def link_rows():
    a = lambda href, inner: '<A href=%s>%s</A>' % (href, inner)  # noqa: E731
    d = lambda code: '"detail/bk_detail.php?pcd=%d"' % code  # noqa: E731
    return [
        '<TR><TD>',
        # 1: a detail page that does not exist
        a(d(9101), "存在しない本") + '<BR>',
        # 2: cover link, a name anchor without HREF, title link: one fetch
        a(d(9102), '<IMG src="/image/cover_9102.jpg" width="60" height="85" alt="表紙">')
        + '<A name="b9102"></A>' + a(d(9102), "二度書かれた栞") + '<BR>',
        # 3: the same link again after another link: two fetches
        a(d(9103), "往復書簡の午後") + ' ' + a('"kongetsu.html#b9103"', "この本を紹介")
        + ' ' + a(d(9103), "詳細") + '<BR>',
        # 4: a detail script without the folder's slash: not a detail link
        a('"bk_detail.php?pcd=9104"', "旧形式のリンク") + '<BR>',
        # 5: the same target in double and then in single quotes: two fetches
        a(d(9105), "引用符の森") + ' ' + a("'detail/bk_detail.php?pcd=9105'", "詳細") + '<BR>',
        # 6: an A tag broken after its name: the tag is no A tag
        '<A',
        'href="detail/bk_detail.php?pcd=9106">割れたタグ</A><BR>',
        # 7: an A tag without attributes, then an unquoted search link
        '<A>目次</A> <a href=detail/bk_search.php?pcd=9107>目印のない頁</a><BR>',
        a(d(9108), "見出しのない頁") + '<BR>',
        a(d(9109), "早すぎた罫線") + '<BR>',
        a(d(9110), "（新装版）誰がガラスの迷宮を？") + '<BR>',
        a(d(9112), "折れた罫線"),
        '</TD></TR>',
    ]


def site_pages():
    """(target, lines) of every page of the edge site."""
    out = [("/lnovel/kongetsu.html",
            pages.listing_page("lnovel", "kongetsu", link_rows(),
                               lead=["リンクの書き方がまちまちな一覧です。"]))]
    out.append(("/book/kongetsu.html", pages.listing_page(
        "book", "kongetsu", ['<TR><TD>今月の新刊はありません。</TD></TR>'],
        after=['<P><A href="http://www.kasumido-fan.example/">霞堂ファンクラブ</A>｜'
               '<A href="/image/logo.gif">ロゴ画像</A></P>'])))
    for code in GOOD:
        out.append(("/lnovel/detail/bk_detail.php?pcd=%d" % code, good_page(code)))
    for code in NO_RECORD:
        if code == 9104:
            target = "/lnovel/bk_detail.php?pcd=9104"
        elif code == 9107:
            target = "/lnovel/detail/bk_search.php?pcd=9107"
        else:
            target = "/lnovel/detail/bk_detail.php?pcd=%d" % code
        out.append((target, odd_page(code)))
    out.append(("/lnovel/detail/bk_detail.php?pcd=9110", quirky_page()))
    return out

