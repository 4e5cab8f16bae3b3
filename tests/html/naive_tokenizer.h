// The tokenizer's rules transcribed literally, byte by byte (deliberately naive:
// repeated deletes and re-scans), as the reference that the production tokenizer is
// compared with by the reference test and the tokenizer fuzzer. Lines come from
// NaiveSplit, element lists from NaiveParse in the form of FullList (element_dump.h).
#pragma once

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kasumido::test {

inline std::string NaiveUpper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

inline std::vector<std::string> NaiveSplit(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // a line has started and not ended yet
  for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += bytes[i];
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

inline std::string NaiveParam(std::string s) {
  std::string value;
  std::string name_part = s;
  const size_t equals = s.find('=');
  if (equals != std::string::npos) {
    value = s.substr(equals + 1);
    name_part = s.substr(0, equals);
    if (value.size() > 1 && value[0] == '"' && value[value.size() - 1] == '"') {
      value.erase(value.size() - 1, 1);
      value.erase(0, 1);
    }
  }
  std::string out = "(";
  return out.append(NaiveUpper(name_part)).append("|").append(value).append("|").append(s) + ")";
}

inline std::string NaiveTag(std::string s) {
  const std::string raw = s;
  std::string name;
  while (!s.empty() && s[0] != ' ') {
    name += s[0];
    s.erase(0, 1);
  }
  std::string out = "tag{" + NaiveUpper(name) + "|" + raw + "|";
  while (!s.empty()) {
    std::string attribute;
    bool quoted = false;
    while (!s.empty() && !(s[0] == ' ' && !quoted)) {
      if (s[0] == '"') quoted = !quoted;
      attribute += s[0];
      s.erase(0, 1);
    }
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
    if (!attribute.empty()) out += NaiveParam(attribute);
  }
  return out + "}";
}

inline std::vector<std::pair<std::string, std::string>> NaiveEntityTable() {
  std::vector<std::pair<std::string, std::string>> rows = {
      {"&quot;", "&#34;"}, {"&amp;", "&#38;"}, {"&lt;", "&#60;"}, {"&gt;", "&#62;"}};
  std::istringstream names(
      "nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr deg "
      "plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 "
      "iquest Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc Euml "
      "Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash Ugrave "
      "Uacute Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml aring aelig ccedil "
      "egrave eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve oacute ocirc otilde "
      "ouml divide oslash ugrave uacute ucirc uuml yacute thorn yuml");
  std::string name;
  for (int code = 160; names >> name; ++code) {
    rows.emplace_back("&" + name + ";", "&#" + std::to_string(code) + ";");
  }
  return rows;
}

// The digit part as an integer: decimal digits, or hexadecimal ones after the marker.
inline bool NaiveToInt(std::string digits, int* value) {
  int base = 10;
  if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
    base = 16;
    digits.erase(0, 1);
  }
  if (digits.empty()) return false;
  for (char c : digits) {
    const bool ok = base == 10 ? std::isdigit(static_cast<unsigned char>(c))
                               : std::isxdigit(static_cast<unsigned char>(c));
    if (!ok) return false;
  }
  *value = std::stoi(digits, nullptr, base);
  return true;
}

inline std::string NaiveText(const std::string& s) {
  static const auto table = NaiveEntityTable();
  std::string t = s;
  std::replace(t.begin(), t.end(), '\n', ' ');
  for (size_t at; (at = t.find("  ")) != std::string::npos;) t.erase(at, 1);
  bool collecting = false;
  std::string buffer;
  size_t start = 0;
  size_t p = 0;
  while (p < t.size()) {
    size_t next = p + 1;
    if (t[p] == '&') {
      start = p;
      buffer.clear();
      collecting = true;
    }
    if (collecting) {
      buffer += t[p];
      if (t[p] == ';' || t[p] == ' ') {
        const size_t n = buffer.size();
        int value = 0;
        if (n > 2 && buffer[1] == '#') {
          const std::string digits = buffer.substr(2, n - 3);
          if (digits.size() <= 3 && NaiveToInt(digits, &value) && value <= 255) {
            const char byte = (value < 32 || value == 160) ? ' ' : static_cast<char>(value);
            t.replace(start, n, 1, byte);
            next = start + 1;
          }
        } else {
          next = start + 1;
          for (const auto& [name, numeric] : table) {
            if (buffer == name) {
              t.replace(start, n, numeric);
              next = start;
              break;
            }
          }
        }
        collecting = false;
      }
    }
    p = next;
  }
  return "text{" + s + "|" + t + "}";
}

inline std::vector<std::string> NaiveParse(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  std::string pending_text, pending_tag;
  bool in_tag = false;
  auto flush_text = [&] {
    if (in_tag || pending_text.empty()) return;
    out.push_back(NaiveText(pending_text));
    pending_text.clear();
  };
  auto flush_tag = [&] {
    in_tag = false;
    out.push_back(NaiveTag(pending_tag));
    pending_tag.clear();
  };
  for (const std::string& line : lines) {
    for (char c : line) {
      if (c == '<') {
        flush_text();
        in_tag = true;
      } else if (c == '>') {
        flush_tag();
      } else if (in_tag) {
        pending_tag += c;
      } else {
        pending_text += c;
      }
    }
    if (!in_tag && !pending_text.empty()) pending_text += '\n';
  }
  if (in_tag && !pending_tag.empty()) flush_tag();
  if (!in_tag && !pending_text.empty()) flush_text();
  return out;
}

}  // namespace kasumido::test
