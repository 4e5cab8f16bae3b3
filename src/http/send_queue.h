// The transport's queue of bytes waiting to be sent: a list of TBuffer blocks of 1460
// bytes (one TCP segment on Ethernet each). Bytes are appended to the last block and new
// blocks are added as needed; sending takes from the front block, and a partly sent block
// keeps its rest.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <string_view>

namespace kasumido {

// One block of the send queue: room for kSize bytes, filled at the back, drained at the
// front. Room that sent bytes leave at the front is not reused.
class TBuffer {
 public:
  static constexpr std::size_t kSize = 1460;

  // Copies as much of `bytes` as fits; answers how many were taken.
  std::size_t Write(std::string_view bytes);
  // The bytes not yet sent.
  std::string_view Peek() const;
  // Drops the first `count` unsent bytes (all of them when `count` is larger).
  void Remove(std::size_t count);
  std::size_t Size() const { return tail_ - head_; }
  bool Full() const { return tail_ == kSize; }

 private:
  std::array<char, kSize> data_{};
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
};

class SendQueue {
 public:
  void Append(std::string_view bytes);
  // The unsent bytes of the front block; empty when the queue is empty.
  std::string_view Front() const;
  // Drops `count` bytes from the front block (at most its size); an emptied block is
  // dropped while more follow.
  void Consume(std::size_t count);
  void Clear() { blocks_.clear(); }
  bool Empty() const { return Size() == 0; }
  std::size_t Size() const;
  std::size_t BlockCount() const { return blocks_.size(); }

 private:
  std::deque<TBuffer> blocks_;
};

}  // namespace kasumido
