#include "html/element_store.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace kasumido {

namespace {

// A piece bigger than this gets a block of its own, so the rest of the current block is
// not thrown away for it.
constexpr std::size_t kOwnBlockPiece = BlockPool::kUnit / 4;

// Up to eight bytes of the piece bytes at `bytes` (fewer when `size` is smaller) in one
// word, byte i in bits 8i to 8i + 7, the rest zero. The store's read slack lets it load
// eight bytes at once.
std::uint64_t LoadWord(const char* bytes, std::size_t size) {
  std::uint64_t word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, bytes, 8);
    return size >= 8 ? word : word & ((std::uint64_t{1} << (8 * size)) - 1);
  }
  for (std::size_t i = 0; i < std::min<std::size_t>(8, size); ++i) {
    word |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
  }
  return word;
}

// The other way: the first `size` bytes of `word` (at most eight) to `bytes`.
void StoreWord(std::uint64_t word, char* bytes, std::size_t size) {
  for (std::size_t i = 0; i < std::min<std::size_t>(8, size); ++i) {
    bytes[i] = static_cast<char>(word >> (8 * i));
  }
}

// 0x80 in every byte of `word` that is an ASCII lower-case letter, 0 in every other one.
// Each byte is looked at on its own: the sums below never carry into the next byte.
constexpr std::uint64_t LowerCaseBytes(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  const std::uint64_t low_bits = word & (0x7F * kOnes);
  const std::uint64_t from_a = low_bits + (0x80 - 'a') * kOnes;      // top bit: at least "a"
  const std::uint64_t past_z = low_bits + (0x80 - 'z' - 1) * kOnes;  // top bit: beyond "z"
  return from_a & ~past_z & ~word & (0x80 * kOnes);
}

constexpr std::uint64_t UpperCaseWord(std::uint64_t word) {
  return word ^ (LowerCaseBytes(word) >> 2);
}

// The slot of the shared copies for a name of `size` bytes whose first eight bytes,
// upper-cased, are `head`.
std::size_t SlotOf(std::uint64_t head, std::size_t size) {
  return static_cast<std::size_t>((head * 0x9E3779B97F4A7C15u + size) >> 56);
}

}  // namespace

ElementStore::ElementStore(BlockPool& pool) : pool_(pool) {}

ElementStore::~ElementStore() {
  for (PoolBlock& block : blocks_) pool_.Give(std::move(block));
}

StoreOffset ElementStore::AddBlock(std::size_t size) {
  const std::size_t start = windows_.size() * kWindow;
  if (size > kMaxBytes - start) throw std::length_error("a page too large for its element store");
  PoolBlock& block = blocks_.emplace_back(pool_.Take(size));
  for (std::size_t window = 0; window < block.size / kWindow; ++window) {
    windows_.push_back(block.bytes.get() + window * kWindow);
  }
  return static_cast<StoreOffset>(start);
}

StoreOffset ElementStore::Allocate(std::size_t size, std::size_t alignment) {
  const std::size_t start = (std::size_t{next_} + alignment - 1) & ~(alignment - 1);
  if (!blocks_.empty() && start + size <= end_) {
    next_ = static_cast<StoreOffset>(start + size);
    last_piece_ = static_cast<StoreOffset>(start);
    return last_piece_;
  }
  const bool own_block = size > kOwnBlockPiece;
  const StoreOffset block = AddBlock(own_block ? size + kReadSlack : kWindow);
  const std::size_t block_end = windows_.size() * kWindow - kReadSlack;
  // Small pieces go on in whichever block has the more room left.
  if (!own_block || block_end - (block + size) > std::size_t{end_ - next_}) {
    next_ = static_cast<StoreOffset>(block + size);
    end_ = static_cast<StoreOffset>(block_end);
    last_piece_ = block;
  }
  return block;
}

void ElementStore::ShrinkLast(StoreOffset piece, std::size_t used) {
  if (piece != last_piece_ || used >= next_ - piece) return;
  next_ = static_cast<StoreOffset>(piece + used);
}

StoreOffset ElementStore::Copy(std::string_view bytes) {
  const StoreOffset piece = Allocate(bytes.size());
  if (!bytes.empty()) std::memcpy(At(piece), bytes.data(), bytes.size());
  return piece;
}

StoreOffset ElementStore::UpperCase(StoreOffset offset, std::size_t size) {
  if (size == 0) return offset;
  const char* const name = At(offset);
  bool has_lower = false;
  for (std::size_t i = 0; i < size && !has_lower; i += 8) {
    has_lower = LowerCaseBytes(LoadWord(name + i, size - i)) != 0;
  }
  if (!has_lower) return offset;
  // The first eight bytes upper-cased pick the slot and tell most names apart at once.
  const std::uint64_t head = UpperCaseWord(LoadWord(name, size));
  UpperCopy* const shared =
      size <= kLongestSharedName ? &upper_copies_[SlotOf(head, size)] : nullptr;
  if (shared != nullptr && shared->size == size && shared->head == head) {
    const char* const copy = At(shared->offset);
    std::size_t i = 8;
    while (i < size &&
           UpperCaseWord(LoadWord(name + i, size - i)) == LoadWord(copy + i, size - i)) {
      i += 8;
    }
    if (i >= size) return shared->offset;
  }
  const StoreOffset copy = Allocate(size);
  char* const bytes = At(copy);
  for (std::size_t i = 0; i < size; i += 8) {
    StoreWord(UpperCaseWord(LoadWord(name + i, size - i)), bytes + i, size - i);
  }
  if (shared != nullptr) *shared = {head, copy, static_cast<std::uint32_t>(size)};
  return copy;
}

}  // namespace kasumido
