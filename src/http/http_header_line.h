// The reading of single reply header lines: the status line, a "name: value" field and
// the Content-Length value. Pure functions over one line without its line end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ascii.h"

namespace kasumido {

// A line whose first eight characters are exactly "HTTP/1.0" or "HTTP/1.1".
bool IsStatusLine(std::string_view line);

struct StatusLine {
  int Status = 0;
  std::string Reason;
};
// The status of a status line: the number in characters 10 to 12, the reason from
// character 14 to the end. Nothing when those characters are not a decimal number.
// REQUIRES: IsStatusLine(line).
std::optional<StatusLine> ParseStatusLine(std::string_view line);

struct HeaderField {
  std::string Name;        // the text before the first ":", lower-cased, not trimmed
  std::string_view Value;  // the rest after the ":", leading spaces skipped
};
// Nothing when the line holds no ":".
std::optional<HeaderField> SplitHeaderField(std::string_view line);

// A Content-Length value: trimmed of blanks, an optionally signed decimal number of at
// most kLargestContentLength in size (a length past 32 bits is still a length, which a
// client with a size limit refuses as too large). Nothing otherwise.
inline constexpr std::int64_t kLargestContentLength = std::int64_t{1} << 53;
std::optional<std::int64_t> ParseContentLength(std::string_view value);

}  // namespace kasumido
