#include "platform/posix/elf_section.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace kasumido {
namespace {

constexpr std::string_view kElfMagic{
    "\x7F"
    "ELF",
    4};
constexpr unsigned char kClass32 = 1;
constexpr unsigned char kClass64 = 2;
constexpr unsigned char kDataLittle = 1;
constexpr unsigned char kDataBig = 2;
constexpr std::uint32_t kSectionNoBits = 8;         // a section with no bytes in the file
constexpr std::uint64_t kIndexInSection0 = 0xFFFF;  // name table index kept in section 0
// Limits against malformed files: real name tables and header tables are far smaller.
constexpr std::uint64_t kMaxHeaderTable = 4u << 20;
constexpr std::uint64_t kMaxNameTable = 1u << 20;

// A file read at checked offsets.
class FileBytes {
 public:
  explicit FileBytes(const std::string& file_name)
      : in_(file_name, std::ios::binary | std::ios::ate) {
    if (!in_) return;
    const std::streamoff end = in_.tellg();
    if (end > 0) size_ = static_cast<std::uint64_t>(end);
  }

  std::uint64_t Size() const { return size_; }

  // The `count` bytes at `offset`; nullopt when they are not all inside the file.
  std::optional<std::string> Read(std::uint64_t offset, std::uint64_t count) {
    if (offset > size_ || count > size_ - offset) return std::nullopt;
    std::string bytes(count, '\0');
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(bytes.data(), static_cast<std::streamsize>(count));
    if (static_cast<std::uint64_t>(in_.gcount()) != count) return std::nullopt;
    return bytes;
  }

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

// Fixed-width unsigned integers of one byte order. REQUIRES: the bytes are in range
// (callers check sizes first).
struct Decoder {
  bool big_endian = false;

  std::uint64_t At(std::string_view bytes, std::size_t at, std::size_t width) const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t index = big_endian ? at + i : at + width - 1 - i;
      value = (value << 8) | static_cast<unsigned char>(bytes[index]);
    }
    return value;
  }
};

// Where the fields of the file header and of a section header lie, per word size.
struct Layout {
  std::size_t file_header_size, shoff_at, word;
  std::size_t shentsize_at, shnum_at, shstrndx_at;
  std::size_t section_header_size, sh_offset_at, sh_size_at, sh_link_at;
};
constexpr Layout kLayout32{52, 0x20, 4, 0x2E, 0x30, 0x32, 40, 16, 20, 24};
constexpr Layout kLayout64{64, 0x28, 8, 0x3A, 0x3C, 0x3E, 64, 24, 32, 40};

struct Section {
  std::uint32_t name = 0;
  std::uint32_t type = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t link = 0;
};

class ElfReader {
 public:
  ElfReader(FileBytes& file, const Layout& layout, Decoder decoder)
      : file_(file), layout_(layout), decoder_(decoder) {}

  // Reads the file header and the section header table; false when malformed.
  bool Load() {
    const std::optional<std::string> header = file_.Read(0, layout_.file_header_size);
    if (!header) return false;
    const std::uint64_t shoff = decoder_.At(*header, layout_.shoff_at, layout_.word);
    const std::uint64_t entry_size = decoder_.At(*header, layout_.shentsize_at, 2);
    std::uint64_t count = decoder_.At(*header, layout_.shnum_at, 2);
    name_table_index_ = decoder_.At(*header, layout_.shstrndx_at, 2);
    if (shoff == 0 || entry_size < layout_.section_header_size) return false;
    entry_size_ = entry_size;
    // Section 0 holds the real count and name table index when they do not fit the header.
    const std::optional<std::string> first = file_.Read(shoff, entry_size);
    if (!first) return false;
    const Section zero = Decode(*first);
    if (count == 0) count = zero.size;
    if (name_table_index_ == kIndexInSection0) name_table_index_ = zero.link;
    if (count == 0 || count > kMaxHeaderTable / entry_size) return false;
    table_ = file_.Read(shoff, count * entry_size);
    if (!table_) return false;
    count_ = count;
    return name_table_index_ < count_;
  }

  std::optional<std::string> Find(std::string_view name, std::size_t max_size) {
    const Section names = SectionAt(name_table_index_);
    if (names.type == kSectionNoBits || names.size > kMaxNameTable) return std::nullopt;
    const std::optional<std::string> table = file_.Read(names.offset, names.size);
    if (!table) return std::nullopt;
    for (std::uint64_t i = 1; i < count_; ++i) {
      const Section section = SectionAt(i);
      if (section.type == kSectionNoBits || NameAt(*table, section.name) != name) continue;
      if (section.size > max_size) return std::nullopt;
      return file_.Read(section.offset, section.size);
    }
    return std::nullopt;
  }

 private:
  Section Decode(std::string_view bytes) const {
    Section section;
    section.name = static_cast<std::uint32_t>(decoder_.At(bytes, 0, 4));
    section.type = static_cast<std::uint32_t>(decoder_.At(bytes, 4, 4));
    section.offset = decoder_.At(bytes, layout_.sh_offset_at, layout_.word);
    section.size = decoder_.At(bytes, layout_.sh_size_at, layout_.word);
    section.link = static_cast<std::uint32_t>(decoder_.At(bytes, layout_.sh_link_at, 4));
    return section;
  }

  Section SectionAt(std::uint64_t index) const {
    return Decode(std::string_view(*table_).substr(index * entry_size_, entry_size_));
  }

  // The NUL-terminated name at `offset`; empty when it does not end inside the table.
  static std::string_view NameAt(std::string_view table, std::uint64_t offset) {
    if (offset >= table.size()) return {};
    const std::string_view rest = table.substr(offset);
    const std::size_t end = rest.find('\0');
    return end == std::string_view::npos ? std::string_view{} : rest.substr(0, end);
  }

  FileBytes& file_;
  const Layout& layout_;
  Decoder decoder_;
  std::optional<std::string> table_;
  std::uint64_t entry_size_ = 0;
  std::uint64_t count_ = 0;
  std::uint64_t name_table_index_ = 0;
};

}  // namespace

bool IsElfFile(const std::string& file_name) {
  FileBytes file(file_name);
  const std::optional<std::string> magic = file.Read(0, kElfMagic.size());
  return magic && *magic == kElfMagic;
}

std::optional<std::string> ReadElfSection(const std::string& file_name,
                                          std::string_view section_name, std::size_t max_size) {
  FileBytes file(file_name);
  const std::optional<std::string> ident = file.Read(0, 16);
  if (!ident || ident->substr(0, 4) != kElfMagic) return std::nullopt;
  const auto word_size = static_cast<unsigned char>((*ident)[4]);
  const auto byte_order = static_cast<unsigned char>((*ident)[5]);
  if ((word_size != kClass32 && word_size != kClass64) ||
      (byte_order != kDataLittle && byte_order != kDataBig)) {
    return std::nullopt;
  }
  ElfReader reader(file, word_size == kClass64 ? kLayout64 : kLayout32,
                   Decoder{byte_order == kDataBig});
  if (!reader.Load()) return std::nullopt;
  return reader.Find(section_name, max_size);
}

}  // namespace kasumido
