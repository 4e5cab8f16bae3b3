#include "shell/ini_file.h"

#include <utility>

#include "platform/ascii.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Position of the first `wanted` byte in [begin, end) that is not the second byte of a
// double-byte character; `end` when there is none.
std::size_t FindSingleByte(const std::string& bytes, std::size_t begin, std::size_t end,
                           char wanted) {
  std::size_t i = begin;
  while (i < end) {
    if (bytes[i] == wanted) return i;
    i += (IsLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < end) ? 2 : 1;
  }
  return end;
}

// Narrows [begin, end) by the blanks at both ends.
void TrimBlanks(const std::string& bytes, std::size_t& begin, std::size_t& end) {
  while (begin < end && IsBlank(bytes[begin])) ++begin;
  while (end > begin && IsBlank(bytes[end - 1])) --end;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool HasOuterBlank(std::string_view text) {
  return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

bool HoldsSingleByte(std::string_view text, char wanted) {
  const std::string bytes(text);
  return FindSingleByte(bytes, 0, bytes.size(), wanted) != bytes.size();
}

// Whether the last character of `text` is a lead byte without its trail byte, which a
// reader would pair with the "]" or "=" written after the name.
bool EndsInLoneLeadByte(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (i + 1 == text.size()) return true;
      i += 2;
    } else {
      ++i;
    }
  }
  return false;
}

bool WritableName(std::string_view name) {
  return !name.empty() && !HasOuterBlank(name) && !HasLineBreakOrNul(name) &&
         !EndsInLoneLeadByte(name);
}

// A value as it is written so that reading trims and unquotes it back to itself.
std::string QuotedIfNeeded(std::string_view value) {
  const bool quoted_already = value.size() >= 2 &&
                              (value.front() == '"' || value.front() == '\'') &&
                              value.back() == value.front();
  std::string written;
  const bool quote = HasOuterBlank(value) || quoted_already;
  if (quote) written += '"';
  written += value;
  if (quote) written += '"';
  return written;
}

}  // namespace

IniFile::IniFile(std::string bytes) : bytes_(std::move(bytes)) { CutLines(); }

IniFile IniFile::Load(const std::string& path) {
  std::optional<std::string> content = ReadWholeFile(path);
  if (!content) return IniFile();
  IniFile file = FromFileBytes(std::move(*content));
  file.exists_ = true;
  return file;
}

IniFile IniFile::FromFileBytes(std::string bytes) {
  IniText source = IniText::Decode(std::move(bytes));
  IniFile file(source.Text());
  file.source_ = std::move(source);
  return file;
}

IniFile IniFile::Parse(std::string bytes) { return IniFile(std::move(bytes)); }

void IniFile::CutLines() {
  std::size_t section = kNoSection;
  std::size_t pos = 0;
  while (pos < bytes_.size()) {
    Line line;
    line.offset = pos;
    const std::size_t newline = bytes_.find('\n', pos);
    std::size_t end = newline == std::string::npos ? bytes_.size() : newline;
    line.ending_length = newline == std::string::npos ? 0 : 1;
    if (end > pos && bytes_[end - 1] == '\r') {
      --end;
      ++line.ending_length;
    }
    line.length = end - pos;
    pos = end + line.ending_length;
    ClassifyLine(line);
    if (line.kind == LineKind::kSection) {
      line.section = kNoSection;
      section = lines_.size();
    } else {
      line.section = section;
    }
    lines_.push_back(line);
  }
}

void IniFile::ClassifyLine(Line& line) const {
  const std::size_t end = line.offset + line.length;
  std::size_t first = line.offset;
  while (first < end && IsBlank(bytes_[first])) ++first;
  if (first == end) {
    line.kind = LineKind::kBlank;
    return;
  }
  if (bytes_[first] == ';') {
    line.kind = LineKind::kComment;
    return;
  }
  if (bytes_[first] == '[') {
    std::size_t name_begin = first + 1;
    std::size_t name_end = FindSingleByte(bytes_, name_begin, end, ']');
    TrimBlanks(bytes_, name_begin, name_end);
    line.kind = LineKind::kSection;
    line.name_offset = name_begin;
    line.name_length = name_end - name_begin;
    return;
  }
  const std::size_t equals = FindSingleByte(bytes_, first, end, '=');
  std::size_t name_begin = first;
  std::size_t name_end = equals;
  TrimBlanks(bytes_, name_begin, name_end);
  if (equals == end || name_begin == name_end) {
    line.kind = LineKind::kOther;
    return;
  }
  std::size_t value_begin = equals + 1;
  std::size_t value_end = end;
  TrimBlanks(bytes_, value_begin, value_end);
  const char quote = value_end - value_begin >= 2 ? bytes_[value_begin] : '\0';
  if ((quote == '"' || quote == '\'') && bytes_[value_end - 1] == quote) {
    ++value_begin;
    --value_end;
  }
  line.kind = LineKind::kKey;
  line.name_offset = name_begin;
  line.name_length = name_end - name_begin;
  line.value_offset = value_begin;
  line.value_length = value_end - value_begin;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
  for (const Line& line : lines_) {
    if (line.kind != LineKind::kKey || line.section == kNoSection) continue;
    if (!SameIniName(NameOf(line), key)) continue;
    if (!SameIniName(NameOf(lines_[line.section]), section)) continue;
    const std::string_view value = ValueOf(line);
    if (value.find('\0') != std::string_view::npos) return std::nullopt;
    return std::string(value);
  }
  return std::nullopt;
}

