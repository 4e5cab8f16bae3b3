"""The invented catalogue of 霞堂書店 shown by the sample site.

Every title, author, description and ISBN here is made up. ISBNs use the invented
publisher block 4-89987; the check characters are computed, so they are valid.

A book is a dict:
  code      detail page code (pcd)
  cat       listing folder: lnovel, book, bunko, comic
  form      'detail' (bk_detail.php) or 'search' (bk_search.php)
  series    series heading image name under /image/
  main      opening marker comment, or None for a page without one
  title     title texts: the first is the title, each further one is a line below it
  heading   True when the author lines stand under a "[ 著 ]" heading
  authors   author lines
  catch     catch-copy lines under a third rule image (pages without author heading)
  apology   notice shown before the contents ("※申し訳ございません...")
  contents  contents paragraphs under "[ 内容 ]" ("\n" breaks the source line)
  spacer    True: the contents end with the spacer image before the data table
  data      data lines (price, release date, pages, format, ISBN) in page order
  note      True: the reservation-button note after the data
  notice    True: the regional release-date notice after the data
  cover     None, 'blank', 'jpg', 'gif' or 'missing' (named in the page, not on the site)
  crlf      True: the page is written with CR LF line ends
"""

ISBN_BLOCK = "4-89987-"


def isbn10(number):
    """ISBN-10 text with hyphens for title number `number` of the invented block."""
    digits = "489987%03d" % number
    total = sum((10 - i) * int(d) for i, d in enumerate(digits))
    check = (11 - total % 11) % 11
    return "%s%03d-%s" % (ISBN_BLOCK, number, "X" if check == 10 else str(check))


def isbn13(number):
    """ISBN-13 text with four hyphens for title number `number` of the invented block."""
    digits = "978489987%03d" % number
    total = sum(int(d) * (1 if i % 2 == 0 else 3) for i, d in enumerate(digits))
    return "978-%s%03d-%d" % (ISBN_BLOCK, number, (10 - total % 10) % 10)


STD = "<!-- *MAIN -->"


def book(code, cat, series, title, authors, contents, data, **kw):
    b = dict(code=code, cat=cat, form="detail", series=series, main=STD, title=title,
             heading=True, authors=authors, catch=None, apology=None, contents=contents,
             spacer=True, data=data, note=True, notice=True, cover="jpg",
             crlf=(cat == "comic"))
    b.update(kw)
    return b


