#include "html/page_lines.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "html/page_line_reader.h"
#include "platform/files.h"

namespace kasumido {
namespace {

std::vector<std::string> ReadAllLines(PageLineReader& reader) {
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

}  // namespace

std::vector<std::string> SplitPageLines(std::string_view bytes) {
  PageLineReader reader([&bytes](char* buffer, std::size_t size) {
    const std::size_t count = std::min(size, bytes.size());
    std::memcpy(buffer, bytes.data(), count);
    bytes.remove_prefix(count);
    return static_cast<std::ptrdiff_t>(count);
  });
  return ReadAllLines(reader);
}

bool LoadPageLines(const std::string& path, std::vector<std::string>& lines) {
  std::optional<InputFile> file = InputFile::OpenShared(path);
  if (!file) return false;
  PageLineReader reader(
      [&file](char* buffer, std::size_t size) { return file->Read(buffer, size); });
  std::vector<std::string> read = ReadAllLines(reader);
  if (reader.Failed()) return false;
  lines = std::move(read);
  return true;
}

}  // namespace kasumido
