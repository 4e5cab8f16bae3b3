#include "platform/posix/version_block.h"

#include <cstdio>
#include <string>

#include "platform/ascii.h"

namespace kasumido {
namespace {

std::uint16_t Uint16At(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

}  // namespace

std::string VersionBlockBytes(std::span<const VersionBlockEntry> entries) {
  std::string block(VersionBlockSize(entries), '\0');
  WriteVersionBlock(entries, block.data());
  return block;
}

std::optional<std::string_view> FindVersionValue(std::string_view block, std::string_view path) {
  if (block.size() < kVersionBlockHeaderSize || block.substr(0, 8) != kVersionBlockMagic) {
    return std::nullopt;
  }
  const std::size_t count = Uint16At(block, 8);
  std::size_t at = kVersionBlockHeaderSize;
  for (std::size_t i = 0; i < count; ++i) {
    if (block.size() - at < 4) return std::nullopt;
    const std::size_t path_size = Uint16At(block, at);
    const std::size_t value_size = Uint16At(block, at + 2);
    at += 4;
    if (block.size() - at < path_size + value_size) return std::nullopt;
    const std::string_view entry_path = block.substr(at, path_size);
    const std::string_view value = block.substr(at + path_size, value_size);
    if (EqualsIgnoringAsciiCase(entry_path, path)) return value;
    at += path_size + value_size;
  }
  return std::nullopt;
}

std::optional<std::string> FirstVersionTranslation(std::string_view block) {
  const std::optional<std::string_view> value = FindVersionValue(block, kTranslationPath);
  if (!value || value->size() < 4) return std::nullopt;
  char digits[9];
  std::snprintf(digits, sizeof digits, "%04X%04X", static_cast<unsigned>(Uint16At(*value, 0)),
                static_cast<unsigned>(Uint16At(*value, 2)));
  return std::string(digits, 8);
}

}  // namespace kasumido
