#!/usr/bin/env python3
"""Cross-check of the hand-written expectation files against the sample sites.

samples/expected/*.csv.utf8 are written by hand from the page content. This script is
a second, independent reading of the same rules (byte-level tokenizer, EUC-JP to
Shift_JIS, detail-page state machine, record finishing) in a few hundred lines of
Python, run over the generated pages; it reports every line where the two readings
disagree. It is a review aid only: never copy its output into the expectation files.

    python3 tools/site_gen/crosscheck.py            # compares both sites
"""

import calendar
import html.entities
import os
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))


def sj(text):
    return text.encode("cp932")


# ---- byte helpers (Shift_JIS aware) ---------------------------------------------------

def is_lead(b):
    return 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC


def find(hay, needle, start=0):
    """Byte offset of needle in hay, never starting on a trail byte; -1 when absent."""
    i = 0
    while i <= len(hay) - len(needle):
        if i >= start and hay[i:i + len(needle)] == needle:
            return i
        i += 2 if is_lead(hay[i]) and i + 1 < len(hay) else 1
    return -1


def contains(hay, needle):
    return find(hay, needle) >= 0


def is_trail(text, i):  # i is 1-based
    if i == 1:
        return False
    n, j = 0, i - 2
    while j >= 0 and is_lead(text[j]):
        n += 1
        j -= 1
    return n % 2 == 1


def strip_ctl(t):
    s, e = 0, len(t)
    while s < e and t[s] <= 0x20:
        s += 1
    while e > s and t[e - 1] <= 0x20:
        e -= 1
    return t[s:e]


def trim_all(t):
    if not t:
        return t
    t = strip_ctl(t)
    while True:
        if t[:1] == b" ":
            t = t[1:]
        elif t[:2] == b"\x81\x40":
            t = t[2:]
        else:
            break
    while t:
        if is_trail(t, len(t)):
            if t[-2:] == b"\x81\x40":
                t = t[:-2]
            else:
                break
        elif t[-1:] == b" ":
            t = t[:-1]
        else:
            break
    return strip_ctl(t)


def to_int(t, default=0):
    t = t.replace(b",", b"")
    try:
        s = t.decode("ascii")
        if not s or s.strip() != s:
            return default
        return int(s, 10)
    except (UnicodeDecodeError, ValueError):
        return default


_NARROW = {}
for wide, narrow in zip("　，．：；？！＾／｜‘’′“”″（）［］｛｝＋－＝〓＜＞￥＄％＃＆＊＠",
                        " ,.:;?!^/|'''\"\"\"()[]{}+-==<>\\$%#&*@"):
    _NARROW[sj(wide)] = narrow.encode("ascii")
for i in range(10):
    _NARROW[sj(chr(0xFF10 + i))] = bytes([0x30 + i])
for i in range(26):
    _NARROW[sj(chr(0xFF21 + i))] = bytes([0x41 + i])
    _NARROW[sj(chr(0xFF41 + i))] = bytes([0x61 + i])


def to_half(t):
    out, i = bytearray(), 0
    while i < len(t):
        b = t[i]
        if is_lead(b) and i + 1 < len(t):
            pair = t[i:i + 2]
            out += _NARROW.get(pair, pair)
            i += 2
        elif 0xA1 <= b <= 0xDD:
            n = t[i + 1] if i + 1 < len(t) else 0
            plain = bytes([b]).decode("cp932")
            full = unicodedata.normalize("NFKC", plain)
            if n in (0xDE, 0xDF):
                comb = unicodedata.normalize("NFKC", plain + bytes([n]).decode("cp932"))
                if len(comb) == 1:
                    full = comb
                i += 1
            out += sj(full)
            i += 1
        else:
            out.append(b)
            i += 1
    return bytes(out)


def euc_to_sjis(t):
    out, i = bytearray(), 0
    while i < len(t):
        a = t[i]
        b = t[i + 1] if i + 1 < len(t) else 0x40
        if a < 0x80:
            out.append(a)
            i += 1
            continue
        i += 2
        if a == 0x8E:
            out.append(b)
        elif 0xA100 <= a * 256 + b <= 0xFEFF:
            j1, j2 = a & 0x7F, b & 0x7F
            hi = (j1 + 1) // 2 + (0x70 if j1 <= 0x5E else 0xB0)
            if j1 % 2:
                lo = j2 + (0x1F if j2 <= 0x5F else 0x20)
            else:
                lo = j2 + 0x7E
            out += bytes([hi & 0xFF, lo & 0xFF])
    return bytes(out)


# ---- tokenizer ------------------------------------------------------------------------

ENTITIES = {"&quot;": 34, "&amp;": 38, "&lt;": 60, "&gt;": 62}
for name, cp in html.entities.name2codepoint.items():
    if 160 <= cp <= 255:
        ENTITIES["&%s;" % name] = cp


