#include "text/paths.h"

#include "platform/paths.h"

namespace kasumido {
namespace {

constexpr std::string_view kSeparators = "/\\";

}  // namespace

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && kSeparators.find(path.back()) != std::string_view::npos;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !EndsWithSeparator(path)) path += PathSeparator();
  path += name;
  return path;
}

std::string FolderOf(std::string_view path) {
  const std::size_t last = path.find_last_of(kSeparators);
  if (last == std::string_view::npos) return {};
  if (last == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, last));
}

std::string_view FileNameOf(std::string_view path) {
  const std::size_t last = path.find_last_of(kSeparators);
  return last == std::string_view::npos ? path : path.substr(last + 1);
}

}  // namespace kasumido
