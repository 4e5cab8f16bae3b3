#include "text/euc.h"

#include <cstdint>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace kasumido {
namespace {

using test::Euc;
using test::Sjis;

std::string Hex(std::string_view bytes) {
  std::string hex;
  for (const unsigned char byte : bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

// glibc's EUC-JP to CP932 converter is the peer: every two-byte JIS X 0208 code it converts
// must give the same bytes. Codes it rejects (unassigned positions) are not compared.
TEST(EucToSjis, AgreesWithIconvOnEveryJisX0208Code) {
  // EUC code -> why the program's arithmetic must differ from the peer's table.
  const std::map<uint16_t, std::string> expected_differences = {};
  int compared = 0;
  int differing = 0;
  for (unsigned first = 0xA1; first <= 0xFE; ++first) {
    for (unsigned second = 0xA1; second <= 0xFE; ++second) {
      const std::string euc{static_cast<char>(first), static_cast<char>(second)};
      bool ok = false;
      const std::string peer = test::Iconv(euc, "EUC-JP", "CP932", &ok);
      if (!ok) continue;
      ++compared;
      const std::string ours = EucToSjis(euc);
      if (ours == peer) continue;
      ++differing;
      EXPECT_TRUE(expected_differences.contains(first << 8 | second))
          << "EUC " << Hex(euc) << ": ours " << Hex(ours) << ", iconv " << Hex(peer);
    }
  }
  // Every assigned JIS X 0208 character reached the comparison.
  EXPECT_EQ(compared, 6879);
  EXPECT_EQ(differing, static_cast<int>(expected_differences.size()));
}

TEST(EucToSjis, ConvertsMixedTextAsIconvDoes) {
  const char* const texts[] = {
      "",
      "plain ASCII <b>text</b> 1,260\r\n",
      "霞堂書店の新刊「ソフトウェア表現」（上）",
      "定価：本体１，２６０円＋税　発売日：2024年5月",
      "ｶﾞｷﾞｸﾞ ﾊﾟﾋﾟ ｱｲｳｴｵ｡｢｣､･",  // half-width kana: 0x8E pairs
      "※★♪÷±§ 〜−‖¢",            // the last four read differently in the two sets
  };
  for (const char* text : texts) {
    const std::string euc = Euc(text);
    EXPECT_EQ(Hex(EucToSjis(euc)), Hex(Sjis(text))) << text;
  }
}

TEST(EucToSjis, HandlesBytesOutsideJisX0208ByItsRules) {
  struct Case {
    std::string euc;
    std::string sjis;
    const char* why;
  };
  const Case cases[] = {
      {"\x8E\xB1", "\xB1", "0x8E pair gives its second byte alone"},
      {"a\x8E\xDF"
       "b",
       "a\xDF"
       "b",
       "a half-width semi-voiced mark"},
      {"\x8E", "@", "a lone 0x8E pairs with the stand-in 0x40"},
      {"\x8F\xB0\xA1", "\x81\x5F", "JIS X 0212: the 0x8F pair is dropped, 0xA1 is then lone"},
      {"\x8F\xB0\xA1x", "\x81\x98", "JIS X 0212: the last byte pairs with what follows"},
      {"x\xA4", "x\x82\xBE", "a lone last byte pairs with 0x40"},
      {"\x80\xA4\xA4\xA2", "\x82\xA0", "0x80 pair dropped, then a kana"},
      {"\xA0\xA0"
       "A",
       "A", "0xA0 pair dropped"},
      {"\xFF\xFF"
       "A",
       "A", "0xFF pair dropped"},
      {"\xA4\x41", "\x82\xBF", "a second byte below 0x80 has no top bit to clear"},
      {"\xA1\xA1\xA1", "\x81\x40\x81\x5F", "a pair, then a lone byte"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(EucToSjis(c.euc)), Hex(c.sjis)) << c.why;
  }
}

TEST(EucToSjis, CopiesLongAsciiRunsAroundDoubleBytes) {
  // The ASCII fast path works eight bytes at a time: runs of every length around a kanji.
  const std::string kanji_euc = Euc("漢");
  const std::string kanji_sjis = Sjis("漢");
  for (size_t before = 0; before <= 17; ++before) {
    for (size_t after = 0; after <= 9; ++after) {
      const std::string head(before, 'h');
      const std::string tail(after, 't');
      EXPECT_EQ(EucToSjis(head + kanji_euc + tail), head + kanji_sjis + tail)
          << before << " " << after;
    }
  }
}

}  // namespace
}  // namespace kasumido
