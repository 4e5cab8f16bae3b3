// The ini module on any bytes: setting one key changes only that key. Afterwards the key
// reads back as written, every other key of the file reads as before, the bytes removed
// lie within one line, and a refused name or value leaves every byte as it was. The same
// edit of the bytes as a saved file (UTF-8 or UTF-16 when a mark says so) either is
// refused or writes a file in which the key reads back as written.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_input.h"
#include "shell/ini_file.h"

namespace kasumido {
namespace {

// Every (section, key) that a line of `file` names.
std::vector<std::pair<std::string, std::string>> Keys(const IniFile& file) {
  std::vector<std::pair<std::string, std::string>> keys;
  for (const IniFile::Line& line : file.Lines()) {
    if (line.kind != IniFile::LineKind::kKey || line.section == IniFile::kNoSection) continue;
    keys.emplace_back(file.NameOf(file.Lines()[line.section]), file.NameOf(line));
  }
  return keys;
}

// The bytes of `before` that `after` no longer holds, found as the part between their
// common front and their common end.
std::string_view Removed(std::string_view before, std::string_view after) {
  size_t front = 0;
  while (front < before.size() && front < after.size() && before[front] == after[front]) ++front;
  size_t back = 0;
  while (back < before.size() - front && back < after.size() - front &&
         before[before.size() - 1 - back] == after[after.size() - 1 - back]) {
    ++back;
  }
  return before.substr(front, before.size() - front - back);
}

}  // namespace
}  // namespace kasumido

// Input: section, key and value (each a length byte and its bytes), then the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  fuzz::FuzzInput input(data, size);
  const std::string section(input.TakeShort());
  const std::string key(input.TakeShort());
  const std::string value(input.TakeShort());
  const std::string bytes(input.Rest());
  IniFile saved = IniFile::FromFileBytes(bytes);
  if (saved.SetValue(section, key, value)) {
    if (const std::optional<std::string> written = saved.FileBytes()) {
      FUZZ_CHECK(IniFile::FromFileBytes(*written).Value(section, key) == value);
    }
  }
  const IniFile before = IniFile::Parse(bytes);
  IniFile after = IniFile::Parse(bytes);
  if (!after.SetValue(section, key, value)) {
    FUZZ_CHECK(after.Bytes() == bytes);
    return 0;
  }
  FUZZ_CHECK(IniFile::Parse(after.Bytes()).Value(section, key) == value);
  FUZZ_CHECK(after.Value(section, key) == value);
  FUZZ_CHECK(Removed(bytes, after.Bytes()).find('\n') == std::string_view::npos);
  for (const auto& [other_section, other_key] : Keys(before)) {
    if (SameIniName(other_section, section) && SameIniName(other_key, key)) continue;
    FUZZ_CHECK(after.Value(other_section, other_key) == before.Value(other_section, other_key));
  }
  return 0;
}
