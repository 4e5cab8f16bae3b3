// Memory blocks kept from one page to the next. A page's element store takes its blocks
// from the pool of its thread and gives them back when the parser is destroyed, so the
// next page writes into memory that is already the process's own instead of asking the
// heap for it again (a heap gives big freed blocks back to the system, and every page
// would fault them in anew). The pool keeps at most kKeptBytes; what is given back
// beyond that is freed.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace kasumido {

struct PoolBlock {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
};

class BlockPool {
 public:
  // Blocks are made in multiples of this size.
  static constexpr std::size_t kUnit = 64 * 1024;
  // Enough for the stores of the largest page a run reads, and of a few pages more.
  static constexpr std::size_t kKeptBytes = 32 * 1024 * 1024;

  BlockPool() = default;
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  // The pool of the calling thread.
  static BlockPool& ForThisThread();

  // A block of at least `size` bytes (a multiple of kUnit, uninitialised): the smallest
  // kept one that is big enough, else a new one. Kept blocks bigger than a unit that are
  // too small for `size` are freed first: a page bigger than any before needs new room.
  PoolBlock Take(std::size_t size);
  // Keeps `block` for a later Take, or frees it when the pool holds enough.
  void Give(PoolBlock block);

  std::size_t KeptBytes() const { return kept_bytes_; }
  // How many blocks the pool has made since it was created.
  std::size_t BlocksMade() const { return blocks_made_; }

 private:
  std::vector<PoolBlock> units_;   // blocks of one unit
  std::vector<PoolBlock> larger_;  // blocks of several units
  std::size_t kept_bytes_ = 0;
  std::size_t blocks_made_ = 0;
};

}  // namespace kasumido
