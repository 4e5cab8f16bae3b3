// Finding the next of two bytes in a short run, eight bytes at a time. The tokenizer looks
// for "<" or ">" in every line, for a line end in every page and for a space, a double
// quote or an "=" in every tag; the runs are short (a line, a tag, a few words), where one
// pass over machine words beats a library search per byte value.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kasumido {

// Each zero byte of `word` flagged by its top bit; exact, with no false hits.
constexpr uint64_t ZeroBytes(uint64_t word) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
  return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// The first byte in [from, end) that equals `a` or `b`, or `end`.
inline const char* FindEither(const char* from, const char* end, char a, char b) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  const uint64_t all_a = kOnes * static_cast<unsigned char>(a);
  const uint64_t all_b = kOnes * static_cast<unsigned char>(b);
  while (end - from >= 8) {
    uint64_t word;
    std::memcpy(&word, from, sizeof word);
    const uint64_t hits = ZeroBytes(word ^ all_a) | ZeroBytes(word ^ all_b);
    if (hits != 0) {
      const int bit = std::endian::native == std::endian::little ? std::countr_zero(hits)
                                                                 : std::countl_zero(hits);
      return from + bit / 8;
    }
    from += sizeof word;
  }
  while (from < end && *from != a && *from != b) ++from;
  return from;
}

// The length of the part of `bytes` before its first `c` (all of it when it has none).
inline std::size_t LengthBefore(std::string_view bytes, char c) {
  return FindEither(bytes.data(), bytes.data() + bytes.size(), c, c) - bytes.data();
}

}  // namespace kasumido
