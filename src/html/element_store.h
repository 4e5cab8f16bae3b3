// The memory of one page: its lines, the bytes that its elements could not take straight
// from the lines, and the compact records of its attributes. The store hands out pieces
// of pooled blocks front to back (block_pool.h) and gives every block back at once when
// it is destroyed, so a page costs no allocation per element and leaves nothing for the
// next page to fault in again.
//
// A piece is named by its StoreOffset, a 32-bit place in the store, which keeps the
// records that point at bytes half the size of pointers; At() turns it into an address.
// Pieces never move: offsets and addresses stay valid for the life of the store. The
// store holds at most kMaxBytes. Up to kReadSlack bytes past the end of any piece may be
// read (never written): word-at-a-time readers need not stop short of a piece's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "html/block_pool.h"

namespace kasumido {

using StoreOffset = std::uint32_t;

class ElementStore {
 public:
  // The most the offsets can name; a page can never come near it (its fetch limit is a
  // few MB), and beyond it Allocate throws std::length_error.
  static constexpr std::size_t kMaxBytes = std::size_t{1} << 31;
  static constexpr std::size_t kReadSlack = 8;

  // REQUIRES: `pool` outlives the store (the calling thread's pool by default).
  explicit ElementStore(BlockPool& pool = BlockPool::ForThisThread());
  ~ElementStore();
  ElementStore(const ElementStore&) = delete;
  ElementStore& operator=(const ElementStore&) = delete;

  // Room for `size` bytes (uninitialised) aligned to `alignment` (1, 2, 4 or 8).
  StoreOffset Allocate(std::size_t size, std::size_t alignment = 1);
  // Gives back the end of the latest piece: only its first `used` bytes are kept.
  // Does nothing unless `piece` is the latest piece and `used` is below its size.
  void ShrinkLast(StoreOffset piece, std::size_t used);
  // A copy of `bytes` in the store.
  StoreOffset Copy(std::string_view bytes);
  // The `size` bytes at `offset` upper-cased ("a"-"z" only): those very bytes when they
  // hold no lower-case letter, else a copy. Copies of recent names are shared, so the
  // thousands of "td" and "href" of a page cost their bytes a few times at most.
  StoreOffset UpperCase(StoreOffset offset, std::size_t size);

  char* At(StoreOffset offset) { return windows_[offset / kWindow] + offset % kWindow; }
  const char* At(StoreOffset offset) const { return windows_[offset / kWindow] + offset % kWindow; }
  std::string_view View(StoreOffset offset, std::size_t size) const {
    return size == 0 ? std::string_view() : std::string_view(At(offset), size);
  }

  // The pool the store's blocks come from (element lists take their blocks there too).
  BlockPool& Pool() { return pool_; }

 private:
  static constexpr std::size_t kWindow = BlockPool::kUnit;

  // Makes a block of at least `size` bytes part of the store; the offset of its start.
  StoreOffset AddBlock(std::size_t size);

  BlockPool& pool_;
  std::vector<PoolBlock> blocks_;
  // The start of each kWindow-sized stretch of the offsets: a block of n units fills n
  // windows in a row, so a piece is contiguous in memory wherever it lies.
  std::vector<char*> windows_;
  StoreOffset next_ = 0;  // the free room of the block that small pieces are cut from
  StoreOffset end_ = 0;
  StoreOffset last_piece_ = 0;  // the latest piece of that block

  // Recent upper-cased copies, by a hash of the name (UpperCase).
  struct UpperCopy {
    std::uint64_t head = 0;  // its first eight bytes (fewer, then zeros)
    StoreOffset offset = 0;
    std::uint32_t size = 0;  // 0: an empty slot
  };
  static constexpr std::size_t kUpperCopies = 256;
  static constexpr std::size_t kLongestSharedName = 32;
  UpperCopy upper_copies_[kUpperCopies];
};

}  // namespace kasumido
