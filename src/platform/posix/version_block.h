// The version block: the program's version strings, stored by the build in an ELF section
// of its own (kVersionSectionName) and looked up by path the way the version resource of
// an executable is queried: "\VarFileInfo\Translation" gives the translations, and
// "\StringFileInfo\<language><code page>\<key>" gives one string.
//
// Layout (integers little-endian):
//   magic          8 bytes, kVersionBlockMagic
//   entry count    uint16
//   entries        uint16 path length, uint16 value length, path bytes, value bytes
// A translation value is a list of 4-byte pairs: uint16 language, uint16 code page.
// A string value holds Shift_JIS bytes; a NUL inside it ends the string.
// The encoder is constexpr so that the build can place the block in the section as
// constant data; the lookup checks every length against the block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kasumido {

inline constexpr std::string_view kVersionSectionName = ".kasumido_version";
inline constexpr std::string_view kVersionBlockMagic{"KSMDVER\x01", 8};
inline constexpr std::string_view kTranslationPath = "\\VarFileInfo\\Translation";
inline constexpr std::size_t kVersionBlockHeaderSize = 10;

struct VersionBlockEntry {
  std::string_view path;
  std::string_view value;
};

// Size in bytes of the block holding `entries`. A path or value longer than 65535 bytes,
// or more than 65535 entries, is an error (a compile error when evaluated at compile time).
constexpr std::size_t VersionBlockSize(std::span<const VersionBlockEntry> entries) {
  if (entries.size() > 0xFFFF) throw std::length_error("too many version block entries");
  std::size_t size = kVersionBlockHeaderSize;
  for (const VersionBlockEntry& entry : entries) {
    if (entry.path.size() > 0xFFFF || entry.value.size() > 0xFFFF) {
      throw std::length_error("version block entry too long");
    }
    size += 4 + entry.path.size() + entry.value.size();
  }
  return size;
}

// Writes the block holding `entries`, in their order, to `out`.
// REQUIRES: `out` has room for VersionBlockSize(entries) bytes.
constexpr void WriteVersionBlock(std::span<const VersionBlockEntry> entries, char* out) {
  VersionBlockSize(entries);  // checks the lengths
  const auto put_bytes = [&](std::string_view bytes) {
    for (char c : bytes) *out++ = c;
  };
  const auto put_uint16 = [&](std::size_t value) {
    *out++ = static_cast<char>(value & 0xFF);
    *out++ = static_cast<char>((value >> 8) & 0xFF);
  };
  put_bytes(kVersionBlockMagic);
  put_uint16(entries.size());
  for (const VersionBlockEntry& entry : entries) {
    put_uint16(entry.path.size());
    put_uint16(entry.value.size());
    put_bytes(entry.path);
    put_bytes(entry.value);
  }
}

// The block as constant data, for the build. REQUIRES: N == VersionBlockSize(entries).
template <std::size_t N>
constexpr std::array<char, N> EncodeVersionBlock(std::span<const VersionBlockEntry> entries) {
  if (VersionBlockSize(entries) != N) throw std::length_error("version block size mismatch");
  std::array<char, N> block{};
  WriteVersionBlock(entries, block.data());
  return block;
}

// The block as a string, for blocks made at run time.
std::string VersionBlockBytes(std::span<const VersionBlockEntry> entries);

// The value stored under `path` (ASCII letters compared without regard to case, as the
// system compares version keys); the first matching entry wins. nullopt when the block
// does not start with the magic, is cut short or holds no such path. The view points
// into `block`.
std::optional<std::string_view> FindVersionValue(std::string_view block, std::string_view path);

// The first translation of the block as 8 upper-case hexadecimal digits, language first
// ("041103A4"); nullopt when the block has no translation entry or it is shorter than 4 bytes.
std::optional<std::string> FirstVersionTranslation(std::string_view block);

}  // namespace kasumido
