#include "html/element_store.h"

#include <algorithm>

#include "html/html_element.h"

namespace kasumido {

namespace {

// Blocks start small, so a small page stays small, and double up to a limit.
constexpr size_t kFirstByteBlock = 8 * 1024;
constexpr size_t kLastByteBlock = 256 * 1024;
constexpr size_t kFirstParamBlock = 128;
constexpr size_t kLastParamBlock = 4096;

}  // namespace

ElementStore::ElementStore()
    : byte_block_size_(kFirstByteBlock), param_block_size_(kFirstParamBlock) {}

ElementStore::~ElementStore() = default;

char* ElementStore::AllocateBytes(size_t size) {
  if (size > bytes_left_) {
    // A piece bigger than a quarter block gets a block of its own, so the rest of the
    // current block is not wasted.
    if (size > byte_block_size_ / 4) {
      byte_blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
      last_piece_ = nullptr;
      return byte_blocks_.back().get();
    }
    byte_blocks_.push_back(std::make_unique_for_overwrite<char[]>(byte_block_size_));
    next_byte_ = byte_blocks_.back().get();
    bytes_left_ = byte_block_size_;
    byte_block_size_ = std::min(byte_block_size_ * 2, kLastByteBlock);
  }
  char* const piece = next_byte_;
  next_byte_ += size;
  bytes_left_ -= size;
  last_piece_ = piece;
  return piece;
}

void ElementStore::ShrinkLastBytes(char* piece, size_t used) {
  if (piece != last_piece_ || piece == nullptr) return;  // a block of its own stays as it is
  const size_t size = next_byte_ - piece;
  if (used >= size) return;
  next_byte_ = piece + used;
  bytes_left_ += size - used;
}

std::span<THTMLParam> ElementStore::AllocateParams(size_t count) {
  if (count == 0) return {};
  if (count > params_left_) {
    if (count > param_block_size_ / 4) {
      param_blocks_.push_back(std::make_unique<THTMLParam[]>(count));
      return std::span<THTMLParam>(param_blocks_.back().get(), count);
    }
    param_blocks_.push_back(std::make_unique<THTMLParam[]>(param_block_size_));
    next_param_ = param_blocks_.back().get();
    params_left_ = param_block_size_;
    param_block_size_ = std::min(param_block_size_ * 2, kLastParamBlock);
  }
  const std::span<THTMLParam> params(next_param_, count);
  next_param_ += count;
  params_left_ -= count;
  return params;
}

}  // namespace kasumido
