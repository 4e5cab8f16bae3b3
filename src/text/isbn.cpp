#include "text/isbn.h"

#include "text/sjis.h"

namespace kasumido {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string Ean13CheckDigit(std::string_view text) {
  int odd_sum = 0;
  int even_sum = 0;
  for (size_t i = 0; i < 12; i += 2) {
    if (i >= text.size() || !IsDigit(text[i])) return {};
    odd_sum += text[i] - '0';
    if (i + 1 >= text.size() || !IsDigit(text[i + 1])) return {};
    even_sum += text[i + 1] - '0';
  }
  const int sum = odd_sum + 3 * even_sum;
  return std::string(1, static_cast<char>('0' + (10 - sum % 10) % 10));
}

std::string Isbn10To13(std::string_view text) {
  const std::string_view trimmed = TrimControlsView(text);
  if (trimmed.size() != 10) return std::string(text);
  std::string isbn13 = "978";
  isbn13.append(trimmed.substr(0, 9));
  const std::string check = Ean13CheckDigit(isbn13 + "0");
  if (check.empty()) return {};
  return isbn13 + check;
}

std::string StripIsbnHyphens(std::string_view text) {
  const size_t length = TrimControlsView(text).size();
  if (length != 13 && length != 17) return std::string(text);
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (c != '-') result.push_back(c);
  }
  return result;
}

}  // namespace kasumido
