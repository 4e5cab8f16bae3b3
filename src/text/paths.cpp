#include "text/paths.h"

#include "platform/paths.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

// The position of the last separator, or npos.
std::size_t LastSeparator(std::string_view path) {
  for (std::size_t at = path.size(); at-- > 0;) {
    if (IsSeparatorAt(path, at)) return at;
  }
  return std::string_view::npos;
}

}  // namespace

bool IsSeparatorAt(std::string_view path, std::size_t at) {
  if (path[at] == '/') return true;
  return path[at] == '\\' && !IsTrailByteAt(path, at);
}

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && IsSeparatorAt(path, path.size() - 1);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !EndsWithSeparator(path)) path += PathSeparator();
  path += name;
  return path;
}

std::string FolderOf(std::string_view path) {
  const std::size_t last = LastSeparator(path);
  if (last == std::string_view::npos) return {};
  if (last == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, last));
}

std::string_view FileNameOf(std::string_view path) {
  const std::size_t last = LastSeparator(path);
  return last == std::string_view::npos ? path : path.substr(last + 1);
}

}  // namespace kasumido
