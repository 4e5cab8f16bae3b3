// Reads one named section of an ELF file (32 or 64 bits, either byte order) through the
// file's section headers and their name table, never by searching the file's bytes.
// Every offset, size and name is checked against the file: a truncated or malformed
// file answers "no section", never reads past what it holds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

// True when the file can be read and starts with the ELF magic bytes 0x7F 'E' 'L' 'F'.
bool IsElfFile(const std::string& file_name);

// The bytes of the first section named `section_name` that has contents in the file.
// nullopt when the file cannot be read, is not a well-formed ELF file, has no such
// section, or the section is larger than `max_size` bytes.
std::optional<std::string> ReadElfSection(const std::string& file_name,
                                          std::string_view section_name, std::size_t max_size);

}  // namespace kasumido
