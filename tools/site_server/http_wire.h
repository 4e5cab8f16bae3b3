// The server side of the HTTP wire, for the project's loopback test servers: the head of
// one request as it arrived, split into its request line and header lines. Nothing here
// decodes or normalises: the bytes are what the client sent.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kasumido::wire {

struct RequestHead {
  std::string bytes;         // every byte read for this request, exactly as received
  bool complete = false;     // the empty line that ends the head was seen
  std::string request_line;  // the first line, without its ending
  std::string method;        // e.g. "GET"
  std::string target;        // "/path?query", or "http://host:port/path?query" to a proxy
  std::string version;       // e.g. "HTTP/1.0"
  std::vector<std::string> header_lines;  // the lines after the request line, without endings

  // The value of the first header named `name` (any case), leading blanks skipped.
  std::optional<std::string> Header(std::string_view name) const;
  // True when the target is in absolute form ("http://..."), as sent to a proxy.
  bool IsAbsoluteForm() const;
  // The target without an absolute form's "scheme://authority": "/path?query".
  std::string OriginForm() const;
};

// Length of the request head at the start of `bytes` (up to and including the empty line
// that ends it, CR LF or LF), or nothing while it is incomplete.
std::optional<std::size_t> HeadLength(std::string_view bytes);

// Splits the received `bytes` into a RequestHead. Never fails: missing parts stay empty.
RequestHead ParseRequestHead(std::string bytes);

}  // namespace kasumido::wire