std::size_t IniFile::FindKeyLine(std::string_view section, std::string_view key) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind != LineKind::kKey || line.section == kNoSection) continue;
    if (SameIniName(NameOf(line), key) && SameIniName(NameOf(lines_[line.section]), section)) {
      return i;
    }
  }
  return kNoSection;
}

std::size_t IniFile::FindSectionLine(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == LineKind::kSection && SameIniName(NameOf(lines_[i]), section)) return i;
  }
  return kNoSection;
}

std::string_view IniFile::LineEnding() const {
  for (const Line& line : lines_) {
    if (line.ending_length == 1 && bytes_[line.offset + line.length] == '\n') return "\n";
    if (line.ending_length > 0) break;
  }
  return "\r\n";
}

void IniFile::Splice(std::size_t offset, std::size_t length, std::string_view text) {
  bytes_.replace(offset, length, text);
  lines_.clear();
  CutLines();
}

bool IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  if (!WritableName(section) || !WritableName(key) || HasLineBreakOrNul(value) ||
      HoldsSingleByte(section, ']') || HoldsSingleByte(key, '=') || key.front() == ';' ||
      key.front() == '[') {
    return false;
  }
  const std::string written = QuotedIfNeeded(value);
  const std::size_t key_line = FindKeyLine(section, key);
  if (key_line != kNoSection) {
    const Line& line = lines_[key_line];
    const std::size_t end = line.offset + line.length;
    const std::size_t equals = FindSingleByte(bytes_, line.offset, end, '=');
    Splice(equals + 1, end - (equals + 1), written);
    return true;
  }
  const std::string key_text = std::string(key) + "=" + written;
  const std::string ending(LineEnding());
  const std::size_t section_line = FindSectionLine(section);
  if (section_line == kNoSection) {
    const std::string_view close = lines_.empty() ? "" : LineCompletion(lines_.back(), ending);
    Splice(bytes_.size(), 0,
           std::string(close) + "[" + std::string(section) + "]" + ending + key_text + ending);
    return true;
  }
  std::size_t after = section_line;
  for (std::size_t i = section_line + 1; i < lines_.size() && lines_[i].section == section_line;
       ++i) {
    if (lines_[i].kind == LineKind::kKey) after = i;
  }
  const Line& line = lines_[after];
  const std::size_t end = line.offset + line.length + line.ending_length;
  const std::string_view close = LineCompletion(line, ending);
  // A last line without an ending stays the file's open last line.
  const std::string_view after_key =
      line.ending_length == 0 ? std::string_view() : std::string_view(ending);
  Splice(end, 0, std::string(close) + key_text + std::string(after_key));
  return true;
}

std::string_view IniFile::LineCompletion(const Line& line, std::string_view ending) const {
  if (line.ending_length == 0) return ending;
  // A lone CR ends the last line of a file for the reader; an LF after it makes it a line
  // end for every reader, so that what follows starts a line of its own.
  if (line.ending_length == 1 && bytes_[line.offset + line.length] == '\r') return "\n";
  return "";
}

FileWriteStatus IniFile::SaveAs(const std::string& path) const {
  const std::optional<std::string> bytes = FileBytes();
  if (!bytes) {
    return FileWriteStatus::Failed(path, "a changed line cannot be written in the file's encoding");
  }
  return ReplaceFileAtomically(path, *bytes);
}

std::string_view IniFile::NameOf(const Line& line) const {
  return std::string_view(bytes_).substr(line.name_offset, line.name_length);
}

std::string_view IniFile::ValueOf(const Line& line) const {
  return std::string_view(bytes_).substr(line.value_offset, line.value_length);
}

bool SameIniName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  while (i < a.size()) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      i += 2;
    } else {
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
      ++i;
    }
  }
  return true;
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view default_value) {
  std::optional<std::string> value = IniFile::Load(path).Value(section, key);
  return value ? std::move(*value) : std::string(default_value);
}

FileWriteStatus WriteIniStrings(const std::string& path, std::string_view section,
                                const IniValues& values) {
  IniFile file;
  if (PathExists(path)) {
    file = IniFile::Load(path);
    if (!file.Exists()) return FileWriteStatus::Failed(path, "read: not a readable regular file");
  }
  for (const auto& [key, value] : values) {
    if (!file.SetValue(section, key, value)) {
      return FileWriteStatus::Failed(path, "refused name or value for key " + key);
    }
  }
  return file.SaveAs(path);
}

}  // namespace kasumido
