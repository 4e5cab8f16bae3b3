#include "http/http_header_line.h"

#include <algorithm>
#include <cstdint>

namespace kasumido {
namespace {

enum class Sign { kAllowed, kRefused };

// A decimal number of at most `limit` in size, with an optional "+" or "-" when `sign`
// allows it.
std::optional<std::int64_t> ParseDecimal(std::string_view text, Sign sign, std::int64_t limit) {
  bool negative = false;
  if (sign == Sign::kAllowed && (text.starts_with('+') || text.starts_with('-'))) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

bool IsStatusLine(std::string_view line) {
  return line.starts_with("HTTP/1.0") || line.starts_with("HTTP/1.1");
}

std::optional<StatusLine> ParseStatusLine(std::string_view line) {
  const std::string_view code = line.substr(std::min<std::size_t>(9, line.size()), 3);
  const auto status = ParseDecimal(code, Sign::kRefused, 999);
  if (!status) return std::nullopt;
  StatusLine result;
  result.Status = static_cast<int>(*status);
  if (line.size() > 13) result.Reason = std::string(line.substr(13));
  return result;
}

std::optional<HeaderField> SplitHeaderField(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  HeaderField field;
  field.Name = AsciiLower(line.substr(0, colon));
  std::string_view value = line.substr(colon + 1);
  while (value.starts_with(' ')) value.remove_prefix(1);
  field.Value = value;
  return field;
}

std::optional<std::int64_t> ParseContentLength(std::string_view value) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!value.empty() && blank(value.front())) value.remove_prefix(1);
  while (!value.empty() && blank(value.back())) value.remove_suffix(1);
  return ParseDecimal(value, Sign::kAllowed, kLargestContentLength);
}

}  // namespace kasumido
