#include "support/elf_image.h"

namespace kasumido::test {
namespace {
constexpr std::uint32_t kStringTable = 3;
}  // namespace

ElfImage::ElfImage(const ElfSections& sections, ElfOptions options) : options_(options) {
  const std::size_t header_size = options.is_64 ? 64 : 52;
  const std::size_t entry_size = options.is_64 ? 64 : 40;
  bytes_.assign(header_size, '\0');
  bytes_.replace(0, 4,
                 "\x7F"
                 "ELF");
  bytes_[4] = options.is_64 ? 2 : 1;
  bytes_[5] = options.big_endian ? 2 : 1;
  bytes_[6] = 1;
  Put(16, 2, 2);  // an executable
  Put(20, 1, 4);

  std::string names("\0.shstrtab\0", 11);
  std::vector<std::uint32_t> name_at = {0};
  offsets_.push_back(0);
  for (const ElfSection& section : sections) {
    name_at.push_back(static_cast<std::uint32_t>(names.size()));
    names += section.name;
    names.push_back('\0');
    offsets_.push_back(bytes_.size());
    if (section.type != 8) bytes_ += section.bytes;
  }
  name_table_index_ = sections.size() + 1;
  name_at.push_back(1);
  offsets_.push_back(bytes_.size());
  bytes_ += names;

  header_table_ = bytes_.size();
  const std::size_t count = sections.size() + 2;
  bytes_.append(count * entry_size, '\0');
  PutWord(HeaderTableOffsetFieldAt(), header_table_);
  Put(options.is_64 ? 52 : 40, header_size, 2);
  Put(EntrySizeFieldAt(), entry_size, 2);
  Put(CountFieldAt(), options.extended_numbering ? 0 : count, 2);
  Put(NameIndexFieldAt(), options.extended_numbering ? 0xFFFF : name_table_index_, 2);
  if (options.extended_numbering) {
    PutWord(SectionSizeFieldAt(0), count);
    Put(SectionHeaderAt(0) + (options.is_64 ? 40 : 24), name_table_index_, 4);
  }
  for (std::size_t i = 1; i < count; ++i) {
    const bool is_name_table = i == name_table_index_;
    Put(SectionHeaderAt(i), name_at[i], 4);
    Put(SectionHeaderAt(i) + 4, is_name_table ? kStringTable : sections[i - 1].type, 4);
    PutWord(SectionOffsetFieldAt(i), offsets_[i]);
    PutWord(SectionSizeFieldAt(i), is_name_table ? names.size() : sections[i - 1].bytes.size());
  }
}

std::size_t ElfImage::SectionHeaderAt(std::size_t index) const {
  return header_table_ + index * (options_.is_64 ? 64 : 40);
}

std::size_t ElfImage::SectionOffsetFieldAt(std::size_t index) const {
  return SectionHeaderAt(index) + (options_.is_64 ? 24 : 16);
}

std::size_t ElfImage::SectionSizeFieldAt(std::size_t index) const {
  return SectionHeaderAt(index) + (options_.is_64 ? 32 : 20);
}

void ElfImage::Put(std::size_t at, std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    const std::size_t index = options_.big_endian ? at + width - 1 - i : at + i;
    bytes_.at(index) = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

}  // namespace kasumido::test
