#include "site_server/http_wire.h"

#include <utility>

#include "platform/ascii.h"

namespace kasumido::wire {
namespace {

bool StartsWithHttpScheme(std::string_view target) {
  return target.size() >= 7 && EqualsIgnoringAsciiCase(target.substr(0, 7), "http://");
}

}  // namespace

std::optional<std::string> RequestHead::Header(std::string_view name) const {
  for (const std::string& line : header_lines) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos ||
        !EqualsIgnoringAsciiCase(std::string_view(line).substr(0, colon), name))
      continue;
    const std::size_t value = line.find_first_not_of(" \t", colon + 1);
    return value == std::string::npos ? std::string() : line.substr(value);
  }
  return std::nullopt;
}

bool RequestHead::IsAbsoluteForm() const { return StartsWithHttpScheme(target); }

std::string RequestHead::OriginForm() const {
  if (!IsAbsoluteForm()) return target;
  const std::size_t path = target.find_first_of("/?", 7);
  if (path == std::string::npos) return "/";
  return target[path] == '/' ? target.substr(path) : "/" + target.substr(path);
}

std::optional<std::size_t> HeadLength(std::string_view bytes) {
  std::size_t line_start = 0;
  while (line_start < bytes.size()) {
    const std::size_t newline = bytes.find('\n', line_start);
    if (newline == std::string_view::npos) return std::nullopt;
    const std::string_view line = bytes.substr(line_start, newline - line_start);
    if (line.empty() || line == "\r") return newline + 1;
    line_start = newline + 1;
  }
  return std::nullopt;
}

RequestHead ParseRequestHead(std::string bytes) {
  RequestHead head;
  const std::optional<std::size_t> length = HeadLength(bytes);
  head.complete = length.has_value();
  const std::string_view text = std::string_view(bytes).substr(0, length.value_or(bytes.size()));
  std::size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    if (end > start && text[end - 1] == '\r') --end;
    const std::string_view line = text.substr(start, end - start);
    start = next;
    if (first) {
      first = false;
      head.request_line = std::string(line);
    } else if (!line.empty()) {
      head.header_lines.emplace_back(line);
    }
  }
  const std::string_view request_line = head.request_line;
  const std::size_t space1 = request_line.find(' ');
  head.method = std::string(request_line.substr(0, space1));
  if (space1 != std::string_view::npos) {
    const std::size_t space2 = request_line.find(' ', space1 + 1);
    head.target = std::string(request_line.substr(space1 + 1, space2 - space1 - 1));
    if (space2 != std::string_view::npos)
      head.version = std::string(request_line.substr(space2 + 1));
  }
  head.bytes = std::move(bytes);
  return head;
}

}  // namespace kasumido::wire
