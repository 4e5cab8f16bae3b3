// A detail page of the publisher's layout, written in UTF-8 in parts that a test can
// replace one at a time, and the master-file line expected of it, field by field.
#pragma once

#include <string>

#include "support/encoding.h"

namespace kasumido::test {

inline constexpr std::string_view kTestFolderUrl = "http://127.0.0.1:8080/bunko/";
inline constexpr std::string_view kTestLink = "detail/bk_detail.php?pcd=3001";

struct DetailPage {
  std::string before =
      "<a href=\"/\"><img src=\"/image/logo.gif\" alt=\"霞堂書店\"></a>\n"
      "<a href=\"/bunko/\">文庫</a>\n";
  std::string opening = "<!-- *MAIN -->\n";
  std::string series = "<img src=\"/image/ma_sb-bunko16.gif\" alt='シリーズ'>\n";
  std::string title =
      "<img src=\"/image/ma_line2-330.gif\">\n"
      "<td class=\"title\"><b>星の海の図書館</b></td>\n"
      "<img src=\"/image/ma_line2-330.gif\">\n";
  std::string authors = "<span>[ 著 ]</span><br>\n霞 ゆかり<br>\n";
  std::string contents =
      "<span>[ 内容 ]</span><br>\n港町の古い図書館。<br>\n"
      "<img src=\"/image/spacer.gif\" width=\"1\"><br>\n";
  std::string data =
      "発売日：2026年12月25日<br>\n定価（税込）：\t\t1,650円<br>\n"
      "256ページ<br>\n文庫判<br>\nISBN 4-89-123456-7 C0193<br>\n"
      "<a href=\"javascript:history.back()\">戻 る</a>\n";
  std::string cover = "<img src=\"/image/cover_4891234567.jpg\" alt=\"表紙\">\n";
  std::string after = "";  // texts here count when no end marker came before

  std::string Utf8() const {
    return "<html><body>\n" + before + opening + series + title + authors + contents + data +
           cover + after + "</body></html>\n";
  }
  // The page as the site serves it.
  std::string Euc() const { return test::Euc(Utf8()); }
};

// The fields of the line expected for a DetailPage, as UTF-8; the defaults are those of
// the page above when its cover is not served.
struct ExpectedLine {
  std::string isbn = "9784891234560";
  std::string title = "星の海の図書館";
  std::string author = "霞 ゆかり";
  std::string series = "霞堂ランナー文庫";
  std::string price = "1650";
  std::string code = "193";
  std::string date = "20261225";
  std::string pages = "256";
  std::string format = "文庫判";
  std::string description = " 港町の古い図書館。";
  std::string url = std::string(kTestFolderUrl) + std::string(kTestLink);
  std::string cover = "";

  std::string Utf8() const {
    return "\"" + isbn + "\",\"" + title + "\",\"\",\"" + author + "\",\"\",\"" + series +
           "\",\"霞堂書店\"," + price + "," + code + ",0,0," + date + "," + pages + ",\"" + format +
           "\",\"" + description + "\",\"" + url + "\",\"" + cover + "\"\r\n";
  }
  // The line as the master file holds it.
  std::string Sjis() const { return test::Sjis(Utf8()); }
};

}  // namespace kasumido::test
