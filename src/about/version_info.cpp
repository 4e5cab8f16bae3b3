#include "about/version_info.h"

#include <optional>

#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/version_resource.h"
#include "text/paths.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

constexpr std::string_view kExecutableExtensions = ".exe.dll.scr.ocx.jpn";
constexpr std::size_t kScriptHeaderLines = 10;
constexpr std::size_t kScriptHeaderBytes = 64u << 10;
constexpr std::string_view kProductNameFrontStrip = " #/*:;";

// Length of the character starting at `at`: 2 for a lead byte with a byte after it.
std::size_t CharSize(std::string_view text, std::size_t at) {
  return IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// The lower-cased extension of the name part (from its last dot, dot included).
std::string LowerExtension(std::string_view file_name) {
  const std::string_view name = FileNameOf(file_name);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return AsciiLower(name.substr(dot));
}

bool HasExecutableExtension(std::string_view file_name) {
  const std::string extension = LowerExtension(file_name);
  return !extension.empty() && kExecutableExtensions.find(extension) != std::string_view::npos;
}

// At most `limit` bytes of `text`, cut before a double-byte character that would not fit.
std::string_view CutWhole(std::string_view text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + CharSize(text, end);
    if (next > limit) break;
    end = next;
  }
  return text.substr(0, end);
}

void ReadVersionBlock(const std::string& file_name, VersionRecord& record) {
  const std::optional<VersionResource> resource = VersionResource::Read(file_name);
  if (!resource) return;
  const std::optional<std::string> translation = resource->FirstTranslation();
  if (!translation) return;
  const std::string prefix = "\\StringFileInfo\\" + *translation + "\\";
  for (std::size_t i = 0; i < kVersionFieldCount; ++i) {
    const std::optional<std::string> value = resource->Value(prefix + std::string(kVersionKeys[i]));
    if (value) record.fields[i] = std::string(CutWhole(*value, kMaxVersionValue));
  }
}

// Script headers. A comment line starts with "#" (not "#!"), "'" or "rem" in any case;
// the marker and the surrounding blanks are removed. "ver" and "by" are found ignoring
// case, never from the second byte of a double-byte character. The product name is the
// text before the later marker (the whole line without one), stripped at its front of
// " #/*:;". The file version and the author line are the text from their marker up to
// the other marker when that follows, else to the end of the line; from its first space
// on, trimmed, when it holds a space, else all of it trimmed. Each field is set only
// while empty.

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

std::size_t FindIgnoringCase(std::string_view line, std::string_view lower_needle) {
  for (std::size_t at = 0; at < line.size(); at += CharSize(line, at)) {
    if (line.size() - at < lower_needle.size()) break;
    bool match = true;
    for (std::size_t i = 0; i < lower_needle.size() && match; ++i) {
      match = AsciiLower(line[at + i]) == lower_needle[i];
    }
    if (match) return at;
  }
  return std::string_view::npos;
}

// The comment text of `line`, or nullopt when it is no comment line.
std::optional<std::string_view> CommentText(std::string_view line) {
  if (line.starts_with('#') && !line.starts_with("#!")) return TrimBlanks(line.substr(1));
  if (line.starts_with('\'')) return TrimBlanks(line.substr(1));
  if (line.size() >= 3 && AsciiLower(line[0]) == 'r' && AsciiLower(line[1]) == 'e' &&
      AsciiLower(line[2]) == 'm') {
    return TrimBlanks(line.substr(3));
  }
  return std::nullopt;
}

std::string MarkedValue(std::string_view from_marker) {
  const std::size_t space = from_marker.find(' ');
  return std::string(
      TrimBlanks(space == std::string_view::npos ? from_marker : from_marker.substr(space)));
}

void ReadCommentLine(std::string_view text, VersionRecord& record) {
  constexpr std::size_t npos = std::string_view::npos;
  const std::size_t ver = FindIgnoringCase(text, "ver");
  const std::size_t by = FindIgnoringCase(text, "by");
  std::string& product = record[VersionField::kProductName];
  if (product.empty()) {
    std::size_t end = text.size();  // before the later marker; the whole line without one
    if (ver != npos) end = ver;
    if (by != npos && (ver == npos || by > ver)) end = by;
    std::string_view name = text.substr(0, end);
    while (!name.empty() && kProductNameFrontStrip.find(name.front()) != npos) {
      name.remove_prefix(1);
    }
    product = std::string(name);
  }
  std::string& version = record[VersionField::kFileVersion];
  if (ver != npos && version.empty()) {
    const std::size_t end = (by != npos && by > ver) ? by : text.size();
    version = MarkedValue(text.substr(ver, end - ver));
  }
  std::string& author = record[VersionField::kAuthorLine];
  if (by != npos && author.empty()) {
    const std::size_t end = (ver != npos && ver > by) ? ver : text.size();
    author = MarkedValue(text.substr(by, end - by));
  }
}

bool HeaderComplete(const VersionRecord& record) {
  return !record.ProductName().empty() && !record.FileVersion().empty() &&
         !record.AuthorLine().empty();
}

void ReadScriptHeader(const std::string& file_name, VersionRecord& record) {
  const std::optional<std::string> head = ReadWholeFile(file_name, kScriptHeaderBytes);
  if (!head) return;
  std::string_view rest = *head;
  for (std::size_t line_count = 0; line_count < kScriptHeaderLines && !rest.empty(); ++line_count) {
    if (HeaderComplete(record)) return;
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (const std::optional<std::string_view> text = CommentText(line)) {
      ReadCommentLine(*text, record);
    }
  }
}

}  // namespace

void GetVersionInfo(const std::string& file_name, VersionRecord& record) {
  record = VersionRecord{};
  if (HasExecutableExtension(file_name) || IsExecutableImage(file_name)) {
    ReadVersionBlock(file_name, record);
  } else {
    ReadScriptHeader(file_name, record);
  }
}

}  // namespace kasumido