BOOKS = [
    # ---- light novels -------------------------------------------------------------
    book(1001, "lnovel", "ma_sb-bunko16.gif", ["星屑の航海士（上）"],
         ["著：霧島ユウ", "イラスト：葉月ナオ"],
         ["辺境の星系で拾われた少年カイは、老いた航海士から一冊の星図を託される。",
          "銀河を渡る冒険譚、待望の第一部。"],
         ["定価（税込）：\t\t予）693円", "発売日：2026年12月25日", "288ページ", "文庫判",
          "ISBN %s C0193" % isbn10(101)]),
    book(1002, "lnovel", "ma_sb-bunko16.gif", ["星屑の航海士（下）"],
         ["著：霧島ユウ", "イラスト：葉月ナオ"],
         ["星図に隠された最後の航路とは。", "完結編となる第二部。"],
         ["定価（税込）：\t\t予）693円", "発売日：2026年12月25日", "296ページ", "文庫判",
          "ISBN %s C0193" % isbn10(102)],
         main="<!-- *MAIN START -->"),
    book(1003, "lnovel", "ma_sb-bunko17.gif", ["恋する魔導書（３）"],
         ["柊まひろ", "七瀬ルカ"],
         ["魔法学園の図書館に眠る、しゃべる魔導書と落ちこぼれ司書の恋物語。",
          "第３巻は学園祭編！"],
         ["定価（税込）：660円", "発売日：2026年12月10日", "256ページ", "文庫判",
          "ISBN %s C0193" % isbn13(103)],
         form="search", heading=False, cover="gif"),
    book(1004, "lnovel", "ma_sb-bunko21.gif", ["辺境伯令嬢は", "静かに暮らしたい"],
         ["著：高梨蒼", "イラスト：ＫＡＺＥ"],
         ["婚約破棄された令嬢リゼットは、\n辺境の領地で薬草園を開くことにした。"],
         ["定価（税込）：\t\t715円", "発売日：2026年12月下旬", "320ページ", "文庫判",
          "ISBN %s C0193" % isbn10(105)],
         main="<!-- *main -->"),
    book(1005, "lnovel", "ma_sb-bunko19.gif", ["ﾊﾟﾗﾚﾙ･ｶﾞｰﾃﾞﾝ"],
         ["著：水無瀬透"],
         ["ふたつの世界をつなぐ庭で、少女は自分と同じ顔の少女に出会う。"],
         ["定価：本体620円＋税", "発売日：2026年12月5日", "240ページ", "文庫判",
          "ISBN %s C0193" % isbn10(104)],
         cover=None),
    book(1006, "lnovel", "ma_sb-bunko22.gif", ["夜想曲（ノクターン）の庭"],
         ["著：鳴海しおり", "イラスト：森川ひなた"],
         ["旧い洋館で開かれる演奏会の夜、ピアニストが姿を消した。",
          "少女探偵・音羽ソナタの事件簿、第二弾。"],
         ["定価：本体予）640円", "発売日：2027年1月下旬", "272ページ", "文庫判",
          "ISBN %s C0193" % isbn13(106)]),
    book(1007, "lnovel", "ma_sb-bunko18.gif", ["竜と鍵師のワルツ（１）"],
         ["著：一ノ瀬カイリ", "イラスト：ｍｉｎｏ"],
         ["どんな扉も開けてしまう鍵師の少女と、封印された竜の青年。",
          "ふたりの旅がはじまる。"],
         ["定価（税込）：\t\t予）682円", "発売日：2027年1月20日", "256ページ", "文庫判",
          "ISBN %s C0193" % isbn10(107)],
         form="search", cover="blank"),
    book(1008, "lnovel", "ma_sb-bunko20.gif", ["魔王城の受付係です"],
         ["著：早瀬みつき"],
         ["魔王城の受付に就職した新人アリサの、\nお仕事奮闘記。"],
         ["定価：未定", "発売日：未定", "文庫判"],
         heading=False, cover=None, note=False),
    book(1009, "lnovel", "ma_sb-bunko21.gif", ["剣&amp;魔法の放課後"],
         ["著：雨宮レン", "イラスト：ＴＯＫＩ"],
         ["ランク&#65;の落第生たちが挑む、学園対抗戦。",
          "収録作：第一話&nbsp;はじまりの鐘"],
         ["定価（税込）：\t\t704円", "発売日：2027年2月上旬", "288ページ", "文庫判",
          "ISBN %s C0193" % isbn10(108)]),
    book(1010, "lnovel", "ma_sb-bunko17.gif", ["灰色の魔女と七つの嘘"],
         ["著：柚木ほのか", "イラスト：桐谷シン"],
         ["嘘をつくたび色を失う魔女と、嘘を見抜く少年の物語。"],
         ["定価（税込）：671円", "発売日：2026年11月25日", "240ページ", "文庫判",
          "ISBN %s C0193" % isbn10(109)]),
    book(1011, "lnovel", "ma_sb-bunko16.gif", ["放課後クロノグラフ（２）"],
         ["著：真白ユキ", "イラスト：佐伯ケイ"],
         ["時間を巻き戻せる腕時計を拾った高校生・湊。",
          "二巻では文化祭の一日を何度も繰り返すことに。"],
         ["定価（税込）：693円", "発売日：2026年11月10日", "264ページ", "文庫判",
          "ISBN %s C0193" % isbn13(110)],
         form="search", main=None),
    book(1012, "lnovel", "ma_sb-book19.gif", ["眠れる森の図書委員"],
         ["著：小鳥遊メイ"],
         ["森の奥の学校で、眠り続ける図書委員を起こす方法とは。"],
         ["定価：本体1,000円＋税", "発売日：2026年11月20日", "224ページ", "新書判",
          "ISBN %s C0293" % isbn10(111)],
         apology="※申し訳ございません。本書は品切れ・重版未定です。", cover="gif"),
    # ---- books --------------------------------------------------------------------
    book(2001, "book", "ma_sb-book11.gif", ["北の灯台守と十二の手紙"],
         ["著：朝倉圭"],
         ["岬の灯台に届く、差出人のない十二通の手紙。", "静かな感動を呼ぶ長編小説。"],
         ["定価（税込）：\t\t1,650円", "発売日：2026年12月18日", "304ページ", "四六判",
          "ISBN %s C0093" % isbn13(201)]),
    book(2002, "book", "ma_sb-book12.gif", ["硝子の温室で眠る人"],
         ["著：エリナ・ホルスト", "訳：宮坂まどか"],
         ["北欧の小さな町を舞台に、\n植物学者の失踪をめぐる謎を描く。",
          "本国でベストセラーとなった話題作。"],
         ["定価（税込）：\t\t予）1,575円", "発売日：2026年12月下旬", "352ページ", "四六判",
          "ISBN %s C0097" % isbn10(202)]),
    book(2003, "book", "ma_sb-book13.gif", ["はじめての古地図散歩"],
         ["監修：森下一葉", "写真：志村テツ"],
         ["江戸の古地図を片手に、いまの東京を歩いてみよう。"],
         ["定価：本体1,200円＋税", "発売日：2026年12月12日", "192ページ", "Ｂ６判",
          "ISBN %s C0025" % isbn10(203)],
         form="search", heading=False),
    book(2004, "book", "ma_sb-book14.gif", ["&quot;さよなら&quot;を言えなくて，春"],
         ["著：宇佐美りょう"],
         ["卒業式の朝、言えなかった言葉をめぐる四つの短編。"],
         ["定価：本体予）1,400円", "発売日：2026年12月20日", "256ページ", "四六判",
          "ISBN %s C0093" % isbn13(204)]),
    book(2005, "book", "ma_sb-book15.gif", ["月面都市のパン職人"],
         ["著：津村あかね"],
         ["月面都市でただ一軒のパン屋を営む青年と、\n地球から来た少女の物語。"],
         ["定価（税込）：1,320円", "発売日：2027年1月15日", "280ページ", "四六判",
          "ISBN %s C0093" % isbn13(205)],
         heading=False),
    book(2006, "book", "ma_sb-book16.gif", ["猫と暮らす小さな家"],
         ["文・写真：さくら井ミオ"],
         ["猫が快適に過ごせる部屋づくりのアイデアを、写真とともに紹介。"],
         ["定価：本体1,500円＋税", "発売日：2027年1月下旬", "128ページ", "Ａ５判",
          "ISBN %s C0077" % isbn10(206)],
         cover="gif"),
    book(2007, "book", "ma_sb-book20.gif", ["朗読ＣＤ　銀河の停車場"],
         ["朗読：柏木透子"],
         ["名作童話を、俳優・柏木透子が朗読。", "ＣＤ２枚組。"],
         ["定価（税込）：\t\t2,200円", "発売日：2027年2月上旬"],
         cover=None),
    book(2008, "book", "ma_sb-book17.gif", ["台所の近代史（霞堂選書）"],
         ["著：井上千種"],
         ["かまどからシステムキッチンまで、台所の百五十年をたどる。"],
         ["定価：本体1,800円＋税", "発売日：2026年11月10日", "240ページ", "四六判",
          "ISBN %s C0321" % isbn13(207)]),
    book(2009, "book", "ma_sb-book18.gif", ["宮野辺律子全集　第三巻"],
         ["宮野辺律子", "解説　北条真琴"],
         ["初期の短編小説三十編と、未発表の随筆を収める。"],
         ["定価：本体4,800円＋税", "発売日：2026年11月28日", "512ページ", "Ａ５判上製",
          "ISBN %s C0393" % isbn10(208)],
         form="search", cover=None),
    book(2010, "book", "ma_sb-book19.gif", ["黄昏探偵社の事件簿"],
         ["著：真壁悠一"],
         [],
         ["定価（税込）：1,078円", "発売日：2026年11月5日", "208ページ", "新書判",
          "ISBN %s C0293" % isbn10(209)],
         apology="※申し訳ございません。内容紹介は準備中です。"),
    # ---- bunko --------------------------------------------------------------------
    book(3001, "bunko", "ma_sb-bunko11.gif", ["雨の日の郵便局"],
         ["著：藤代ゆき"],
         ["単行本刊行時から大評判の連作短編集、待望の文庫化。"],
         ["定価（税込）：770円", "発売日：2026年12月8日", "272ページ", "文庫判",
          "ISBN %s C0193" % isbn13(301)]),
    book(3002, "bunko", "ma_sb-bunko12.gif", ["ウィローデールの冬"],
         ["著：マーガレット・エイヴリー", "訳：小野寺葵"],
         ["雪に閉ざされた村で、少女ネルは古い日記を見つける。"],
         ["定価（税込）：880円", "発売日：2026年12月8日", "336ページ", "文庫判",
          "ISBN %s C0197" % isbn10(302)]),
    book(3003, "bunko", "ma_sb-bunko13.gif", ["週末だけの喫茶店"],
         ["著：三枝ことり"],
         ["土曜と日曜だけ開く喫茶店に集う人々の、ささやかな物語。"],
         ["定価（税込）：\t\t予）748円", "発売日：2026年12月22日", "224ページ", "文庫判",
          "ISBN %s C0193" % isbn10(303)],
         form="search", spacer=False),
    book(3004, "bunko", "ma_sb-bunko14.gif", ["廃校舎の七不思議（上）"],
         ["著：黒江零"],
         ["取り壊しの決まった木造校舎に、肝試しに訪れた六人。"],
         ["定価（税込）：\t\t726円", "発売日：2026年12月15日", "248ページ", "文庫判",
          "ISBN %s C0193" % isbn10(304)]),
    book(3005, "bunko", "ma_sb-bunko15.gif", ["銀の匙と古時計"],
         ["著：大槻静馬", "解説：佐野まりえ"],
         ["明治の港町に生きた時計職人の一代記。", "新字新かなで読みやすく。"],
         ["定価：本体900円＋税", "発売日：2027年1月12日", "400ページ", "文庫判",
          "ISBN %s C0193" % isbn13(305)]),
    book(3006, "bunko", "ma_sb-bunko23.gif", ["海辺のアトリエ日誌"],
         ["著：浜名あおい"],
         ["港町の小さな画材店を継いだ姉妹の、一年間の日誌。"],
         ["定価（税込）：814円", "発売日：2027年1月下旬", "288ページ", "文庫判",
          "ISBN %s C0193" % isbn10(306)]),
    book(3007, "bunko", "ma_sb-bunko11.gif", ["風見鶏の丘で"],
         ["著：篠原ゆう"],
         [],
         ["定価（税込）：\t\t予）770円", "発売日：未定", "文庫判",
          "ISBN %s C0193" % isbn10(307)],
         apology="※申し訳ございません。本書は発売延期となりました。", cover="blank"),
    book(3008, "bunko", "ma_sb-bunko14.gif", ["廃校舎の七不思議（下）"],
         ["著：黒江零"],
         ["七つ目の不思議が明かされるとき、校舎は崩れはじめる。"],
         ["定価（税込）：\t\t726円", "発売日：2027年1月15日", "256ページ", "文庫判",
          "ISBN %s C0193" % isbn10(308)]),
    book(3009, "bunko", "ma_sb-bunko11.gif", ["金木犀の坂道"],
         ["著：藤代ゆき"],
         ["秋の坂道ですれ違う、高校生と老婦人の交流。"],
         ["定価（税込）：693円", "発売日：2026年11月12日", "208ページ", "文庫判",
          "ISBN %s C0193" % isbn10(309)]),
    book(3010, "bunko", "ma_sb-bunko12.gif", ["灯台と七人の航海者"],
         ["著：ヨハン・リンドクヴィスト", "訳：高村千尋"],
         ["嵐の夜、灯台に逃げ込んだ七人の船乗りが語る七つの物語。"],
         ["定価：本体1,100円＋税", "発売日：2026年11月12日", "448ページ", "文庫判",
          "ISBN %s C0197" % isbn10(310)],
         cover="missing"),
    book(3011, "bunko", "ma_sb-bunko13.gif", ["ひとり暮らしの小さなごはん"],
         ["料理・文：ささきなつ"],
         ["一人分でも手軽に作れる、季節の献立百選。"],
         ["定価（税込）：792円", "発売日：2026年11月26日", "192ページ", "文庫判",
          "ISBN %s C0177" % isbn13(311)],
         form="search", heading=False),
    # ---- comics -------------------------------------------------------------------
    book(4001, "comic", "ma_sb-comic11.gif", ["花冠のレイディ（３）"],
         ["漫画：百瀬すみれ"],
         ["王宮の花師見習いエマと、無口な騎士団長の恋。第３巻。"],
         ["定価（税込）：\t\t715円", "発売日：2026年12月15日", "192ページ", "Ｂ６判",
          "ISBN %s C9979" % isbn13(401)]),
    book(4002, "comic", "ma_sb-comic12.gif", ["鉄と硝煙のブルース（５）"],
         ["漫画：柳田ゴウ", "原作：堂島ケンジ"],
         ["荒野の賞金稼ぎたちの群像劇、第５巻。"],
         ["定価（税込）：737円", "発売日：2026年12月22日", "200ページ", "Ｂ６判",
          "ISBN %s C0079" % isbn10(402)]),
    book(4003, "comic", "ma_sb-comic14.gif", ["星屑の航海士", "公式ビジュアルブック"],
         ["監修：霧島ユウ"],
         ["人気シリーズの設定資料とカラーイラストを一冊に。"],
         ["定価：本体2,500円＋税", "発売日：2026年12月25日", "128ページ", "Ａ４変型判",
          "ISBN %s C0079" % isbn13(403)],
         heading=False, catch=["描き下ろしイラスト多数収録！"]),
    book(4004, "comic", "ma_sb-comic18.gif", ["ソラとリクの卓上カレンダー２０２７"],
         ["イラスト：桜庭こよみ"],
         ["人気コミックのキャラクターたちが毎月登場する卓上カレンダー。"],
         ["定価（税込）：\t\t1,980円", "発売日：2026年12月1日"]),
    book(4005, "comic", "ma_sb-comic13.gif", ["ねこ町四コマ日和（２）"],
         ["漫画：こむぎ"],
         ["猫だらけの商店街で繰り広げられる、ゆるやかな四コマ漫画。"],
         ["定価（税込）：\t\t予）990円", "発売日：2027年1月25日", "128ページ", "Ａ５判",
          "ISBN %s C0079" % isbn10(405)]),
    book(4006, "comic", "ma_sb-mook2.gif", ["霞堂ゲームマガジン別冊　冒険者ギルド大全"],
         ["編：霞堂ゲームマガジン編集部"],
         ["人気ＲＰＧのクエストとアイテムを完全網羅。"],
         ["定価：本体1,600円＋税", "発売日：2027年1月28日", "160ページ", "Ａ４判",
          "ISBN %s C0076" % isbn13(406)]),
    book(4007, "comic", "ma_sb.gif", ["まるごと一冊　手づくり文房具"],
         ["編：霞堂ムック編集部"],
         ["消しゴムはんこから和綴じノートまで、作り方を図解。"],
         ["定価（税込）：1,210円", "発売日：2027年2月上旬", "112ページ", "Ａ４変型判",
          "ISBN %s C0076" % isbn13(407)],
         cover="gif"),
    book(4008, "comic", "ma_sb-comic15.gif", ["劇場版星屑の航海士　原画集"],
         ["監修：スタジオ霞"],
         ["劇場版の原画と絵コンテから、名場面を厳選して収録。"],
         ["定価（税込）：\t\t3,300円", "発売日：2027年1月30日", "176ページ", "Ａ４判",
          "ISBN %s C0079" % isbn13(408)],
         form="search"),
    book(4009, "comic", "ma_sb-comic16.gif", ["ダンジョン飯店コミックアンソロジー"],
         ["作：霞堂コミック編集部"],
         ["人気ゲームを題材にした、十二人の作家によるアンソロジー。"],
         ["定価（税込）：880円", "発売日：2026年11月18日", "160ページ", "Ｂ６判",
          "ISBN %s C0079" % isbn10(409)],
         heading=False),
    book(4010, "comic", "ma_sb-comic17.gif", ["葉月ナオ画集　ひかりのかけら"],
         ["イラスト：葉月ナオ"],
         ["ライトノベルの表紙や挿絵など、百点以上を収録した初の画集。"],
         ["定価：本体2,800円＋税", "発売日：2026年11月27日", "144ページ", "Ａ４変型判",
          "ISBN %s C0079" % isbn13(410)]),
    book(4011, "comic", "ma_sb-comic11.gif", ["花冠のレイディ（２）"],
         ["漫画：百瀬すみれ"],
         ["花師試験に挑むエマに、思いがけない試練が。"],
         ["定価（税込）：\t\t715円", "発売日：2026年11月14日", "192ページ", "Ｂ６判",
          "ISBN %s C9979" % isbn13(411)]),
]

BY_CODE = {b["code"]: b for b in BOOKS}

# Colours of the flat cover pictures, one per book (cycled).
COVER_COLOURS = [(178, 34, 52), (40, 90, 160), (60, 140, 80), (200, 150, 40),
                 (120, 60, 150), (30, 130, 140), (210, 100, 60), (90, 90, 110)]
