// The text utilities against the properties their headers promise: whole-character
// searching and replacing (checked against a plain character walk), the trim rules, file
// names without separators, and conversions that take any bytes.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "platform/utf8.h"
#include "text/euc.h"
#include "text/file_names.h"
#include "text/half_width.h"
#include "text/isbn.h"
#include "text/numbers.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

// Character boundaries of `text` by a forward walk: a lead byte swallows the next byte.
std::vector<bool> Boundaries(std::string_view text) {
  std::vector<bool> boundary(text.size() + 1, false);
  size_t i = 0;
  while (i < text.size()) {
    boundary[i] = true;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  boundary[std::min(i, text.size())] = true;
  return boundary;
}

// Replacing by the header's words: occurrences that start and end at boundaries, left to
// right, never overlapping.
std::string ReplaceByWalk(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  const std::vector<bool> boundary = Boundaries(text);
  std::string result;
  size_t i = 0;
  while (i < text.size()) {
    if (boundary[i] && text.substr(i).starts_with(from) && boundary[i + from.size()]) {
      result += to;
      i += from.size();
    } else {
      result += text[i];
      ++i;
    }
  }
  return result;
}

size_t FindByWalk(std::string_view text, std::string_view pattern) {
  const std::vector<bool> boundary = Boundaries(text);
  for (size_t i = 0; i <= text.size(); ++i) {
    if (boundary[i] && text.substr(i).starts_with(pattern)) return i;
  }
  return std::string_view::npos;
}

bool IsTrimmedOfControls(std::string_view text) {
  return text.empty() || (static_cast<unsigned char>(text.front()) > 0x20 &&
                          static_cast<unsigned char>(text.back()) > 0x20);
}

void CheckSearching(std::string_view text, std::string_view pattern, std::string_view to) {
  const std::vector<bool> boundary = Boundaries(text);
  for (size_t i = 0; i < text.size(); ++i) {
    FUZZ_CHECK(IsTrailByteAt(text, i) == !boundary[i]);
  }
  FUZZ_CHECK(SjisFind(text, pattern) == FindByWalk(text, pattern));
  FUZZ_CHECK(SjisReplaceAll(text, pattern, to) == ReplaceByWalk(text, pattern, to));
}

void CheckTrimming(std::string_view text) {
  const std::string_view view = TrimAllView(text);
  FUZZ_CHECK(TrimAll(text) == view);
  FUZZ_CHECK(view.empty() || (view.data() >= text.data() &&
                              view.data() + view.size() <= text.data() + text.size()));
  FUZZ_CHECK(IsTrimmedOfControls(view));
  FUZZ_CHECK(IsTrimmedOfControls(TrimControlsView(text)));
}

void CheckFileName(std::string_view text) {
  const std::string safe = SafeFileName(text);
  FUZZ_CHECK(safe.find('/') == std::string::npos);
  for (size_t i = 0; i < safe.size(); ++i) {
    const auto byte = static_cast<unsigned char>(safe[i]);
    if (IsLeadByte(byte)) {
      // Every lead byte left starts a whole character, so no later byte is misread.
      FUZZ_CHECK(i + 1 < safe.size() && IsTrailRangeByte(static_cast<unsigned char>(safe[i + 1])));
      ++i;
    } else {
      FUZZ_CHECK(std::string_view("\\/:,;*?\"<>|").find(safe[i]) == std::string_view::npos);
    }
  }
}

void CheckConversions(std::string_view text) {
  const std::string sjis = EucToSjis(text);
  FUZZ_CHECK(sjis.size() <= text.size() + 1);
  ToHalfWidth(text);
  Utf8FromSjis(text);
  StrToIntNoCommas(text, 0);
  const std::string check = Ean13CheckDigit(text);
  FUZZ_CHECK(check.empty() || (check.size() == 1 && check[0] >= '0' && check[0] <= '9'));
  const std::string isbn = Isbn10To13(StripIsbnHyphens(text));
  FUZZ_CHECK(isbn.size() != 13 || isbn.starts_with("978") || text.size() >= 13);
}

}  // namespace
}  // namespace kasumido

// Input: a pattern and a replacement (each a length byte and its bytes), then the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  fuzz::FuzzInput input(data, size);
  const std::string pattern(input.TakeShort());
  const std::string to(input.TakeShort());
  const std::string text(input.Rest());
  CheckSearching(text, pattern, to);
  CheckTrimming(text);
  CheckFileName(text);
  CheckConversions(text);
  return 0;
}
