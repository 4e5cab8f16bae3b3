// The receive buffer of one reply: 8192 bytes with their fill count, filled by reads
// straight from the connection. Until the header has ended the bytes are cut into lines
// (a line ends at LF; a CR just before it is dropped too); the unfinished rest stays for
// the next read, so the reader keeps its state between reads. A buffer that is full
// without holding a line end is a line too long. Afterwards the whole buffered content is
// handed on as body bytes and the buffer emptied.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kasumido {

class HttpReplyReader {
 public:
  static constexpr std::size_t kCapacity = 8192;

  // Where the next read may put its bytes, and how many it may put there.
  char* FreeSpace() { return buffer_.data() + fill_; }
  std::size_t FreeSize() const { return kCapacity - fill_; }
  // Counts `size` bytes just read into FreeSpace(). REQUIRES: size <= FreeSize().
  void Commit(std::size_t size);

  // True when the buffer holds kCapacity bytes and none is a line end.
  bool Full() const { return fill_ == kCapacity; }

  // The next complete line, without its line end, or nothing when no LF is left (the
  // unfinished rest then moves to the front of the buffer). The view is valid until the
  // next call that changes the reader.
  std::optional<std::string_view> NextLine();
  // The bytes of the line NextLine returned last, with its line end, and everything after.
  std::string_view FromLastLine() const;
  // Bytes not yet taken as lines.
  std::string_view Rest() const;
  // Forgets every byte held.
  void Clear();

 private:
  std::array<char, kCapacity> buffer_;
  std::size_t fill_ = 0;
  std::size_t begin_ = 0;      // first byte not yet taken as a line
  std::size_t last_line_ = 0;  // first byte of the line NextLine returned last
};

}  // namespace kasumido
