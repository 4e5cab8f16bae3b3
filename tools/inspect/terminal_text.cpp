#include "terminal_text.h"

#include <cstdio>

#include "platform/utf8.h"
#include "text/euc.h"

namespace kasumido::inspect {

namespace {

enum class QuoteEscapes { kNo, kYes };

// Escapes the control bytes of UTF-8 text (and on request backslash and double quote);
// every byte of a multi-byte character is 0x80 or above and passes unchanged.
std::string Escape(std::string_view utf8, QuoteEscapes quotes) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        if (quotes == QuoteEscapes::kYes && (c == '\\' || c == '"')) {
          out += '\\';
          out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02X", byte);
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace

std::string PrintableSjis(std::string_view sjis) {
  return Escape(Utf8FromSjis(sjis), QuoteEscapes::kNo);
}

std::string Printable(std::string_view euc) {
  return Escape(Utf8FromSjis(EucToSjis(euc)), QuoteEscapes::kNo);
}

std::string Quoted(std::string_view euc) {
  return '"' + Escape(Utf8FromSjis(EucToSjis(euc)), QuoteEscapes::kYes) + '"';
}

}  // namespace kasumido::inspect
