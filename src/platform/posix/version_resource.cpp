#include "platform/version_resource.h"

#include "platform/files.h"
#include "platform/posix/elf_section.h"
#include "platform/posix/version_block.h"

namespace kasumido {
namespace {

constexpr std::size_t kMaxBlockSize = 1u << 20;

}  // namespace

bool IsExecutableImage(const std::string& file_name) { return IsElfFile(file_name); }

std::optional<VersionResource> VersionResource::Read(const std::string& file_name) {
  std::optional<std::string> block = ReadElfSection(file_name, kVersionSectionName, kMaxBlockSize);
  if (!block) return std::nullopt;
  return VersionResource(std::move(*block));
}

std::optional<std::string> VersionResource::FirstTranslation() const {
  return FirstVersionTranslation(data_);
}

std::optional<std::string> VersionResource::Value(std::string_view path) const {
  const std::optional<std::string_view> value = FindVersionValue(data_, path);
  if (!value) return std::nullopt;
  return std::string(value->substr(0, value->find('\0')));
}

}  // namespace kasumido
