#include "html/char_refs.h"

#include <cstring>
#include <optional>

namespace kasumido {

const std::array<EntityRow, 100> kEntityTable = {{
    {"&quot;", "&#34;"},    {"&amp;", "&#38;"},     {"&lt;", "&#60;"},      {"&gt;", "&#62;"},
    {"&nbsp;", "&#160;"},   {"&iexcl;", "&#161;"},  {"&cent;", "&#162;"},   {"&pound;", "&#163;"},
    {"&curren;", "&#164;"}, {"&yen;", "&#165;"},    {"&brvbar;", "&#166;"}, {"&sect;", "&#167;"},
    {"&uml;", "&#168;"},    {"&copy;", "&#169;"},   {"&ordf;", "&#170;"},   {"&laquo;", "&#171;"},
    {"&not;", "&#172;"},    {"&shy;", "&#173;"},    {"&reg;", "&#174;"},    {"&macr;", "&#175;"},
    {"&deg;", "&#176;"},    {"&plusmn;", "&#177;"}, {"&sup2;", "&#178;"},   {"&sup3;", "&#179;"},
    {"&acute;", "&#180;"},  {"&micro;", "&#181;"},  {"&para;", "&#182;"},   {"&middot;", "&#183;"},
    {"&cedil;", "&#184;"},  {"&sup1;", "&#185;"},   {"&ordm;", "&#186;"},   {"&raquo;", "&#187;"},
    {"&frac14;", "&#188;"}, {"&frac12;", "&#189;"}, {"&frac34;", "&#190;"}, {"&iquest;", "&#191;"},
    {"&Agrave;", "&#192;"}, {"&Aacute;", "&#193;"}, {"&Acirc;", "&#194;"},  {"&Atilde;", "&#195;"},
    {"&Auml;", "&#196;"},   {"&Aring;", "&#197;"},  {"&AElig;", "&#198;"},  {"&Ccedil;", "&#199;"},
    {"&Egrave;", "&#200;"}, {"&Eacute;", "&#201;"}, {"&Ecirc;", "&#202;"},  {"&Euml;", "&#203;"},
    {"&Igrave;", "&#204;"}, {"&Iacute;", "&#205;"}, {"&Icirc;", "&#206;"},  {"&Iuml;", "&#207;"},
    {"&ETH;", "&#208;"},    {"&Ntilde;", "&#209;"}, {"&Ograve;", "&#210;"}, {"&Oacute;", "&#211;"},
    {"&Ocirc;", "&#212;"},  {"&Otilde;", "&#213;"}, {"&Ouml;", "&#214;"},   {"&times;", "&#215;"},
    {"&Oslash;", "&#216;"}, {"&Ugrave;", "&#217;"}, {"&Uacute;", "&#218;"}, {"&Ucirc;", "&#219;"},
    {"&Uuml;", "&#220;"},   {"&Yacute;", "&#221;"}, {"&THORN;", "&#222;"},  {"&szlig;", "&#223;"},
    {"&agrave;", "&#224;"}, {"&aacute;", "&#225;"}, {"&acirc;", "&#226;"},  {"&atilde;", "&#227;"},
    {"&auml;", "&#228;"},   {"&aring;", "&#229;"},  {"&aelig;", "&#230;"},  {"&ccedil;", "&#231;"},
    {"&egrave;", "&#232;"}, {"&eacute;", "&#233;"}, {"&ecirc;", "&#234;"},  {"&euml;", "&#235;"},
    {"&igrave;", "&#236;"}, {"&iacute;", "&#237;"}, {"&icirc;", "&#238;"},  {"&iuml;", "&#239;"},
    {"&eth;", "&#240;"},    {"&ntilde;", "&#241;"}, {"&ograve;", "&#242;"}, {"&oacute;", "&#243;"},
    {"&ocirc;", "&#244;"},  {"&otilde;", "&#245;"}, {"&ouml;", "&#246;"},   {"&divide;", "&#247;"},
    {"&oslash;", "&#248;"}, {"&ugrave;", "&#249;"}, {"&uacute;", "&#250;"}, {"&ucirc;", "&#251;"},
    {"&uuml;", "&#252;"},   {"&yacute;", "&#253;"}, {"&thorn;", "&#254;"},  {"&yuml;", "&#255;"},
}};

namespace {

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (IsDecimalDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of the digit part of a numeric reference (between "&#" and the terminator):
// at most three bytes, all decimal digits, or "x"/"X" followed by hexadecimal digits.
// Nothing for an empty or longer part or one that is not a number.
std::optional<int> DigitPartValue(std::string_view digits) {
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  int value = 0;
  if (digits[0] == 'x' || digits[0] == 'X') {
    digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    for (char c : digits) {
      const int digit = HexDigitValue(c);
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    return value;
  }
  for (char c : digits) {
    if (!IsDecimalDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The byte that a numeric reference ("&#" digits terminator) yields, if it decodes.
std::optional<char> DecodeNumeric(std::string_view ref) {
  const std::optional<int> value = DigitPartValue(ref.substr(2, ref.size() - 3));
  if (!value || *value > 255) return std::nullopt;
  return CodeToChar[*value];
}

// The byte that a complete reference (from "&" up to and including its ";" or space
// terminator) yields, or nothing when it stays as written.
std::optional<char> DecodeReference(std::string_view ref) {
  if (ref.size() > 2 && ref[1] == '#') return DecodeNumeric(ref);
  for (const EntityRow& row : kEntityTable) {
    if (row.name == ref) return DecodeNumeric(row.numeric);
  }
  return std::nullopt;
}

}  // namespace

bool NeedsFoldingOrDecoding(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '&' || (c == ' ' && i + 1 < text.size() && text[i + 1] == ' ')) {
      return true;
    }
  }
  return false;
}

size_t FoldSpaces(char* text, size_t size) {
  size_t write = 0;
  bool after_space = false;
  for (size_t read = 0; read < size; ++read) {
    char c = text[read];
    if (c == '\n') c = ' ';
    if (c == ' ') {
      if (after_space) continue;
      after_space = true;
    } else {
      after_space = false;
    }
    text[write++] = c;
  }
  return write;
}

size_t DecodeCharRefs(char* text, size_t size) {
  const void* first = std::memchr(text, '&', size);
  if (first == nullptr) return size;
  size_t read = static_cast<const char*>(first) - text;
  size_t write = read;
  while (read < size) {
    // Copy the run up to the next "&" as it is.
    const void* amp = std::memchr(text + read, '&', size - read);
    const size_t run_end = amp ? static_cast<const char*>(amp) - text : size;
    std::memmove(text + write, text + read, run_end - read);
    write += run_end - read;
    read = run_end;
    if (read == size) break;
    // A reference from "&" to its terminator; a later "&" restarts it, and one that
    // never ends stays as written.
    size_t end = read + 1;
    while (end < size && text[end] != '&' && text[end] != ';' && text[end] != ' ') ++end;
    const bool complete = end < size && text[end] != '&';
    const size_t ref_end = complete ? end + 1 : end;
    const std::optional<char> decoded =
        complete ? DecodeReference(std::string_view(text + read, ref_end - read)) : std::nullopt;
    if (decoded) {
      text[write++] = *decoded;
    } else {
      std::memmove(text + write, text + read, ref_end - read);
      write += ref_end - read;
    }
    read = ref_end;
  }
  return write;
}

}  // namespace kasumido
