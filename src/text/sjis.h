// Shift_JIS (code page 932) byte strings seen as characters. A lead byte (0x81-0x9F,
// 0xE0-0xFC) starts a double-byte character and swallows the byte after it, whatever that
// byte is; every other byte is a character of its own. Searching and replacing work on
// whole characters: a match never starts on a trail byte, so the trail byte 0x5C of "ソ"
// or "表" is never taken for a backslash. These functions run on every text of every page,
// so they scan forward once and never allocate per character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kasumido {

// True for a byte that starts a double-byte character.
constexpr bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Whether the byte at 1-based position `i` of `text` is the trail byte of a double-byte
// character: the number of lead bytes directly before it is odd. Position 1 is never one.
// Throws std::out_of_range with the message "Illegal Index" when i < 1 or i > text.size().
bool IsTrailByte(std::string_view text, int i);

// Whether the byte at 0-based `index` (REQUIRES: index < text.size()) is a trail byte.
bool IsTrailByteAt(std::string_view text, size_t index);

// The first 0-based position >= `from` where `pattern` starts at a character boundary, or
// npos. An empty pattern matches at the first boundary at or after `from`. A `from` that
// falls on a trail byte starts the search at the next character.
size_t SjisFind(std::string_view text, std::string_view pattern, size_t from = 0);

// Whether `pattern` occurs in `text` starting at a character boundary.
inline bool SjisContains(std::string_view text, std::string_view pattern) {
  return SjisFind(text, pattern) != std::string_view::npos;
}

// Plain byte comparison of the first bytes of `text` with `prefix`.
constexpr bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// `text` with every whole-character occurrence of `from` replaced by `to`, scanning left
// to right without rescanning replaced text. An empty `from` leaves the text unchanged.
// An occurrence covers whole characters: it starts at a character boundary and ends at
// one, so a `from` that ends in a lead byte matches only where that byte is the lone last
// byte of `text`, never the first half of a double-byte character; scanning therefore
// always resumes at a character boundary.
std::string SjisReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// `text` without its leading and trailing bytes of value 0x20 or below (no trail byte is
// ever that low, so double-byte characters are never cut).
std::string TrimControls(std::string_view text);
// The same, as a view into `text`.
std::string_view TrimControlsView(std::string_view text);

// The cleaned text of a page field: bytes <= 0x20 trimmed from both ends, then spaces and
// full-width spaces from the front, then spaces and full-width spaces from the back (a
// trailing full-width space is recognised only as a whole character), then bytes <= 0x20
// from both ends again. Empty in, empty out.
std::string TrimAll(std::string_view text);
// The same, as a view into `text`: the rule only ever cuts bytes at the two ends. Its cost
// is the number of bytes cut plus the run of lead bytes at the end, never the whole text.
std::string_view TrimAllView(std::string_view text);

}  // namespace kasumido
