#include "shell/ini_text.h"

#include <algorithm>

#include "platform/text_encoding.h"

namespace kasumido {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

TextEncoding TextEncodingOf(IniEncoding encoding) {
  return encoding == IniEncoding::kUtf8 ? TextEncoding::kUtf8 : TextEncoding::kUtf16Le;
}

// The bytes of the character that starts at `at` if it is one: a UTF-8 sequence by its
// lead byte, a UTF-16 code unit or surrogate pair (cut at the end of `bytes`).
std::size_t CharacterLength(std::string_view bytes, std::size_t at, IniEncoding encoding) {
  const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  std::size_t length = 2;
  if (encoding == IniEncoding::kUtf8) {
    const unsigned char lead = byte(at);
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  } else if (at + 1 < bytes.size() && byte(at + 1) >= 0xD8 && byte(at + 1) <= 0xDB) {
    length = 4;
  }
  return std::min(length, bytes.size() - at);
}

// One line of a Unicode file as Shift_JIS: whole when every character converts, else
// character by character with a NUL for each character that Shift_JIS lacks and for
// each byte (UTF-8) or code unit (UTF-16) that is no character.
std::string LineText(std::string_view line, IniEncoding encoding) {
  const TextEncoding from = TextEncodingOf(encoding);
  if (std::optional<std::string> text = ConvertText(line, from, TextEncoding::kShiftJis)) {
    return std::move(*text);
  }
  const TextEncoding other =
      encoding == IniEncoding::kUtf8 ? TextEncoding::kUtf16Le : TextEncoding::kUtf8;
  const std::size_t unit = encoding == IniEncoding::kUtf8 ? 1 : 2;
  std::string text;
  for (std::size_t at = 0; at < line.size();) {
    std::size_t length = CharacterLength(line, at, encoding);
    const std::string_view character = line.substr(at, length);
    const std::optional<std::string> converted =
        ConvertText(character, from, TextEncoding::kShiftJis);
    text += converted ? *converted : std::string(1, '\0');
    if (!converted && !ConvertText(character, from, other)) length = std::min(length, unit);
    at += length;
  }
  return text;
}

// Where the line starting at `at` ends, its line end (an LF) included.
std::size_t LineEnd(std::string_view bytes, std::size_t at, IniEncoding encoding) {
  if (encoding != IniEncoding::kUtf16Le) {
    const std::size_t newline = bytes.find('\n', at);
    return newline == std::string_view::npos ? bytes.size() : newline + 1;
  }
  for (std::size_t unit = at; unit + 1 < bytes.size(); unit += 2) {
    if (bytes[unit] == '\n' && bytes[unit + 1] == '\0') return unit + 2;
  }
  return bytes.size();
}

// `text` cut into lines, each with its line end.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = LineEnd(text, at, IniEncoding::kShiftJis);
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  return lines;
}

}  // namespace

IniText IniText::Decode(std::string bytes) {
  IniText file;
  const std::string_view view(bytes);
  if (view.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    file.encoding_ = IniEncoding::kUtf8;
    file.mark_ = kUtf8Mark;
  } else if (view.substr(0, kUtf16LeMark.size()) == kUtf16LeMark) {
    file.encoding_ = IniEncoding::kUtf16Le;
    file.mark_ = kUtf16LeMark;
  } else {
    file.text_ = std::move(bytes);
    return file;
  }
  for (std::size_t at = file.mark_.size(); at < view.size();) {
    const std::size_t end = LineEnd(view, at, file.encoding_);
    file.raw_lines_.emplace_back(view.substr(at, end - at));
    file.text_ += LineText(file.raw_lines_.back(), file.encoding_);
    at = end;
  }
  return file;
}

std::optional<std::string> IniText::Encode(std::string_view edited) const {
  if (encoding_ == IniEncoding::kShiftJis) return std::string(edited);
  const std::vector<std::string_view> before = SplitLines(text_);
  const std::vector<std::string_view> after = SplitLines(edited);
  // The lines the edit left alone: a common front and a common end.
  std::size_t front = 0;
  while (front < before.size() && front < after.size() && before[front] == after[front]) ++front;
  std::size_t back = 0;
  while (back < before.size() - front && back < after.size() - front &&
         before[before.size() - 1 - back] == after[after.size() - 1 - back]) {
    ++back;
  }
  const auto written = [this](std::string_view text) -> std::optional<std::string> {
    if (text.find('\0') != std::string_view::npos) return std::nullopt;
    return ConvertText(text, TextEncoding::kShiftJis, TextEncodingOf(encoding_));
  };
  std::string bytes = mark_;
  for (std::size_t i = 0; i < front; ++i) bytes += raw_lines_[i];
  for (std::size_t i = front; i < after.size() - back; ++i) {
    std::string_view line = after[i];
    if (i < before.size() - back && line.substr(0, before[i].size()) == before[i]) {
      bytes += raw_lines_[i];  // a line that only grew keeps its own bytes
      line.remove_prefix(before[i].size());
    }
    const std::optional<std::string> added = written(line);
    if (!added) return std::nullopt;
    bytes += *added;
  }
  for (std::size_t i = before.size() - back; i < before.size(); ++i) bytes += raw_lines_[i];
  // The new file must read back as the edited text, or it is not written.
  if (Decode(bytes).Text() != edited) return std::nullopt;
  return bytes;
}

}  // namespace kasumido
