#include "shell/same_page_text.h"

#include <optional>

#include "html/page_line_reader.h"
#include "platform/files.h"
#include "platform/waits.h"

namespace kasumido {
namespace {

// A missing file counts at once (no retry wait); a file that exists gets the retry.
std::optional<InputFile> OpenPage(EventLoop& loop, const std::string& path) {
  if (!PathExists(path)) return std::nullopt;
  return ResetWithRetry(loop, path, 1);
}

PageLineReader LinesOf(InputFile& file) {
  return PageLineReader(
      [&file](char* buffer, std::size_t size) { return file.Read(buffer, size); });
}

bool HoldsMarkup(const std::string& line) {
  // "<" and ">" are below 0x40, so they are never the trail byte of a double-byte
  // character: a plain byte search is exact.
  return line.find_first_of("<>") != std::string::npos;
}

}  // namespace

bool SamePageText(EventLoop& loop, const std::string& fresh_file, const std::string& old_file) {
  std::optional<InputFile> fresh_stream = OpenPage(loop, fresh_file);
  if (!fresh_stream) return false;
  std::optional<InputFile> old_stream = OpenPage(loop, old_file);
  if (!old_stream) return false;

  PageLineReader fresh = LinesOf(*fresh_stream);
  PageLineReader old = LinesOf(*old_stream);
  bool same = true;
  int pairs = 0;
  while (same && pairs < kMaxComparedLinePairs && !fresh.AtEnd() && !old.AtEnd()) {
    const std::string fresh_line = fresh.ReadLine();
    const std::string old_line = old.ReadLine();
    if (fresh.Failed() || old.Failed()) return false;
    if (!HoldsMarkup(fresh_line)) same = fresh_line == old_line;
    ++pairs;
  }
  if (pairs < kMaxComparedLinePairs && fresh.AtEnd() != old.AtEnd()) return false;
  return same && !fresh.Failed() && !old.Failed();
}

}  // namespace kasumido
