"""HTML of the sample site's pages, as UTF-8 text (the writer converts it to EUC-JP).

The layout is that of an older table-based publisher site: a logo bar, a side menu,
and a main column that starts at the "*MAIN" marker comment.
"""

CATEGORIES = {
    "lnovel": "ライトノベル",
    "book": "書籍",
    "bunko": "文庫",
    "comic": "コミック",
}

MONTHS = {
    "kongetsu": ("今月", "2026年12月"),
    "raigetsu": ("来月", "2027年1月"),
    "sengetsu": ("先月", "2026年11月"),
}

BUTTON_NOTE = "※ご予約の受付が始まりますと、こちらに「予約する」ボタンが付きます。"
REGION_NOTICE = "※発売日は地域によって前後する場合がございます。"
BODY = ('<BODY bgcolor="#FFFFFF" text="#333333" link="#1F3F8F" vlink="#5F3F8F" '
        'leftmargin="0" topmargin="0" marginwidth="0" marginheight="0">')
COPYRIGHT = [
    '<TABLE width="760" border="0" cellspacing="0" cellpadding="4">',
    '<TR><TD align="center" class="copy">Copyright &copy; 霞堂書店 All Rights Reserved.</TD></TR>',
    '</TABLE>',
    '</BODY>',
    '</HTML>',
]


def head(title, script=False):
    lines = [
        '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">',
        '<HTML>',
        '<HEAD>',
        '<META http-equiv="Content-Type" content="text/html; charset=EUC-JP">',
        '<TITLE>霞堂書店｜%s</TITLE>' % title,
        '<LINK rel="stylesheet" href="/css/kasumido.css" type="text/css">',
    ]
    if script:
        lines += [
            '<SCRIPT type="text/javascript">',
            '<!--',
            'function openCover(u){ window.open(u,"cover","width=360,height=520"); }',
            '//-->',
            '</SCRIPT>',
        ]
    return lines + ['</HEAD>', BODY]


def logo_bar():
    nav = "｜".join('<A href="/%s/kongetsu.html">%s</A>' % (c, n) for c, n in CATEGORIES.items())
    return [
        '<TABLE width="760" border="0" cellspacing="0" cellpadding="0">',
        '<TR>',
        '<TD width="220"><A href="/index.html"><IMG src="/image/logo.gif" width="220" '
        'height="56" border="0" alt="霞堂書店"></A></TD>',
        '<TD align="right" valign="bottom" class="gnav">%s</TD>' % nav,
        '</TR>',
        '</TABLE>',
    ]


def plain_title(book):
    """The title as a listing shows it: the title lines joined by a full-width space."""
    return "　".join(book["title"])


def cover_src(book):
    ext = "gif" if book["cover"] == "gif" else "jpg"
    return "/image/cover_%d.%s" % (book["code"], ext)


def cover_cell(book):
    kind = book["cover"]
    if kind is None:
        return ['<TD width="140" valign="top" align="center">&nbsp;</TD>']
    if kind == "blank":
        return ['<TD width="140" valign="top" align="center"><IMG src="/image/cover_blank.gif" '
                'width="120" height="170" alt="表紙画像準備中"></TD>']
    src = cover_src(book)
    # The IMG tag goes on over two lines, as the site's editor wrapped it.
    return [
        '<TD width="140" valign="top" align="center"><A href="javascript:openCover(\'%s\')">'
        '<IMG src="%s" width="120" height="170" border="0"' % (src, src),
        ' alt="表紙"></A></TD>',
    ]


def right_cell(book):
    out = ['<TABLE width="100%" border="0" cellspacing="0" cellpadding="2">']
    if book["heading"]:
        out.append('<TR><TD class="head">[ 著 ]</TD></TR>')
    authors = book["authors"]
    out.append('<TR><TD class="author">%s' % authors[0]
               + ("<BR>" if len(authors) > 1 else "</TD></TR>"))
    for i, a in enumerate(authors[1:], 1):
        out.append(a + ("<BR>" if i < len(authors) - 1 else "</TD></TR>"))
    if book["catch"]:
        out.append('<TR><TD><IMG src="/image/ma_line2-330.gif" width="330" height="3"></TD></TR>')
        for c in book["catch"]:
            out.append('<TR><TD class="catch"><B>%s</B></TD></TR>' % c)
    if book["apology"]:
        out.append('<TR><TD class="notice"><FONT color="#CC0000">%s</FONT></TD></TR>'
                   % book["apology"])
    paras = book["contents"]
    if paras:
        out.append('<TR><TD class="head">[ 内容 ]</TD></TR>')
        body = '<TR><TD class="naiyou">' + "<BR>\n<BR>\n".join(paras) + "</TD></TR>"
        out += body.split("\n")
    if not book["spacer"] and book["note"]:
        out.append('<TR><TD class="note">%s</TD></TR>' % BUTTON_NOTE)
    out.append('</TABLE>')
    return out


