#include "shell/environment.h"

#include <optional>

#include "platform/environment.h"
#include "platform/paths.h"
#include "text/paths.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

// A raw value read through the program's buffer: too long reads as unset.
std::string ThroughBuffer(std::string_view raw) {
  if (raw.size() >= kEnvValueBufferSize) return {};
  return TrimControls(raw);
}

bool IsUsableFolder(std::string_view path) { return IsAbsolutePath(path) && !IsRootFolder(path); }

}  // namespace

std::string GetEnvValue(std::string_view name) {
  const std::optional<std::string> value = EnvironmentValue(name);
  return value ? ThroughBuffer(*value) : std::string();
}

std::string TempFolder() {
  std::string folder = GetEnvValue("temp");
  const std::vector<std::string> system_folders = SystemTempFolders();
  for (auto next = system_folders.begin(); !IsUsableFolder(folder) && next != system_folders.end();
       ++next) {
    folder = ThroughBuffer(*next);
  }
  if (!EndsWithSeparator(folder)) folder += PathSeparator();
  return folder;
}

}  // namespace kasumido
