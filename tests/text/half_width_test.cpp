#include "text/half_width.h"

#include <QString>

#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/encoding.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

using test::Sjis;

// Unicode NFKC as Qt computes it, UTF-8 in and out.
std::string Nfkc(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
      .normalized(QString::NormalizationForm_KC)
      .toStdString();
}

// Shift_JIS to UTF-8 through the peer, or empty when the peer has no reading.
std::string Utf8(std::string_view sjis) {
  bool ok = false;
  std::string utf8 = test::Iconv(sjis, "CP932", "UTF-8", &ok);
  return ok ? utf8 : std::string();
}

TEST(ToHalfWidth, FoldsWidthsInMixedText) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {Sjis("ＡＢＣ１２３"), "ABC123"},
      {Sjis("ｶﾞｷﾞ"), Sjis("ガギ")},
      {Sjis("ｱﾞ"), Sjis("ア")},
      {Sjis("（上）"), Sjis("(上)")},
      {Sjis("ｳﾞｧｲｵﾘﾝ・ﾊﾟｰﾃｨ"), Sjis("ヴァイオリン・パーティ")},
      {Sjis("ﾊﾞﾟ"), Sjis("バ") + "\xDF"},  // one mark per kana: the second is a lone byte
      {Sjis("ﾞ ﾟ"), Sjis("ﾞ ﾟ")},          // marks after no kana stay
      {Sjis("ソフト　表示／＿～ー・「」"), Sjis("ソフト 表示/＿～ー・「」")},
      {Sjis("ｶ"), Sjis("カ")},  // a kana at the end: no mark to read
      {"a\xA0"
       "b\x81",
       "a\xA0"
       "b\x81"},                           // 0xA0 and a lead byte that ends the text
      {"\x83\x81\x40", Sjis("メ") + "@"},  // "メ" then "@": no full-width space inside
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToHalfWidth(c.in), c.out) << test::Utf8FromSjis(c.in);
  }
}

// Every double-byte character the peer can read, compared with its NFKC form wherever
// either side turns it into one ASCII character; all others must stay unchanged.
TEST(ToHalfWidth, NarrowsAsNfkcDoesExceptByDesign) {
  // Character -> the program's result where it differs from NFKC on purpose.
  const std::map<std::string, std::string> by_design = {
      // Narrowed although NFKC keeps them: the master file wants plain ASCII quotes.
      {"‘", "'"},
      {"’", "'"},
      {"′", "'"},
      {"“", "\""},
      {"”", "\""},
      {"″", "\""},   // NFKC: two primes
      {"〓", "="},   // the geta mark stands for an unreadable character
      {"￥", "\\"},  // NFKC: U+00A5; the host reads byte 0x5C as its yen sign
      // Kept full-width although NFKC gives ASCII: not in the folding table.
      {"＿", "＿"},
      {"～", "～"},
      {"＼", "＼"},
      {"｀", "｀"},
      {"＇", "＇"},
      {"＂", "＂"},
      {"①", "①"},
      {"②", "②"},
      {"③", "③"},
      {"④", "④"},
      {"⑤", "⑤"},
      {"⑥", "⑥"},
      {"⑦", "⑦"},
      {"⑧", "⑧"},
      {"⑨", "⑨"},
      {"Ⅰ", "Ⅰ"},
      {"Ⅴ", "Ⅴ"},
      {"Ⅹ", "Ⅹ"},
      {"ⅰ", "ⅰ"},
      {"ⅴ", "ⅴ"},
      {"ⅹ", "ⅹ"},
  };
  std::set<std::string> seen;
  int agreeing = 0;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string sjis{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = Utf8(sjis);
      if (utf8.empty()) continue;
      const std::string ours = Utf8(ToHalfWidth(sjis));
      const std::string nfkc = Nfkc(utf8);
      const bool nfkc_ascii = nfkc.size() == 1 && static_cast<unsigned char>(nfkc[0]) < 0x80;
      if (ours.size() != 1 && !nfkc_ascii) {
        EXPECT_EQ(ours, utf8) << "changed: " << utf8;
        continue;
      }
      if (ours == nfkc) {
        ++agreeing;
        continue;
      }
      const auto expected = by_design.find(utf8);
      if (expected == by_design.end()) {
        ADD_FAILURE() << utf8 << ": ours " << ours << ", NFKC " << nfkc;
        continue;
      }
      EXPECT_EQ(ours, expected->second) << utf8;
      seen.insert(utf8);
    }
  }
  // 27 symbols, 10 digits, 52 letters agree; every listed difference still occurs.
  EXPECT_EQ(agreeing, 27 + 10 + 52);
  EXPECT_EQ(seen.size(), by_design.size());
}

// Every half-width kana alone, with "ﾞ" and with "ﾟ": the same as NFKC wherever NFKC
// gives a Shift_JIS character; elsewhere NFKC keeps the mark as a combining character or
// composes a form Shift_JIS lacks ("ヷ", "ヺ"), and the program drops the mark.
TEST(ToHalfWidth, WidensKanaAsNfkcDoesExceptDroppedMarks) {
  const std::string marks[] = {"", "\xDE", "\xDF"};
  int agreeing[3] = {};
  int dropped[3] = {};
  for (unsigned kana = 0xA1; kana <= 0xDD; ++kana) {
    const std::string plain = Nfkc(Utf8(std::string(1, static_cast<char>(kana))));
    for (int m = 0; m < 3; ++m) {
      const std::string half = static_cast<char>(kana) + marks[m];
      const std::string ours = Utf8(ToHalfWidth(half));
      const std::string nfkc = Nfkc(Utf8(half));
      if (ours == nfkc) {
        ++agreeing[m];
        continue;
      }
      const bool composed_without_sjis = nfkc == "ヷ" || nfkc == "ヺ";
      EXPECT_TRUE(m > 0 && ours == plain && (nfkc.starts_with(plain) || composed_without_sjis))
          << Utf8(half) << ": ours " << ours << ", NFKC " << nfkc;
      ++dropped[m];
    }
  }
  EXPECT_EQ(agreeing[0], 61);
  EXPECT_EQ(agreeing[1], 1 + 15 + 5);  // "ｳ", "ｶ"-"ﾄ", "ﾊ"-"ﾎ"
  EXPECT_EQ(agreeing[2], 5);           // "ﾊ"-"ﾎ"
  EXPECT_EQ(dropped[1], 61 - 21);
  EXPECT_EQ(dropped[2], 61 - 5);
}

}  // namespace
}  // namespace kasumido
