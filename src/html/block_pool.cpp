#include "html/block_pool.h"

#include <algorithm>

namespace kasumido {

BlockPool& BlockPool::ForThisThread() {
  thread_local BlockPool pool;
  return pool;
}

PoolBlock BlockPool::Take(std::size_t size) {
  const std::size_t rounded = std::max<std::size_t>(1, (size + kUnit - 1) / kUnit) * kUnit;
  if (rounded == kUnit && !units_.empty()) {
    // Units are all alike: the one given back last is the one most likely in a cache.
    PoolBlock taken = std::move(units_.back());
    units_.pop_back();
    kept_bytes_ -= taken.size;
    return taken;
  }
  if (rounded > kUnit) {
    auto best = larger_.end();
    for (auto block = larger_.begin(); block != larger_.end(); ++block) {
      if (block->size >= rounded && (best == larger_.end() || block->size < best->size)) {
        best = block;
      }
    }
    if (best != larger_.end()) {
      PoolBlock taken = std::move(*best);
      larger_.erase(best);
      kept_bytes_ -= taken.size;
      return taken;
    }
    for (const PoolBlock& block : larger_) kept_bytes_ -= block.size;
    larger_.clear();
  }
  ++blocks_made_;
  return {std::make_unique_for_overwrite<char[]>(rounded), rounded};
}

void BlockPool::Give(PoolBlock block) {
  if (block.bytes == nullptr || kept_bytes_ + block.size > kKeptBytes) return;
  kept_bytes_ += block.size;
  (block.size == kUnit ? units_ : larger_).push_back(std::move(block));
}

}  // namespace kasumido