def code_char(v):
    return b" " if v < 32 or v == 160 else bytes([v])


def decode_text(s):
    t = s.replace(b"\n", b" ")
    while b"  " in t:
        t = t.replace(b"  ", b" ")
    p, start, buf, collecting = 0, 0, b"", False
    while p < len(t):
        c = t[p:p + 1]
        if c == b"&":
            start, buf, collecting = p, b"", True
        if collecting:
            buf += c
            if c in (b";", b" "):
                collecting = False
                n = len(buf)
                if n > 2 and buf[1:2] == b"#":
                    digits = buf[2:-1]
                    base = 10
                    if digits[:1] in (b"x", b"X"):
                        digits, base = digits[1:], 16
                    try:
                        v = int(digits.decode(), base) if len(buf[2:-1]) <= 3 else None
                    except ValueError:
                        v = None
                    if v is not None and 0 <= v <= 255:
                        t = t[:start] + code_char(v) + t[start + n:]
                        p = start + 1
                        continue
                else:
                    name = buf.decode("latin-1")
                    if name in ENTITIES:
                        t = t[:start] + b"&#%d;" % ENTITIES[name] + t[start + n:]
                        p = start
                        continue
                    p = start + 1
                    continue
        p += 1
    return t


def split_tag(s):
    sp = s.find(b" ")
    name = s if sp < 0 else s[:sp]
    rest = b"" if sp < 0 else s[sp:]
    params = []
    while rest:
        attr, q = b"", False
        while rest and not (rest[:1] == b" " and not q):
            if rest[:1] == b'"':
                q = not q
            attr += rest[:1]
            rest = rest[1:]
        if rest[:1] == b" ":
            rest = rest[1:]
        if attr:
            if b"=" in attr:
                pname, value = attr.split(b"=", 1)
                if len(value) > 1 and value[:1] == b'"' and value[-1:] == b'"':
                    value = value[1:-1]
            else:
                pname, value = attr, b""
            params.append((pname.upper(), value))
    return ("tag", name.upper(), params)


def tokenize(data):
    data = data.split(b"\x00")[0]
    lines = data.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    elems, text, tag, intag = [], b"", b"", False

    def flush_text():
        nonlocal text
        if not intag and text:
            elems.append(("text", decode_text(text)))
            text = b""

    for line in lines:
        for b in line:
            c = bytes([b])
            if c == b"<":
                flush_text()
                intag = True
            elif c == b">":
                intag = False
                elems.append(split_tag(tag))
                tag = b""
            elif intag:
                tag += c
            else:
                text += c
        if not intag and text:
            text += b"\n"
    if intag and tag:
        intag = False
        elems.append(split_tag(tag))
    flush_text()
    return elems


# ---- detail analysis --------------------------------------------------------------------

SERIES = [(sj(p), l) for p, l in [
    ("ma_sb-bunko11.gif", "霞堂文庫(日本)"), ("ma_sb-bunko12.gif", "霞堂文庫(海外)"),
    ("ma_sb-bunko13.gif", "ザウィークリー文庫"), ("ma_sb-bunko14.gif", "霞堂ホラー文庫"),
    ("ma_sb-bunko15.gif", "霞堂クラシック文庫"), ("ma_sb-bunko16.gif", "霞堂ランナー文庫"),
    ("ma_sb-bunko17.gif", "霞堂ガーネット文庫"), ("ma_sb-bunko18.gif", "霞堂シーズ文庫"),
    ("ma_sb-bunko19.gif", "霞堂petit文庫"), ("ma_sb-bunko20.gif", "ワイバーンブック"),
    ("ma_sb-bunko21.gif", "星見サーガ文庫"), ("ma_sb-bunko22.gif", "星見ミステリー文庫"),
    ("ma_sb-book11.gif", "単行本(日本)"), ("ma_sb-book12.gif", "単行本(海外)"),
    ("ma_sb-book13.gif", "ワントピック21"), ("ma_sb-book14.gif", "カスミドウエンタテイメント"),
    ("ma_sb-book15.gif", "カスミドウエンタテイメント NEXT"), ("ma_sb-book16.gif", "book more"),
    ("ma_sb-book17.gif", "選書・叢書"), ("ma_sb-book18.gif", "全集"),
    ("ma_sb-book19.gif", "ブックス/ノベルズ"), ("ma_sb-book20.gif", "その他(CD-ROMなど)"),
    ("ma_sb-comic11.gif", "女性向けコミック"), ("ma_sb-comic12.gif", "男性向けコミック"),
    ("ma_sb-comic13.gif", "その他コミック"), ("ma_sb-comic14.gif", "ビジュアル本"),
    ("ma_sb-comic15.gif", "アニメ関係単行本"), ("ma_sb-comic16.gif", "ゲーム関係単行本"),
    ("ma_sb-comic17.gif", "イラスト集"), ("ma_sb-comic18.gif", "グッズ・ニューメディア商品"),
    ("ma_sb-mook", "ムック"), ("ma_sb.gif", "ムック")]]

