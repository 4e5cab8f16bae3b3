// The strict conversions on every back end (also run under Wine on a Japanese and on a
// Western system): what code page 932 holds converts both ways; what it does not hold,
// or holds only one way, is refused, never best-fitted.
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace kasumido {
namespace {

using Encoding = TextEncoding;

std::string Hex(const std::optional<std::string>& bytes) {
  if (!bytes) return "(refused)";
  std::string hex;
  char digits[4];
  for (const char c : *bytes) {
    std::snprintf(digits, sizeof digits, "%02X ", static_cast<unsigned char>(c));
    hex += digits;
  }
  return hex;
}

// The UTF-16 LE form of a UTF-8 text, made here without the code under test.
std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(ConvertText, TakesWhatCodePage932HoldsBothWays) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
    std::string sjis;
  };
  const Case cases[] = {
      {"", u"", ""},
      {"Shelvio.ini", u"Shelvio.ini", "Shelvio.ini"},
      {"C:\\host\\", u"C:\\host\\", "C:\\host\\"},
      {"霞堂書店", u"霞堂書店", "\x89\xE0\x93\xB0\x8F\x91\x93\x58"},
      {"表ソ", u"表ソ", "\x95\x5C\x83\x5C"},  // trail bytes 0x5C
      {"ｶｽﾐﾄﾞｳ", u"ｶｽﾐﾄﾞｳ", "\xB6\xBD\xD0\xC4\xDE\xB3"},
      {"～∥－￢￠￡", u"～∥－￢￠￡", "\x81\x60\x81\x61\x81\x7C\x81\xCA\x81\x91\x81\x92"},
      {"①≒纊", u"①≒纊", "\x87\x40\x81\xE0\xFA\x5C"},  // NEC and IBM rows
      {"\xEE\x80\x80", u"\uE000", "\xF0\x40"},        // the user-defined area
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    const std::string utf16 = Utf16Le(c.utf16);
    EXPECT_EQ(Hex(ConvertText(c.utf8, Encoding::kUtf8, Encoding::kShiftJis)), Hex(c.sjis));
    EXPECT_EQ(ConvertText(c.sjis, Encoding::kShiftJis, Encoding::kUtf8), c.utf8);
    EXPECT_EQ(Hex(ConvertText(utf16, Encoding::kUtf16Le, Encoding::kShiftJis)), Hex(c.sjis));
    EXPECT_EQ(Hex(ConvertText(c.sjis, Encoding::kShiftJis, Encoding::kUtf16Le)), Hex(utf16));
    EXPECT_EQ(Hex(ConvertText(c.utf8, Encoding::kUtf8, Encoding::kUtf16Le)), Hex(utf16));
    EXPECT_EQ(ConvertText(utf16, Encoding::kUtf16Le, Encoding::kUtf8), c.utf8);
  }
  // A character with two codes reads as itself from either; it is written with the code
  // page's own code.
  EXPECT_EQ(ConvertText("\xED\x40", Encoding::kShiftJis, Encoding::kUtf8), "纊");
  EXPECT_EQ(ConvertText("\x87\x90", Encoding::kShiftJis, Encoding::kUtf8), "≒");
  EXPECT_EQ(ConvertText(std::string("\0", 1), Encoding::kShiftJis, Encoding::kUtf8),
            std::string("\0", 1));
}

TEST(ConvertText, RefusesWhatCodePage932CannotHoldOrHoldsOnlyOneWay) {
  const char* const cases[] = {
      "Zoë",
      "¥",
      "C:\\Users\\Zoë\\host",
      "😀",
      "𠮷田",
      "한글",
      "〜",   // U+301C: the wave dash's code reads back as U+FF5E
      "‖",    // U+2016: reads back as U+2225
      "−",    // U+2212: reads back as U+FF0D
      "—",    // U+2014: reads back as U+2015
      "¢£¬",  // read back as U+FFE0, U+FFE1, U+FFE2
      "\xEF\xBB\xBF"
      "a",  // a byte order mark is a character like any other
      "a\xC2\xA0"
      "b",  // no-break space
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Hex(ConvertText(text, Encoding::kUtf8, Encoding::kShiftJis)), "(refused)");
    const std::optional<std::string> utf16 = ConvertText(text, Encoding::kUtf8, Encoding::kUtf16Le);
    ASSERT_TRUE(utf16);
    EXPECT_EQ(Hex(ConvertText(*utf16, Encoding::kUtf16Le, Encoding::kShiftJis)), "(refused)");
    EXPECT_EQ(ConvertText(*utf16, Encoding::kUtf16Le, Encoding::kUtf8), text);
  }
}

TEST(ConvertText, RefusesByteSequencesThatAreNotTheirEncoding) {
  struct Case {
    std::string bytes;
    Encoding from;
  };
  const Case cases[] = {
      {"\x81", Encoding::kShiftJis},    // a lead byte at the end
      {"a\x81 ", Encoding::kShiftJis},  // a lead byte without its trail byte
      {"\x80", Encoding::kShiftJis},    // bytes no table names
      {"\xA0", Encoding::kShiftJis},
      {"\xFD\xFE\xFF", Encoding::kShiftJis},
      {"\x85\x40", Encoding::kShiftJis},  // an empty row
      {"\xEF\x40", Encoding::kShiftJis},
      {"\xC0\x80", Encoding::kUtf8},          // overlong
      {"\xED\xA0\x80", Encoding::kUtf8},      // a surrogate
      {"\xE9\x9C", Encoding::kUtf8},          // cut
      {"\xF4\x90\x80\x80", Encoding::kUtf8},  // beyond U+10FFFF
      {"\x80", Encoding::kUtf8},
      {"a", Encoding::kUtf16Le},  // an odd length
      {std::string("\x00\xD8"
                   "a\x00",
                   4),
       Encoding::kUtf16Le},                              // a lone high surrogate
      {std::string("\x00\xDC", 2), Encoding::kUtf16Le},  // a lone low surrogate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Hex(c.bytes));
    for (const Encoding to : {Encoding::kShiftJis, Encoding::kUtf8, Encoding::kUtf16Le}) {
      EXPECT_EQ(Hex(ConvertText(c.bytes, c.from, to)), "(refused)");
    }
  }
}

}  // namespace
}  // namespace kasumido
