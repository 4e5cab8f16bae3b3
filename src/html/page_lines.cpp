#include "html/page_lines.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace kasumido {

namespace {

const char* FindLineEnd(const char* from, const char* end) {
  for (const char* p = from; p < end; ++p) {
    if (*p == '\n' || *p == '\r') return p;
  }
  return end;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole content of the file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  char buffer[65536];
  for (;;) {
    const size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    bytes.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  return std::ferror(file.get()) == 0;
}

}  // namespace

std::vector<std::string> SplitPageLines(std::string_view bytes) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::vector<std::string> lines;
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    const char* line_end = FindLineEnd(p, end);
    lines.emplace_back(p, line_end);
    p = line_end;
    if (p == end) break;
    p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;  // CR LF, LF or CR
  }
  return lines;
}

bool LoadPageLines(const std::string& path, std::vector<std::string>& lines) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  lines = SplitPageLines(bytes);
  return true;
}

}  // namespace kasumido