M = {k: sj(v) for k, v in dict(
    content="[ 内容 ]", sorry="※申し訳ございません", date="発売日：", button="ボタンが付きます",
    author="[ 著", price="定価", yen="円", isbn="ISBN", isbn_="ISBN ", colon="：",
    p2="定価（税込）：\t\t予）", p3="定価（税込）：\t\t", p4="定価：本体予）", p5="定価（税込）：",
    p6="定価：本体", page="ページ", han="判", end1="発売日は地域によって", end2="戻 る",
    undecided="未定", year="年", month="月", alt="'シリーズ'").items()}
FW_SPACE = b"\x81\x40"


def price_piece(t, start, trim):
    y = find(t, M["yen"])
    piece = t[start:y] if y >= 0 else b""
    if trim:
        piece = strip_ctl(piece).replace(b"\t", b"")
    return to_int(piece)


def release(t):
    p1, p2 = find(t, M["year"]), find(t, M["month"])
    y = to_int(t[8:p1]) if p1 >= 0 else 0
    m = to_int(t[p1 + 2:p2]) if p1 >= 0 and p2 >= 0 else 0
    dlen = len(t) - (p2 + 1) - 3
    d = to_int(t[p2 + 2:p2 + 2 + dlen]) if p2 >= 0 and dlen > 0 else 0
    d = d or 15
    if y < 1 or not 1 <= m <= 12 or d > calendar.monthrange(y, m)[1]:
        return None
    return "%04d%02d%02d" % (y, m, d)


def analyse_detail(data):
    r = dict(isbn=b"", title=b"", author=b"", series=b"", price=0, cls=0, date=None, pages=0,
             fmt=b"", desc=b"", cover=b"")
    state, rules, started = 0, 0, False
    for el in tokenize(data):
        if el[0] == "tag":
            _, name, params = el
            if not params:
                continue
            if name == b"!--":
                if any(p[0] == b"*MAIN" for p in params):
                    state = 1
            elif name == b"IMG":
                for pn, pv in params:
                    if pn == b"ALT" and euc_to_sjis(pv) == M["alt"]:
                        state = 1
                    elif pn == b"SRC":
                        for piece, label in SERIES:
                            if contains(pv, piece):
                                r["series"] = sj(label)
                                break
                for pn, pv in params:
                    if pn != b"SRC":
                        continue
                    if contains(pv, b"ma_line2-330.gif") and state in (0, 1):
                        rules += 1
                    elif contains(pv, b"/image/spacer.gif") and state == 3:
                        state = 4
                    elif contains(pv, b"/cover_") and not contains(pv, b"_blank.gif"):
                        r["cover"] = pv
                    break
            continue
        if state == 0:
            continue
        t = trim_all(strip_ctl(euc_to_sjis(el[1])))
        if not t:
            continue
        if t == M["content"] or contains(t, M["sorry"]):
            state, started = 3, True
        elif t.startswith(M["date"]) or contains(t, M["button"]):
            state = 4
        elif contains(t, M["author"]):
            state = 2
        elif contains(t, M["price"]) and find(t, M["yen"]) + 1 > 5:
            state = 4
        elif contains(t, M["isbn"]):
            state = 4
        if state == 1 and rules != 2:
            if not r["title"]:
                r["title"] = t
            else:
                r["desc"] = trim_all(r["desc"]) + FW_SPACE + t
        elif state == 2 or (state == 1 and rules == 2):
            if contains(t, M["author"]):
                pass
            elif not r["author"]:
                r["author"] = t
            elif not started:
                r["author"] += t if contains(t, M["colon"]) else b"/" + t
        elif state == 3:
            if t != M["content"]:
                r["desc"] = trim_all(r["desc"]) + FW_SPACE + t
        elif state == 4:
            state = data_rule(r, t, state)
    return r


def data_rule(r, t, state):
    if t.startswith(M["date"]) and r["date"] is None:
        if not contains(t, M["undecided"]):
            r["date"] = release(t)
        return state
    prices = [(M["p2"], 20, True), (M["p3"], 16, True), (M["p4"], 14, False),
              (M["p5"], 14, True), (M["p6"], 10, False)]
    for marker, skip, trim in prices:
        if t.startswith(marker) and r["price"] == 0:
            r["price"] = price_piece(t, skip, trim)
            return state
    if contains(t, M["page"]) and r["pages"] == 0:
        r["pages"] = to_int(t[:find(t, M["page"])])
        return state
    if contains(t, M["han"]) and not r["fmt"]:
        r["fmt"] = t
        return state
    if contains(t, M["isbn_"]) and not r["isbn"]:
        after = t[find(t, M["isbn_"]) + 5:]
        c = after.find(b"C")
        r["isbn"] = after[:max(c - 1, 0)] if c >= 0 else after
        ci = t.find(b"C")
        r["cls"] = to_int(t[ci + 1:ci + 5]) if ci >= 0 else 0
        return state
    if contains(t, M["end1"]) or contains(t, M["end2"]):
        return 0
    return state


