// The version resource of an executable file: the values an executable carries about
// itself, looked up by path the way the host's platform queries them:
// "\VarFileInfo\Translation" lists the translations, and
// "\StringFileInfo\<language><code page>\<key>" gives one string. On Linux the build
// embeds the resource as a version block in an ELF section of its own; on Windows it is
// the VERSIONINFO resource, compiled in by windres.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

// True when `file_name` is an executable image of this platform (on Linux: a file that
// starts with the ELF magic bytes), whatever its name.
bool IsExecutableImage(const std::string& file_name);

class VersionResource {
 public:
  // The resource of `file_name`; nothing when the file cannot be read, is malformed or
  // carries none.
  static std::optional<VersionResource> Read(const std::string& file_name);

  // The first translation as eight upper-case hexadecimal digits, language then code
  // page ("041103A4"); nothing when there is none.
  std::optional<std::string> FirstTranslation() const;
  // The string at `path`, up to its first NUL byte; nothing when there is none.
  std::optional<std::string> Value(std::string_view path) const;

 private:
  explicit VersionResource(std::string data) : data_(std::move(data)) {}
  std::string data_;  // the platform's own form of the resource
};

}  // namespace kasumido
