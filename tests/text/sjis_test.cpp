#include "text/sjis.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace kasumido {
namespace {

using test::Sjis;
constexpr size_t npos = std::string_view::npos;

// "ソ" and "表" end in the trail byte 0x5C, "＝" in the trail byte 0x81 (a lead value).
TEST(IsTrailByte, CountsLeadBytesBeforeThePosition) {
  struct Case {
    std::string text;
    int position;
    bool trail;
  };
  const Case cases[] = {
      {"a", 1, false},
      {Sjis("ソ"), 1, false},
      {Sjis("ソ"), 2, true},
      {Sjis("a表"), 3, true},
      {Sjis("＝＝"), 2, true},   // trail byte 0x81
      {Sjis("＝＝"), 3, false},  // lead byte after a trail byte of lead value
      {Sjis("＝＝"), 4, true},
      {Sjis("＝") + "@", 3, false},  // "@" after "＝", not the trail of
                                     // 0x81
      {"\x81", 1, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTrailByte(c.text, c.position), c.trail)
        << test::Utf8FromSjis(c.text) << " at " << c.position;
  }
}

TEST(IsTrailByte, RejectsPositionsOutsideTheText) {
  const std::pair<std::string, int> cases[] = {{"", 1}, {"ab", 0}, {"ab", 3}, {"ab", -1}};
  for (const auto& [text, position] : cases) {
    try {
      IsTrailByte(text, position);
      ADD_FAILURE() << "no error for " << position << " in \"" << text << "\"";
    } catch (const std::out_of_range& error) {
      EXPECT_STREQ(error.what(), "Illegal Index");
    }
  }
}

TEST(SjisFind, MatchesOnlyAtCharacterBoundaries) {
  struct Case {
    std::string text;
    std::string pattern;
    size_t from;
    size_t found;
  };
  const Case cases[] = {
      {Sjis("ソ\\"), "\\", 0, 2},  // not the trail byte of "ソ"
      {Sjis("表"), "\\", 0, npos},
      {Sjis("表示ソフト"), Sjis("示"), 0, 2},
      {Sjis("＝＝"), "\x81\x81", 0, 0},
      {Sjis("＝＝"), "\x81\x81", 1, 2},      // from a trail byte: the next character
      {Sjis("＝") + "@", "\x81@", 0, npos},  // looks like "　" from the trail byte
      {Sjis("ア") + "ab", "b", 1, 3},
      {"abcabc", "abc", 1, 3},
      {"abc", "", 2, 2},
      {"abc", "c", 4, npos},
      {"abc", "abcd", 0, npos},
      {Sjis("ソソソ") + "\\", "\\", 0, 6},  // trail candidates one after another
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SjisFind(c.text, c.pattern, c.from), c.found)
        << test::Utf8FromSjis(c.text) << " / " << c.pattern << " from " << c.from;
  }
  EXPECT_TRUE(SjisContains(Sjis("新刊ソ\\"), "\\"));
  EXPECT_FALSE(SjisContains(Sjis("新刊ソ表"), "\\"));
}

TEST(SjisReplaceAll, ReplacesWholeCharactersLeftToRight) {
  struct Case {
    std::string text;
    std::string from;
    std::string to;
    std::string result;
  };
  const Case cases[] = {
      {Sjis("ソ\\表\\"), "\\", "/", Sjis("ソ/表/")},
      {"aaa", "a", "aa", "aaaaaa"},  // replaced text is not scanned again
      {"aaaa", "aa", "b", "bb"},
      {"abc", "", "x", "abc"},
      {"abc", "x", "y", "abc"},
      {Sjis("＝＝") + "@", "\x81@", "!", Sjis("＝＝") + "@"},
      {Sjis("[ 内容 ]本文"), Sjis("[ 内容 ]"), "", Sjis("本文")},
      // A pattern ending in a lead byte matches only where that byte is a whole
      // character (the last byte of the text), never half of one.
      {"\x81\x81\x81\x40", "\x81", "Z", "\x81\x81\x81\x40"},
      {"a\x81\x5C\\a\x81", "a\x81", "Z", "a\x81\x5C\\Z"},
      {"ab\x81", "\x81", "Z", "abZ"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SjisReplaceAll(c.text, c.from, c.to), c.result) << testing::PrintToString(c.text);
  }
}

TEST(TrimAll, RemovesBlanksAndWholeFullWidthSpacesAtBothEnds) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {Sjis("　 本 　"), Sjis("本")},
      {Sjis(" 　 　\t"), ""},
      {Sjis("\r\n\t 霞堂 書店\r\n"), Sjis("霞堂 書店")},
      {Sjis("ソ　"), Sjis("ソ")},
      {Sjis("表 "), Sjis("表")},
      {Sjis("＝") + "@", Sjis("＝") + "@"},  // 0x81 0x40 across two characters stays
      {Sjis("　＝") + "@ ", Sjis("＝") + "@"},
      {Sjis("　\ta\t　"), "a"},  // blanks uncovered by the full-width spaces go last
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(TrimAll(in), out) << test::Utf8FromSjis(in);
  }
}

TEST(TrimControls, RemovesBytesUpToSpaceAtBothEnds) {
  EXPECT_EQ(TrimControls(std::string("\0\x01 \t\r\na b\x20\x7F\x1F", 12)), "a b\x20\x7F");
  EXPECT_EQ(TrimControls(" \t "), "");
  EXPECT_EQ(TrimControls(Sjis(" ソ ")), Sjis("ソ"));
}

}  // namespace
}  // namespace kasumido