def ean_check(s):
    if len(s) < 12 or not s[:12].isdigit():
        return ""
    total = sum(int(c) * (3 if i % 2 else 1) for i, c in enumerate(s[:12]))
    return str((10 - total % 10) % 10)


def finish(r, default, url):
    isbn = r["isbn"].decode("ascii", "replace")
    if len(isbn.strip()) in (13, 17):
        isbn = isbn.replace("-", "")
    if len(isbn.strip()) == 10:
        s = "978" + isbn.strip()[:9]
        ch = ean_check(s + "0")
        isbn = s + ch if ch else ""
    if not r["title"]:
        return None
    title = to_half(r["title"]).replace(b"(", b" ")
    title = trim_all(trim_all(title).replace(b")", b""))
    cover = ""
    if r["cover"]:
        ext = r["cover"][r["cover"].rfind(b"."):].decode() if b"." in r["cover"] else ""
        if isbn:
            name = isbn
        else:
            name = title.decode("cp932")
            for a, b in zip('\\/:,;*?"<>|', "￥／：，；＊？”＜＞｜"):
                name = name.replace(a, b)
        path = r["cover"].decode("ascii")
        if os.path.exists(site_file(CURRENT_ROOT, path)):
            cover = "{TEMP}/" + name + ext
    u = lambda b: b.decode("cp932")  # noqa: E731
    fields = ['"%s"' % isbn, '"%s"' % u(title), '""', '"%s"' % u(to_half(r["author"])), '""',
              '"%s"' % u(r["series"]), '"霞堂書店"', str(r["price"]), str(r["cls"] or default),
              "0", "0", r["date"] or "18991230", str(r["pages"]), '"%s"' % u(r["fmt"]),
              '"%s"' % u(to_half(r["desc"])), '"%s"' % url, '"%s"' % cover]
    return ",".join(fields)


# ---- the run ----------------------------------------------------------------------------

PLAN = [(c, m) for m in ("kongetsu", "raigetsu", "sengetsu")
        for c in ("lnovel", "book", "bunko", "comic")]
DEFAULTS = {"lnovel": 193, "book": 0, "bunko": 193, "comic": 79}
CURRENT_ROOT = None


def site_file(root, target):
    path, _, query = target.partition("?")
    name = path.lstrip("/") + ("__" + query if query else "")
    return os.path.join(root, *name.split("/"))


def read(root, target):
    try:
        with open(site_file(root, target), "rb") as f:
            return f.read()
    except OSError:
        return None


def run(root):
    global CURRENT_ROOT
    CURRENT_ROOT = root
    out = []
    for cat, month in PLAN:
        page = read(root, "/%s/%s.html" % (cat, month))
        if page is None:
            continue
        last = b""
        for el in tokenize(page):
            if el[0] != "tag" or el[1] != b"A" or not el[2]:
                continue
            link = b""
            for pn, pv in el[2]:
                if pn == b"HREF" and pv != last:
                    link = last = pv
            if not (contains(link, b"/bk_search.php?pcd=") or contains(link, b"/bk_detail.php?pcd=")):
                continue
            link = link.replace(b"'", b"")
            target = "/%s/%s" % (cat, link.decode("ascii"))
            data = read(root, target)
            if data is None:
                continue
            line = finish(analyse_detail(data), DEFAULTS[cat], "{ORIGIN}" + target)
            if line:
                out.append(line)
    return out


def compare(site, expected):
    got = run(os.path.join(ROOT, "samples", site))
    with open(os.path.join(ROOT, "samples", "expected", expected), "rb") as f:
        want = f.read().decode("utf-8").split("\r\n")
    if want and want[-1] == "":
        want.pop()
    bad = 0
    for i in range(max(len(got), len(want))):
        g = got[i] if i < len(got) else "<none>"
        w = want[i] if i < len(want) else "<none>"
        if g != w:
            bad += 1
            print("%s line %d differs\n  hand : %s\n  model: %s" % (expected, i + 1, w, g))
    print("%s: %d lines, %d differences" % (expected, len(want), bad))
    return bad


if __name__ == "__main__":
    failures = compare("site", "master.csv.utf8") + compare("edge", "edge.csv.utf8")
    sys.exit(1 if failures else 0)
