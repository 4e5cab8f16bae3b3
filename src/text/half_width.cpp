#include "text/half_width.h"

#include <array>
#include <cstdint>

#include "kasumido/texts.h"
#include "text/euc.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

// The ASCII byte of each character of texts::kNarrowableWide, index for index.
constexpr std::string_view kNarrow = " ,.:;?!^/|'''\"\"\"()[]{}+-==<>\\$%#&*@";
static_assert(texts::kNarrowableWide.size() == 2 * kNarrow.size(),
              "one double-byte character per narrow byte");

// JIS X 0208 holds full-width ASCII digits and letters at row 3, cell = the ASCII code.
constexpr uint16_t kJisFullWidthAsciiRow = 0x2300;
// "ヴ" in JIS X 0208 (row 5, katakana).
constexpr uint16_t kJisKatakanaVu = 0x2574;

constexpr unsigned char kFirstKana = 0xA1;  // "｡"
constexpr unsigned char kLastKana = 0xDD;   // "ﾝ"
constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;
constexpr unsigned char kKanaU = 0xB3;   // "ｳ"
constexpr unsigned char kKanaKa = 0xB6;  // "ｶ"
constexpr unsigned char kKanaTo = 0xC4;  // "ﾄ"
constexpr unsigned char kKanaHa = 0xCA;  // "ﾊ"
constexpr unsigned char kKanaHo = 0xCE;  // "ﾎ"
constexpr size_t kKanaCount = kLastKana - kFirstKana + 1;
static_assert(texts::kHalfWidthKanaCounterparts.size() == 2 * kKanaCount);

// Narrowed characters all have lead byte 0x81 or 0x82.
constexpr unsigned char kFirstNarrowLead = 0x81;
constexpr size_t kNarrowLeadCount = 2;

using Code = std::array<char, 2>;  // a double-byte character; {0, 0} when there is none

struct Tables {
  // ASCII byte by [lead - 0x81][trail], 0 when the character is kept.
  std::array<std::array<char, 256>, kNarrowLeadCount> narrow{};
  std::array<Code, kKanaCount> plain{};
  std::array<Code, kKanaCount> voiced{};
  std::array<Code, kKanaCount> semi_voiced{};
};

constexpr void AddNarrow(Tables& tables, unsigned char lead, unsigned char trail, char ascii) {
  if (lead < kFirstNarrowLead || lead >= kFirstNarrowLead + kNarrowLeadCount) {
    throw "a narrowed character outside the lead bytes of the table";
  }
  tables.narrow[lead - kFirstNarrowLead][trail] = ascii;
}

constexpr Code CodeOf(uint16_t sjis) {
  return {static_cast<char>(sjis >> 8), static_cast<char>(sjis & 0xFF)};
}

// The katakana `steps` after `code`; voiced and semi-voiced forms follow their plain kana.
constexpr Code After(Code code, int steps) {
  const int trail = static_cast<unsigned char>(code[1]) + steps;
  if (trail >= 0x7F && static_cast<unsigned char>(code[1]) < 0x7F) {
    throw "a voiced form across the gap at trail byte 0x7F";
  }
  return {code[0], static_cast<char>(trail)};
}

// Evaluated at compile time only (kTables): a catalogue entry that breaks the assumptions
// above reaches a throw and stops the build.
constexpr Tables MakeTables() {
  Tables tables;
  for (size_t i = 0; i < kNarrow.size(); ++i) {
    AddNarrow(tables, static_cast<unsigned char>(texts::kNarrowableWide[2 * i]),
              static_cast<unsigned char>(texts::kNarrowableWide[2 * i + 1]), kNarrow[i]);
  }
  const auto add_ascii_range = [&tables](char first, char last) {
    for (char c = first; c <= last; ++c) {
      const uint16_t sjis = JisToSjis(kJisFullWidthAsciiRow + c);
      AddNarrow(tables, sjis >> 8, sjis & 0xFF, c);
    }
  };
  add_ascii_range('0', '9');
  add_ascii_range('A', 'Z');
  add_ascii_range('a', 'z');
  for (size_t k = 0; k < kKanaCount; ++k) {
    tables.plain[k] = {texts::kHalfWidthKanaCounterparts[2 * k],
                       texts::kHalfWidthKanaCounterparts[2 * k + 1]};
  }
  tables.voiced[kKanaU - kFirstKana] = CodeOf(JisToSjis(kJisKatakanaVu));
  for (unsigned b = kKanaKa; b <= kKanaTo; ++b) {
    tables.voiced[b - kFirstKana] = After(tables.plain[b - kFirstKana], 1);
  }
  for (unsigned b = kKanaHa; b <= kKanaHo; ++b) {
    tables.voiced[b - kFirstKana] = After(tables.plain[b - kFirstKana], 1);
    tables.semi_voiced[b - kFirstKana] = After(tables.plain[b - kFirstKana], 2);
  }
  return tables;
}

constexpr Tables kTables = MakeTables();

// Appends kana k in its form from `marked`, or in its plain form when `marked` has none.
inline void AppendKana(std::string& out, size_t k, const std::array<Code, kKanaCount>& marked) {
  const Code& code = marked[k][0] != 0 ? marked[k] : kTables.plain[k];
  out.append(code.data(), 2);
}

}  // namespace

std::string ToHalfWidth(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 2);
  const size_t size = sjis.size();
  for (size_t i = 0; i < size;) {
    const unsigned char byte = static_cast<unsigned char>(sjis[i]);
    if (IsLeadByte(byte)) {
      if (i + 1 == size) {
        out.push_back(static_cast<char>(byte));
        break;
      }
      const unsigned char trail = static_cast<unsigned char>(sjis[i + 1]);
      const unsigned lead_row = byte - kFirstNarrowLead;
      const char narrow = lead_row < kNarrowLeadCount ? kTables.narrow[lead_row][trail] : 0;
      if (narrow != 0) {
        out.push_back(narrow);
      } else {
        out.append(sjis.data() + i, 2);
      }
      i += 2;
    } else if (byte >= kFirstKana && byte <= kLastKana) {
      const size_t k = byte - kFirstKana;
      const unsigned char next = i + 1 < size ? static_cast<unsigned char>(sjis[i + 1]) : 0;
      if (next == kVoicedMark) {
        AppendKana(out, k, kTables.voiced);
        i += 2;
      } else if (next == kSemiVoicedMark) {
        AppendKana(out, k, kTables.semi_voiced);
        i += 2;
      } else {
        out.append(kTables.plain[k].data(), 2);
        ++i;
      }
    } else {
      out.push_back(static_cast<char>(byte));
      ++i;
    }
  }
  return out;
}

}  // namespace kasumido
