#include "text/environment.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "text/sjis.h"

namespace kasumido {
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
    if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

// The raw value of the variable, exact name first, then any case; null when unset.
const char* FindVariable(std::string_view name) {
  if (name.empty() || name.find('=') != std::string_view::npos) return nullptr;
  if (const char* exact = std::getenv(std::string(name).c_str())) return exact;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals == nullptr) continue;
    if (SameNameIgnoringCase(std::string_view(*entry, equals - *entry), name)) return equals + 1;
  }
  return nullptr;
}

bool EndsWithSeparator(std::string_view path) {
  if (path.back() == '/') return true;
  return path.back() == '\\' && !IsTrailByteAt(path, path.size() - 1);
}

// An absolute path that names more than the root folder.
bool IsUsableFolder(std::string_view path) {
  return !path.empty() && path.front() == '/' &&
         path.find_first_not_of("/\\") != std::string_view::npos;
}

}  // namespace

std::string GetEnvValue(std::string_view name) {
  const char* value = FindVariable(name);
  if (value == nullptr) return {};
  if (std::strlen(value) >= kEnvValueBufferSize) return {};
  return TrimControls(value);
}

std::string TempFolder() {
  std::string folder = GetEnvValue("temp");
  if (!IsUsableFolder(folder)) folder = GetEnvValue("TMPDIR");
  if (!IsUsableFolder(folder)) folder = "/tmp";
  if (!EndsWithSeparator(folder)) folder += '/';
  return folder;
}

}  // namespace kasumido
