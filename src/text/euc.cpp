#include "text/euc.h"

#include <array>
#include <cstring>

namespace kasumido {
namespace {

constexpr unsigned char kLoneByteStandIn = 0x40;

// Shift_JIS bytes by EUC byte: the lead byte from the first EUC byte (0xA1-0xFE), the
// trail byte from the second EUC byte and the parity of the first (odd JIS row or even).
struct PairTables {
  std::array<unsigned char, 256> lead{};
  std::array<std::array<unsigned char, 256>, 2> trail{};
};

constexpr PairTables MakePairTables() {
  PairTables tables;
  for (unsigned first = 0xA1; first <= 0xFE; ++first) {
    tables.lead[first] = static_cast<unsigned char>(JisToSjis((first & 0x7F) << 8 | 0x21) >> 8);
  }
  for (unsigned second = 0; second <= 0xFF; ++second) {
    const unsigned cell = second & 0x7F;
    tables.trail[1][second] = static_cast<unsigned char>(JisToSjis(0x2100 | cell) & 0xFF);
    tables.trail[0][second] = static_cast<unsigned char>(JisToSjis(0x2200 | cell) & 0xFF);
  }
  return tables;
}

constexpr PairTables kTables = MakePairTables();

// Appends the conversion of the pair (first >= 0x80) at `out`; returns the new end.
inline unsigned char* ConvertPair(unsigned first, unsigned second, unsigned char* out) {
  if (first >= 0xA1 && first <= 0xFE) {
    out[0] = kTables.lead[first];
    out[1] = kTables.trail[first & 1][second];
    return out + 2;
  }
  if (first == 0x8E) *out++ = static_cast<unsigned char>(second);
  return out;
}

// Whether the eight bytes at `p` are all below 0x80.
inline bool EightAscii(const unsigned char* p) {
  uint64_t block;
  std::memcpy(&block, p, sizeof block);
  return (block & 0x8080808080808080ULL) == 0;
}

}  // namespace

std::string EucToSjis(std::string_view euc) {
  // Output never outgrows input, except for the stand-in of a lone last byte.
  std::string sjis(euc.size() + 1, '\0');
  const auto* in = reinterpret_cast<const unsigned char*>(euc.data());
  const unsigned char* const end = in + euc.size();
  auto* out = reinterpret_cast<unsigned char*>(sjis.data());
  while (end - in >= 2) {
    const unsigned first = in[0];
    if (first < 0x80) {
      if (end - in >= 8 && EightAscii(in)) {  // runs of ASCII go eight bytes at a time
        std::memcpy(out, in, 8);
        in += 8;
        out += 8;
      } else {
        *out++ = static_cast<unsigned char>(first);
        ++in;
      }
      continue;
    }
    out = ConvertPair(first, in[1], out);
    in += 2;
  }
  if (in < end) {
    const unsigned first = *in;
    if (first < 0x80) {
      *out++ = static_cast<unsigned char>(first);
    } else {
      out = ConvertPair(first, kLoneByteStandIn, out);
    }
  }
  sjis.resize(out - reinterpret_cast<unsigned char*>(sjis.data()));
  return sjis;
}

}  // namespace kasumido
