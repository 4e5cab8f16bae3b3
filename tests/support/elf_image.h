// Small hand-made ELF files for tests of readers that look into executables: a file
// header, the caller's sections, a section name table and the section header table, in
// that order. Tests change single fields afterwards to make malformed files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kasumido::test {

struct ElfSection {
  std::string name;
  std::string bytes;
  std::uint32_t type = 1;  // 1: bytes in the file; 8: none (zero-filled at load)
};

using ElfSections = std::vector<ElfSection>;

struct ElfOptions {
  bool is_64 = true;
  bool big_endian = false;
  // Section count and name table index kept in section 0, as in files with very many
  // sections.
  bool extended_numbering = false;
};

class ElfImage {
 public:
  // Sections: 0 (empty), the caller's sections from 1, the name table last. The name
  // table lists ".shstrtab" first, then the caller's names in order.
  explicit ElfImage(const ElfSections& sections, ElfOptions options = {});

  std::string& Bytes() { return bytes_; }
  std::size_t NameTableIndex() const { return name_table_index_; }
  // Where the fields of section `index`'s header lie in the file.
  std::size_t SectionHeaderAt(std::size_t index) const;
  std::size_t SectionOffsetFieldAt(std::size_t index) const;
  std::size_t SectionSizeFieldAt(std::size_t index) const;
  // Where the header table's offset, entry size, count and name table index lie.
  std::size_t HeaderTableOffsetFieldAt() const { return options_.is_64 ? 40 : 32; }
  std::size_t EntrySizeFieldAt() const { return options_.is_64 ? 58 : 46; }
  std::size_t CountFieldAt() const { return options_.is_64 ? 60 : 48; }
  std::size_t NameIndexFieldAt() const { return options_.is_64 ? 62 : 50; }
  // The file offset of section `index`'s bytes.
  std::uint64_t SectionOffset(std::size_t index) const { return offsets_.at(index); }
  // Writes `value` at `at` in the image's byte order, `width` bytes wide.
  void Put(std::size_t at, std::uint64_t value, std::size_t width);
  // A field of the address size (4 or 8 bytes).
  void PutWord(std::size_t at, std::uint64_t value) { Put(at, value, options_.is_64 ? 8 : 4); }

 private:
  ElfOptions options_;
  std::string bytes_;
  std::vector<std::uint64_t> offsets_;
  std::size_t header_table_ = 0;
  std::size_t name_table_index_ = 0;
};

}  // namespace kasumido::test
