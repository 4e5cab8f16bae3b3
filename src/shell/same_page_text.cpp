#include "shell/same_page_text.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "shell/page_line_reader.h"
#include "text/ui_wait.h"

namespace kasumido {
namespace {

// A missing file counts at once (no retry wait); a file that exists gets the retry.
bool OpenPage(EventLoop& loop, const std::string& path, std::ifstream& file) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return false;
  return ResetWithRetry(loop, path, 1, file);
}

bool HoldsMarkup(const std::string& line) {
  // "<" and ">" are below 0x40, so they are never the trail byte of a double-byte
  // character: a plain byte search is exact.
  return line.find_first_of("<>") != std::string::npos;
}

}  // namespace

bool SamePageText(EventLoop& loop, const std::string& fresh_file, const std::string& old_file) {
  std::ifstream fresh_stream;
  if (!OpenPage(loop, fresh_file, fresh_stream)) return false;
  std::ifstream old_stream;
  if (!OpenPage(loop, old_file, old_stream)) return false;

  PageLineReader fresh(fresh_stream);
  PageLineReader old(old_stream);
  bool same = true;
  int pairs = 0;
  while (same && pairs < kMaxComparedLinePairs && !fresh.AtEnd() && !old.AtEnd()) {
    const std::string fresh_line = fresh.ReadLine();
    const std::string old_line = old.ReadLine();
    if (fresh.Failed() || old.Failed()) return false;
    if (!HoldsMarkup(fresh_line)) same = fresh_line == old_line;
    ++pairs;
  }
  return same && !fresh.Failed() && !old.Failed();
}

}  // namespace kasumido
