#include "http/http_reply_reader.h"

#include <cassert>
#include <cstring>

namespace kasumido {

void HttpReplyReader::Commit(std::size_t size) {
  assert(size <= FreeSize());
  fill_ += size;
}

std::optional<std::string_view> HttpReplyReader::NextLine() {
  const char* start = buffer_.data() + begin_;
  const void* found = std::memchr(start, '\n', fill_ - begin_);
  if (found == nullptr) {
    // Keep the unfinished line at the front, so the free room follows it.
    if (begin_ > 0) {
      std::memmove(buffer_.data(), start, fill_ - begin_);
      fill_ -= begin_;
      begin_ = 0;
    }
    last_line_ = 0;
    return std::nullopt;
  }
  const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - start);
  std::size_t length = end;
  if (length > 0 && start[length - 1] == '\r') --length;
  last_line_ = begin_;
  begin_ += end + 1;
  return std::string_view(start, length);
}

std::string_view HttpReplyReader::FromLastLine() const {
  return std::string_view(buffer_.data() + last_line_, fill_ - last_line_);
}

std::string_view HttpReplyReader::Rest() const {
  return std::string_view(buffer_.data() + begin_, fill_ - begin_);
}

void HttpReplyReader::Clear() {
  fill_ = 0;
  begin_ = 0;
  last_line_ = 0;
}

}  // namespace kasumido
