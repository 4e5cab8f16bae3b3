#include "http/send_queue.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace kasumido {

std::size_t TBuffer::Write(std::string_view bytes) {
  const std::size_t count = std::min(bytes.size(), kSize - tail_);
  std::memcpy(data_.data() + tail_, bytes.data(), count);
  tail_ += count;
  return count;
}

std::string_view TBuffer::Peek() const { return {data_.data() + head_, Size()}; }

void TBuffer::Remove(std::size_t count) { head_ += std::min(count, Size()); }

void SendQueue::Append(std::string_view bytes) {
  while (!bytes.empty()) {
    if (blocks_.empty() || blocks_.back().Full()) blocks_.emplace_back();
    bytes.remove_prefix(blocks_.back().Write(bytes));
  }
}

std::string_view SendQueue::Front() const {
  return blocks_.empty() ? std::string_view() : blocks_.front().Peek();
}

void SendQueue::Consume(std::size_t count) {
  if (blocks_.empty()) return;
  blocks_.front().Remove(count);
  if (blocks_.front().Size() == 0 && (blocks_.size() > 1 || blocks_.front().Full())) {
    blocks_.pop_front();
  }
}

std::size_t SendQueue::Size() const {
  return std::accumulate(blocks_.begin(), blocks_.end(), std::size_t{0},
                         [](std::size_t sum, const TBuffer& block) { return sum + block.Size(); });
}

}  // namespace kasumido
