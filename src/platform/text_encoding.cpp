// The conversions through UTF-16: UTF-8 and UTF-16 LE are read and written here, exactly;
// code page 932 comes from the back end's tables, and a code it writes is kept only when
// it reads back as the same character.
#include "platform/text_encoding.h"

#include <algorithm>

#include "platform/code_page_932.h"

namespace kasumido {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf16(char32_t c, std::u16string& out) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// One UTF-8 sequence at `at`: its code point, or nothing for an invalid, overlong,
// surrogate or cut sequence.
std::optional<char32_t> NextUtf8(std::string_view utf8, std::size_t& at) {
  const auto byte = [&utf8](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  char32_t c = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (utf8.size() - at < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  if (c < smallest || c > kMaxCodePoint || IsSurrogate(c)) return std::nullopt;
  at += length;
  return c;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const std::optional<char32_t> c = NextUtf8(utf8, at);
    if (!c) return std::nullopt;
    AppendUtf16(*c, out);
  }
  return out;
}

// Checks that every surrogate of `utf16` is half of a pair.
bool HasOnlyPairedSurrogates(std::u16string_view utf16) {
  for (std::size_t at = 0; at < utf16.size(); ++at) {
    if (IsHighSurrogate(utf16[at]) && at + 1 < utf16.size() && IsLowSurrogate(utf16[at + 1])) {
      ++at;
    } else if (IsSurrogate(utf16[at])) {
      return false;
    }
  }
  return true;
}

std::optional<std::string> Utf8FromUtf16(std::u16string_view utf16) {
  if (!HasOnlyPairedSurrogates(utf16)) return std::nullopt;
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t at = 0; at < utf16.size(); ++at) {
    char32_t c = utf16[at];
    if (IsHighSurrogate(c)) c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++at] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::u16string> Utf16FromUtf16Le(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  if (!HasOnlyPairedSurrogates(out)) return std::nullopt;
  return out;
}

std::optional<std::string> Utf16LeFromUtf16(std::u16string_view utf16) {
  if (!HasOnlyPairedSurrogates(utf16)) return std::nullopt;
  std::string out;
  out.reserve(utf16.size() * 2);
  for (const char16_t unit : utf16) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

// True when every single byte of `sjis` is one that code page 932 defines as a
// character: a byte that no table names (0x80, 0xA0, 0xFD to 0xFF) is refused on every
// platform, whatever the system's own tables make of it.
bool HasOnlyDefinedSingleBytes(std::string_view sjis) {
  for (std::size_t at = 0; at < sjis.size(); ++at) {
    const auto byte = static_cast<unsigned char>(sjis[at]);
    if ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) {
      ++at;  // a lead byte: its pair is the table's to judge
    } else if (byte == 0x80 || byte == 0xA0 || byte >= 0xFD) {
      return false;
    }
  }
  return true;
}

std::optional<std::u16string> Utf16FromSjis(std::string_view sjis) {
  if (!HasOnlyDefinedSingleBytes(sjis)) return std::nullopt;
  return Utf16FromCodePage932(sjis);
}

std::optional<std::string> SjisFromUtf16(std::u16string_view utf16) {
  if (!HasOnlyPairedSurrogates(utf16)) return std::nullopt;
  std::optional<std::string> sjis = CodePage932FromUtf16(utf16);
  if (!sjis) return std::nullopt;
  const std::optional<std::u16string> back = Utf16FromSjis(*sjis);
  if (!back || *back != utf16) return std::nullopt;  // a one-way mapping
  return sjis;
}

std::optional<std::u16string> Decode(std::string_view bytes, TextEncoding from) {
  switch (from) {
    case TextEncoding::kShiftJis:
      return Utf16FromSjis(bytes);
    case TextEncoding::kUtf8:
      return Utf16FromUtf8(bytes);
    case TextEncoding::kUtf16Le:
      return Utf16FromUtf16Le(bytes);
  }
  return std::nullopt;
}

std::optional<std::string> Encode(std::u16string_view utf16, TextEncoding to) {
  switch (to) {
    case TextEncoding::kShiftJis:
      return SjisFromUtf16(utf16);
    case TextEncoding::kUtf8:
      return Utf8FromUtf16(utf16);
    case TextEncoding::kUtf16Le:
      return Utf16LeFromUtf16(utf16);
  }
  return std::nullopt;
}

// The code points of `text` in `from`, one at a time: each with the bytes it came from,
// or a byte sequence that is not `from` (nothing) with its bytes.
template <typename Visit>
void ForEachCharacter(std::string_view text, TextEncoding from, Visit visit) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = at;
    switch (from) {
      case TextEncoding::kShiftJis: {
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool lead = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        end = std::min(text.size(), at + (lead ? 2 : 1));
        break;
      }
      case TextEncoding::kUtf8:
        end = at;
        if (!NextUtf8(text, end)) end = at + 1;
        break;
      case TextEncoding::kUtf16Le: {
        end = std::min(text.size(), at + 2);
        const std::optional<std::u16string> unit = Utf16FromUtf16Le(text.substr(at, end - at));
        if (unit && unit->size() == 1 && IsHighSurrogate((*unit)[0])) {
          end = std::min(text.size(), at + 4);
        }
        break;
      }
    }
    visit(text.substr(at, end - at));
    at = end;
  }
}

}  // namespace

std::string ShiftJisForDisplay(std::string_view text, TextEncoding from) {
  if (std::optional<std::string> whole = ConvertText(text, from, TextEncoding::kShiftJis)) {
    return *whole;
  }
  std::string shown;
  ForEachCharacter(text, from, [&shown, from](std::string_view character) {
    shown += ConvertText(character, from, TextEncoding::kShiftJis).value_or("?");
  });
  return shown;
}

std::optional<std::string> ConvertText(std::string_view bytes, TextEncoding from, TextEncoding to) {
  if (bytes.empty()) return std::string();
  const std::optional<std::u16string> utf16 = Decode(bytes, from);
  if (!utf16) return std::nullopt;
  return Encode(*utf16, to);
}

}  // namespace kasumido
