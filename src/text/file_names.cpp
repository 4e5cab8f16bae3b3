#include "text/file_names.h"

#include <array>

#include "kasumido/texts.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

// The characters replaced, in the order of their stand-ins in the catalogue.
constexpr std::string_view kUnsafe = "\\/:,;*?\"<>|";
static_assert(texts::kSafeNameStandIns.size() == 2 * kUnsafe.size(),
              "one double-byte stand-in per unsafe character");

// What stands for a lead byte that starts no double-byte character.
constexpr char kNoCharacter = '_';

// For each byte, 1 + the index of its stand-in, or 0 when the byte is kept.
constexpr std::array<unsigned char, 256> MakeStandInIndex() {
  std::array<unsigned char, 256> index{};
  for (size_t i = 0; i < kUnsafe.size(); ++i) {
    index[static_cast<unsigned char>(kUnsafe[i])] = static_cast<unsigned char>(i + 1);
  }
  return index;
}
constexpr std::array<unsigned char, 256> kStandInIndex = MakeStandInIndex();

}  // namespace

std::string SafeFileName(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(byte)) {
      if (i + 1 < text.size() && IsTrailRangeByte(static_cast<unsigned char>(text[i + 1]))) {
        result.append(text.substr(i, 2));
        i += 2;
      } else {
        result.push_back(kNoCharacter);
        ++i;
      }
      continue;
    }
    if (const unsigned char slot = kStandInIndex[byte]) {
      result.append(texts::kSafeNameStandIns.substr((slot - 1) * 2, 2));
    } else {
      result.push_back(static_cast<char>(byte));
    }
    ++i;
  }
  return result;
}

}  // namespace kasumido
