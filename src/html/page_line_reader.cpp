#include "html/page_line_reader.h"

#include <utility>

namespace kasumido {
namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

}  // namespace

PageLineReader::PageLineReader(ReadBytes read) : read_(std::move(read)) {}

bool PageLineReader::Fill() {
  if (ended_) return false;
  if (next_ < buffer_.size()) return true;
  buffer_.resize(kBlockSize);
  const std::ptrdiff_t count = read_(buffer_.data(), buffer_.size());
  const std::size_t got = count > 0 ? static_cast<std::size_t>(count) : 0;
  buffer_.resize(got);
  next_ = 0;
  if (count < 0) failed_ = true;
  if (got == 0) {
    ended_ = true;
    return false;
  }
  return true;
}

bool PageLineReader::AtEnd() {
  if (!Fill()) return true;
  if (buffer_[next_] == '\0') ended_ = true;
  return ended_;
}

std::string PageLineReader::ReadLine() {
  std::string line;
  while (Fill()) {
    const char* const begin = buffer_.data() + next_;
    const std::size_t left = buffer_.size() - next_;
    std::size_t length = 0;
    while (length < left && begin[length] != '\n' && begin[length] != '\r' &&
           begin[length] != '\0') {
      ++length;
    }
    line.append(begin, length);
    next_ += length;
    if (length == left) continue;  // the line goes on in the next block
    const char end = buffer_[next_];
    if (end == '\0') {
      ended_ = true;
      break;
    }
    ++next_;
    if (end == '\r' && Fill() && buffer_[next_] == '\n') ++next_;
    break;
  }
  return line;
}

}  // namespace kasumido
