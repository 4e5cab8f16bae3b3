#include "html/page_lines.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "html/page_line_reader.h"
#include "platform/files.h"

namespace kasumido {
namespace {

// Makes every line end of the `size` bytes at `text` one LF: a CR LF pair loses its CR, a
// lone CR becomes an LF; the text moves up over the dropped bytes. Answers the new size.
std::size_t JoinLineEnds(char* text, std::size_t size) {
  const char* in = text;
  const char* const end = text + size;
  char* out = text;
  while (const void* found = std::memchr(in, '\r', end - in)) {
    const char* const cr = static_cast<const char*>(found);
    if (out != in) std::memmove(out, in, cr - in);
    out += cr - in;
    *out++ = '\n';  // perhaps where the CR was: the byte after it is still as it was
    in = cr + 1;
    if (in < end && *in == '\n') ++in;
  }
  if (out != in) std::memmove(out, in, end - in);
  return out - text + (end - in);
}

// The number of LF bytes among the `size` bytes at `text`. In runs of 255, so that the
// counting loop works on byte counters, many at a time.
std::size_t CountLineFeeds(const char* text, std::size_t size) {
  std::size_t count = 0;
  while (size > 0) {
    const std::size_t run = std::min<std::size_t>(size, 255);
    unsigned char in_run = 0;
    for (std::size_t i = 0; i < run; ++i) in_run += text[i] == '\n';
    count += in_run;
    text += run;
    size -= run;
  }
  return count;
}

}  // namespace

std::vector<std::string> SplitPageLines(std::string_view bytes) {
  PageLineReader reader([&bytes](char* buffer, std::size_t size) {
    const std::size_t count = std::min(size, bytes.size());
    std::memcpy(buffer, bytes.data(), count);
    bytes.remove_prefix(count);
    return static_cast<std::ptrdiff_t>(count);
  });
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

void PageLines::AssignPage(std::string_view bytes) {
  bytes_ = store_.Allocate(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(store_.At(bytes_), bytes.data(), bytes.size());
  CutPage(bytes.size());
}

PageLines& PageLines::operator=(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 1;
  bytes_ = store_.Allocate(size + 1);  // never an empty piece, which could lie past the end
  starts_ = store_.Allocate((lines.size() + 1) * sizeof(std::uint32_t), alignof(std::uint32_t));
  char* const bytes = store_.At(bytes_);
  std::uint32_t* start = Starts();
  char* out = bytes;
  *start++ = 0;
  for (const std::string& line : lines) {
    out = std::copy(line.begin(), line.end(), out);
    *out++ = '\n';
    *start++ = static_cast<std::uint32_t>(out - bytes);
  }
  count_ = lines.size();
  return *this;
}

PageLines& PageLines::operator=(std::initializer_list<std::string_view> lines) {
  return *this = std::vector<std::string>(lines.begin(), lines.end());
}

bool PageLines::Load(const std::string& path) {
  std::optional<InputFile> file = InputFile::OpenShared(path);
  if (!file) return false;
  // The whole file straight into the store, in the room its size asks for; one byte
  // more tells whether it has grown since.
  const std::size_t expected =
      static_cast<std::size_t>(std::max<std::int64_t>(0, file->Size().value_or(0)));
  const StoreOffset piece = store_.Allocate(expected + 2);
  char* const bytes = store_.At(piece);
  std::size_t size = 0;
  while (size <= expected) {
    const std::ptrdiff_t count = file->Read(bytes + size, expected + 1 - size);
    if (count < 0) return false;
    if (count == 0) break;
    size += count;
  }
  if (size <= expected) {
    bytes_ = piece;
    CutPage(size);
    return true;
  }
  // The file has grown while it was read: read the rest, and take the whole text anew.
  std::string text(bytes, size);
  char buffer[64 * 1024];
  for (std::ptrdiff_t count; (count = file->Read(buffer, sizeof buffer)) != 0;) {
    if (count < 0) return false;
    text.append(buffer, count);
  }
  AssignPage(text);
  return true;
}

bool PageLines::operator==(const std::vector<std::string>& other) const {
  return std::equal(begin(), end(), other.begin(), other.end());
}

void PageLines::CutPage(std::size_t size) {
  char* const bytes = store_.At(bytes_);
  if (const void* nul = std::memchr(bytes, '\0', size)) {
    size = static_cast<const char*>(nul) - bytes;
  }
  size = JoinLineEnds(bytes, size);
  if (size > 0 && bytes[size - 1] != '\n') bytes[size++] = '\n';
  count_ = CountLineFeeds(bytes, size);
  starts_ = store_.Allocate((count_ + 1) * sizeof(std::uint32_t), alignof(std::uint32_t));
  std::uint32_t* start = Starts();
  *start = 0;
  for (const char* line = bytes; line < bytes + size;) {
    line = static_cast<const char*>(std::memchr(line, '\n', bytes + size - line)) + 1;
    *++start = static_cast<std::uint32_t>(line - bytes);
  }
}

}  // namespace kasumido
