#include "shell/environment.h"

#include <optional>
#include <vector>

#include "platform/environment.h"
#include "platform/paths.h"
#include "text/paths.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

bool IsUsableFolder(std::string_view path) { return IsAbsolutePath(path) && !IsRootFolder(path); }

// The usable temporary folders, best first, each ending in a separator.
std::vector<std::string> TempFolderCandidates() {
  std::vector<std::string> sources;
  if (std::optional<std::string> temp = EnvironmentValue("temp")) sources.push_back(*temp);
  for (std::string& folder : SystemTempFolders()) sources.push_back(std::move(folder));
  std::vector<std::string> usable;
  for (const std::string& source : sources) {
    std::string folder = TrimControls(source);
    if (!IsUsableFolder(folder)) continue;
    if (!EndsWithSeparator(folder)) folder += PathSeparator();
    usable.push_back(std::move(folder));
  }
  return usable;
}

}  // namespace

std::string GetEnvValue(std::string_view name) {
  const std::optional<std::string> value = EnvironmentValue(name);
  if (!value || value->size() >= kEnvValueBufferSize) return {};
  return TrimControls(*value);
}

std::string TempFolder() {
  const std::vector<std::string> candidates = TempFolderCandidates();
  for (const std::string& folder : candidates) {
    if (SjisPathForHost(folder)) return folder;
  }
  return candidates.empty() ? std::string() : candidates.front();
}

}  // namespace kasumido
