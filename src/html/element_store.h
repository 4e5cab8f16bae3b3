// Room for the bytes and attribute lists of one page's elements. The store hands out
// pieces of big blocks front to back and releases everything at once when it is destroyed,
// so a page of hundreds of thousands of elements costs a few dozen allocations for its
// texts instead of one or more per element. Pieces never move: views into them stay valid
// for the life of the store.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace kasumido {

class THTMLParam;

class ElementStore {
 public:
  ElementStore();
  ~ElementStore();
  ElementStore(const ElementStore&) = delete;
  ElementStore& operator=(const ElementStore&) = delete;

  // Room for `size` bytes (uninitialised).
  char* AllocateBytes(size_t size);
  // Gives back the end of the latest AllocateBytes piece: only its first `used` bytes are
  // kept. REQUIRES: `piece` is the latest piece and `used` is not above its size.
  void ShrinkLastBytes(char* piece, size_t used);

  // `count` empty attributes, one after the other.
  std::span<THTMLParam> AllocateParams(size_t count);

 private:
  std::vector<std::unique_ptr<char[]>> byte_blocks_;
  char* next_byte_ = nullptr;
  size_t bytes_left_ = 0;
  char* last_piece_ = nullptr;  // the latest piece cut from the current block
  size_t byte_block_size_;

  std::vector<std::unique_ptr<THTMLParam[]>> param_blocks_;
  THTMLParam* next_param_ = nullptr;
  size_t params_left_ = 0;
  size_t param_block_size_;
};

}  // namespace kasumido