def detail_page(book):
    cat = book["cat"]
    out = head(plain_title(book).replace("&quot;", ""), script=book["cover"] not in (None, "blank"))
    out += logo_bar()
    out += [
        '<TABLE width="760" border="0" cellspacing="0" cellpadding="0">',
        '<TR>',
        '<TD width="150" valign="top" bgcolor="#EEF0F6" class="side">',
        '<B>%s</B><BR>' % CATEGORIES[cat],
        '<A href="/%s/kongetsu.html">今月の新刊</A><BR>' % cat,
        '<A href="/%s/raigetsu.html">来月の新刊</A><BR>' % cat,
        '<A href="/%s/sengetsu.html">先月の新刊</A><BR>' % cat,
        '<IMG src="/image/spacer.gif" width="1" height="8"><BR>',
        '<B>書名検索</B><BR>',
        '<FORM action="/search.php" method="get"><INPUT type="text" name="q" size="12">'
        '<INPUT type="submit" value="検索"></FORM>',
        '</TD>',
        '<TD width="10"><IMG src="/image/spacer.gif" width="10" height="1"></TD>',
        '<TD width="600" valign="top">',
    ]
    if book["main"]:
        out.append(book["main"])
    title = '<FONT size="+1"><B>%s</B></FONT>' % book["title"][0]
    for t in book["title"][1:]:
        title += '<BR><FONT size="-1">%s</FONT>' % t
    rule = '<TD colspan="2"><IMG src="/image/ma_line2-330.gif" width="330" height="3"></TD>'
    out += [
        '<TABLE width="600" border="0" cellspacing="0" cellpadding="0">',
        '<TR>',
        "<TD colspan=\"2\"><IMG src=\"/image/%s\" width=\"330\" height=\"24\" alt='シリーズ'></TD>"
        % book["series"],
        '</TR>',
        '<TR>', rule, '</TR>',
        '<TR>',
        '<TD colspan="2" class="bktitle">%s</TD>' % title,
        '</TR>',
        '<TR>', rule, '</TR>',
        '<TR>',
    ]
    out += cover_cell(book)
    out.append('<TD width="460" valign="top">')
    out += right_cell(book)
    out += ['</TD>', '</TR>', '</TABLE>']
    if book["spacer"]:
        out.append('<IMG src="/image/spacer.gif" width="1" height="12"><BR>')
    out.append('<TABLE width="600" border="0" cellspacing="1" cellpadding="3" '
               'bgcolor="#CCCCCC" class="data">')
    for line in book["data"]:
        out.append('<TR><TD bgcolor="#FFFFFF">%s</TD></TR>' % line)
    out.append('</TABLE>')
    if book["spacer"] and book["note"]:
        out.append('<P class="note">%s</P>' % BUTTON_NOTE)
    if book["notice"]:
        out.append('<P class="note">%s</P>' % REGION_NOTICE)
    out += [
        '<P align="center"><A href="javascript:history.back()">戻 る</A></P>',
        '<!-- /MAIN -->',
        '</TD>',
        '</TR>',
        '</TABLE>',
    ]
    return out + COPYRIGHT


def detail_href(book, quote='"'):
    script = "bk_search.php" if book["form"] == "search" else "bk_detail.php"
    return "%sdetail/%s?pcd=%d%s" % (quote, script, book["code"], quote)


def thumb(book):
    if book["cover"] in ("jpg", "gif"):
        return cover_src(book)
    return "/image/noimage.gif"


def listing_entry(book, quote='"', tag="A", attr="href", cover_link=True, extra=None):
    href = detail_href(book, quote)
    author = "／".join(book["authors"])
    date = next((d[4:] for d in book["data"] if d.startswith("発売日：")), "未定")
    if cover_link:
        left = ('<TD width="80" align="center" valign="top"><%s %s=%s><IMG src="%s" width="60" '
                'height="85" border="0" alt="表紙"></%s></TD>' % (tag, attr, href, thumb(book), tag))
    else:
        left = '<TD width="80" align="center" valign="top"><IMG src="/image/noimage.gif" ' \
               'width="60" height="85" alt=""></TD>'
    lines = [
        '<TR>',
        left,
        '<TD valign="top"><%s %s=%s><B>%s</B></%s><BR>' % (tag, attr, href, plain_title(book), tag),
        '%s<BR>' % author,
        '<FONT size="-1">発売日：%s</FONT>%s</TD>' % (date, extra or ""),
        '</TR>',
    ]
    return lines


def listing_page(cat, month, body_rows, lead=None, before=None, after=None):
    word, ym = MONTHS[month]
    out = head("%s %sの新刊" % (CATEGORIES[cat], word))
    out.append('<A name="top"></A>')
    out += logo_bar()
    out += [
        '<H2 class="cat">',
        "%s　%sの新刊" % (CATEGORIES[cat], ym),
        '</H2>',
        '<TABLE width="760" border="0" cellspacing="0" cellpadding="2">',
        '<TR><TD class="tab"><A href="kongetsu.html">今月の新刊</A>｜<A href="raigetsu.html">'
        '来月の新刊</A>｜<A href="sengetsu.html">先月の新刊</A></TD></TR>',
        '</TABLE>',
    ]
    if lead:
        out += ['<P class="lead">'] + lead + ['</P>']
    out += before or []
    out.append('<TABLE width="760" border="0" cellspacing="0" cellpadding="4">')
    out += body_rows
    out.append('</TABLE>')
    out += after or []
    out.append('<P align="right"><A href="#top">ページの先頭へ</A></P>')
    return out + COPYRIGHT
