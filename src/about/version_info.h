// The eleven version strings of a file. An executable carries them in its version
// resource (platform/version_resource.h), which the build embeds in every program; a
// script names itself, its version and its author in comment lines at its head. GetVersionInfo
// never fails: what it cannot read stays empty.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kasumido {

// The fields of a version record, in record order; each is read under the key of the
// same index in kVersionKeys.
enum class VersionField {
  kCompanyName = 0,
  kFileDescription,
  kFileVersion,
  kInternalName,
  kAuthorLine,
  kTrademarks,
  kOriginalFileName,
  kProductName,
  kProductVersion,
  kComments,
  kScreenSaverName,
};

inline constexpr std::size_t kVersionFieldCount = 11;
inline constexpr std::array<std::string_view, kVersionFieldCount> kVersionKeys = {
    "CompanyName",    "FileDescription", "FileVersion",      "InternalName",
    "LegalCopyright", "LegalTrademarks", "OriginalFileName", "ProductName",
    "ProductVersion", "Comments",        "SCRNSAVE",
};

// The longest value taken from a version block, in bytes; a longer one is cut there
// (before a double-byte character that would not fit whole).
inline constexpr std::size_t kMaxVersionValue = 256;

// Eleven Shift_JIS strings; readers use the product name, file version and author line.
struct VersionRecord {
  std::array<std::string, kVersionFieldCount> fields;

  std::string& operator[](VersionField field) { return fields[static_cast<std::size_t>(field)]; }
  const std::string& operator[](VersionField field) const {
    return fields[static_cast<std::size_t>(field)];
  }
  const std::string& ProductName() const { return (*this)[VersionField::kProductName]; }
  const std::string& FileVersion() const { return (*this)[VersionField::kFileVersion]; }
  const std::string& AuthorLine() const { return (*this)[VersionField::kAuthorLine]; }
};

// Empties `record`, then fills it from `file_name`. A file whose lower-cased extension
// (from the last dot of its name) occurs in ".exe.dll.scr.ocx.jpn", or that starts with
// the ELF magic bytes, is read for its version block under the block's first translation;
// any other file is read for a script header (its comment lines among the first 10 lines
// of its first 64 KiB name the product, the version and the author). A missing, unreadable or
// malformed file, or one without a block or translation, leaves the fields empty.
void GetVersionInfo(const std::string& file_name, VersionRecord& record);

}  // namespace kasumido
