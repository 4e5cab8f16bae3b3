#include "text/sjis.h"

#include <stdexcept>

#include "kasumido/texts.h"

namespace kasumido {
namespace {

constexpr size_t kNpos = std::string_view::npos;

// The first match at or after `boundary`, which REQUIRES a character boundary. Candidates
// come from a byte search; a forward walk over whole characters, kept across candidates,
// tells whether a candidate starts a character. The whole call is linear in the text.
size_t FindFromBoundary(std::string_view text, std::string_view pattern, size_t boundary) {
  while (true) {
    const size_t hit = text.find(pattern, boundary);
    if (hit == kNpos) return kNpos;
    while (boundary < hit) {
      boundary += IsLeadByte(static_cast<unsigned char>(text[boundary])) ? 2 : 1;
    }
    if (boundary == hit) return hit;
    // `hit` was a trail byte; `boundary` is the next character.
  }
}

}  // namespace

bool IsTrailByteAt(std::string_view text, size_t index) {
  size_t leads = 0;
  while (index > leads && IsLeadByte(static_cast<unsigned char>(text[index - leads - 1]))) {
    ++leads;
  }
  return leads % 2 == 1;
}

bool IsTrailByte(std::string_view text, int i) {
  if (i < 1 || static_cast<size_t>(i) > text.size()) throw std::out_of_range("Illegal Index");
  return IsTrailByteAt(text, static_cast<size_t>(i) - 1);
}

size_t SjisFind(std::string_view text, std::string_view pattern, size_t from) {
  if (from > text.size()) return kNpos;
  if (from > 0 && from < text.size() && IsTrailByteAt(text, from)) ++from;
  if (pattern.empty()) return from;
  return FindFromBoundary(text, pattern, from);
}

// Whether the last character of `text`, read from its start, is a lead byte alone.
bool EndsInLoneLeadByte(std::string_view text) {
  size_t i = 0;
  while (i + 1 < text.size()) i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  return i + 1 == text.size() && IsLeadByte(static_cast<unsigned char>(text[i]));
}

std::string SjisReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  // Such a pattern would end in the middle of any character it meets but the last.
  const bool lone_lead_end = EndsInLoneLeadByte(from);
  std::string result;
  size_t done = 0;
  size_t boundary = 0;
  for (size_t hit = FindFromBoundary(text, from, boundary); hit != kNpos;
       hit = FindFromBoundary(text, from, boundary)) {
    if (lone_lead_end && hit + from.size() < text.size()) {
      // Not a whole-character match: go on from the character after the one at `hit`.
      boundary = hit + (IsLeadByte(static_cast<unsigned char>(text[hit])) ? 2 : 1);
      continue;
    }
    if (done == 0) result.reserve(text.size());
    result.append(text.substr(done, hit - done)).append(to);
    done = hit + from.size();
    boundary = done;
  }
  if (done == 0) return std::string(text);
  result.append(text.substr(done));
  return result;
}

std::string_view TrimControlsView(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

std::string TrimControls(std::string_view text) { return std::string(TrimControlsView(text)); }

std::string TrimAll(std::string_view text) { return std::string(TrimAllView(text)); }

std::string_view TrimAllView(std::string_view text) {
  constexpr std::string_view kWideSpace = texts::kFullWidthSpace;
  std::string_view rest = TrimControlsView(text);
  while (!rest.empty()) {
    if (rest.front() == ' ') {
      rest.remove_prefix(1);
    } else if (StartsWith(rest, kWideSpace)) {
      rest.remove_prefix(kWideSpace.size());
    } else {
      break;
    }
  }
  while (!rest.empty()) {
    if (IsTrailByteAt(rest, rest.size() - 1)) {
      if (!rest.ends_with(kWideSpace)) break;
      rest.remove_suffix(kWideSpace.size());
    } else {
      if (rest.back() != ' ') break;
      rest.remove_suffix(1);
    }
  }
  return TrimControlsView(rest);
}

}  // namespace kasumido
