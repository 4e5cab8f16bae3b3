#include "analysis/detail_walker.h"

#include <array>
#include <optional>

#include "analysis/series_table.h"
#include "kasumido/texts.h"
#include "text/euc.h"
#include "text/numbers.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

// Image names of the page layout (compared with the raw SRC value).
constexpr std::string_view kRuleImage = "ma_line2-330.gif";
constexpr std::string_view kSpacerImage = "/image/spacer.gif";
constexpr std::string_view kCoverImage = "/cover_";
constexpr std::string_view kBlankCover = "_blank.gif";

constexpr std::string_view kIsbnWord = "ISBN";
constexpr std::string_view kIsbnMarker = "ISBN ";
constexpr std::string_view kClassCodeMarker = "C";
constexpr size_t kClassCodeDigits = 4;
// The first "円" of a price text lies beyond this 1-based position.
constexpr size_t kPriceYenAfter = 5;
constexpr int kDayInWords = 15;

// The price forms, in the order tried; `trimmed` forms have their number trimmed and
// cleared of tabs before it is read.
struct PriceForm {
  std::string_view marker;
  bool trimmed;
};
constexpr std::array<PriceForm, 5> kPriceForms = {{
    {texts::kMarkerPriceTaxProvisional, true},
    {texts::kMarkerPriceTaxTabbed, true},
    {texts::kMarkerPriceBaseProvisional, false},
    {texts::kMarkerPriceTax, true},
    {texts::kMarkerPriceBase, false},
}};

// The `count` bytes of `text` from 0-based `start`; empty when count is not positive or
// start lies beyond the text, shorter when the text ends first.
std::string_view Piece(std::string_view text, size_t start, std::ptrdiff_t count) {
  if (count <= 0 || start >= text.size()) return {};
  return text.substr(start, static_cast<size_t>(count));
}

std::ptrdiff_t Distance(size_t from, size_t to) {
  return static_cast<std::ptrdiff_t>(to) - static_cast<std::ptrdiff_t>(from);
}

// A piece of text read as a decimal integer (optional sign, digits only); 0 otherwise.
int DecimalOrZero(std::string_view piece) {
  if (piece.find(',') != std::string_view::npos) return 0;
  return StrToIntNoCommas(piece, 0);
}

// The bytes an element brings to the walk: its text, or its tag name and parameters.
size_t ElementBytes(const THTMLElement& element) {
  if (const std::optional<THTMLText> text = element.AsText()) return text->Text.size();
  const THTMLTag tag = *element.AsTag();
  size_t bytes = tag.Name.size();
  for (const THTMLParam& param : tag.Params) bytes += param.Name.size() + param.Value.size();
  return bytes;
}

std::string WithoutTabs(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != '\t') result += c;
  }
  return result;
}

}  // namespace

std::string_view ToString(DetailState state) {
  switch (state) {
    case DetailState::kOutside:
      return "Outside";
    case DetailState::kTitleBlock:
      return "TitleBlock";
    case DetailState::kAuthorBlock:
      return "AuthorBlock";
    case DetailState::kDescriptionBlock:
      return "DescriptionBlock";
    case DetailState::kDataBlock:
      return "DataBlock";
  }
  return "?";
}

std::string PrepareDetailText(std::string_view page_text) { return TrimAll(EucToSjis(page_text)); }

int ReleaseDateIn(std::string_view t) {
  if (SjisContains(t, texts::kMarkerUndecided)) return 0;
  const size_t year_at = SjisFind(t, texts::kMarkerYear);
  const size_t month_at = SjisFind(t, texts::kMarkerMonth);
  if (year_at == std::string_view::npos || month_at == std::string_view::npos) return 0;
  const size_t year_from = texts::kMarkerReleaseDate.size();
  const size_t month_from = year_at + texts::kMarkerYear.size();
  const size_t day_from = month_at + texts::kMarkerMonth.size();
  const int year = DecimalOrZero(Piece(t, year_from, Distance(year_from, year_at)));
  const int month = DecimalOrZero(Piece(t, month_from, Distance(month_from, month_at)));
  // Everything after "月" but its last two bytes, the closing "日".
  int day = DecimalOrZero(Piece(t, day_from, Distance(day_from, t.size()) - 2));
  if (day == 0) day = kDayInWords;
  return DayCountOf(year, month, day).value_or(0);
}

void DetailWalker::Walk(const ElementList& elements) {
  for (const THTMLElement element : elements) Step(element);
  Settle();
}

void DetailWalker::Walk(const ElementList& elements, YieldPacer& pacer) {
  for (const THTMLElement element : elements) {
    Step(element);
    pacer.Advance(ElementBytes(element));
  }
  Settle();
}

void DetailWalker::Visit(const THTMLElement& element) {
  Step(element);
  Settle();
}

void DetailWalker::Settle() {
  record_.Description.erase(0, description_front_);
  description_front_ = 0;
}

void DetailWalker::Step(const THTMLElement& element) {
  if (const std::optional<THTMLText> text = element.AsText()) {
    VisitText(*text);
    return;
  }
  const THTMLTag tag = *element.AsTag();
  if (tag.Params.empty()) return;
  if (tag.Name == "!--") {
    VisitComment(tag);
  } else if (tag.Name == "IMG") {
    VisitImage(tag);
  }
}

void DetailWalker::VisitComment(const THTMLTag& tag) {
  for (const THTMLParam& param : tag.Params) {
    if (param.Name == "*MAIN") state_ = DetailState::kTitleBlock;
  }
}

void DetailWalker::VisitImage(const THTMLTag& tag) {
  for (const THTMLParam& param : tag.Params) {
    if (param.Name == "ALT" && EucToSjis(param.Value) == texts::kMarkerSeriesAlt) {
      state_ = DetailState::kTitleBlock;
    } else if (param.Name == "SRC") {
      if (const auto label = LookupSeries(param.Value)) record_.Series = *label;
    }
  }
  for (const THTMLParam& param : tag.Params) {
    if (param.Name == "SRC") VisitImageSource(param.Value);
  }
}

void DetailWalker::VisitImageSource(std::string_view source) {
  if (SjisContains(source, kRuleImage) &&
      (state_ == DetailState::kOutside || state_ == DetailState::kTitleBlock)) {
    ++rule_lines_;
  } else if (SjisContains(source, kSpacerImage) && state_ == DetailState::kDescriptionBlock) {
    state_ = DetailState::kDataBlock;
  } else if (SjisContains(source, kCoverImage) && !SjisContains(source, kBlankCover)) {
    record_.CoverImagePath = source;
  }
}

void DetailWalker::VisitText(const THTMLText& text) {
  if (state_ == DetailState::kOutside) return;
  const std::string t = PrepareDetailText(text.Text);
  if (t.empty()) return;
  Classify(t);
  UseText(t);
}

void DetailWalker::Classify(std::string_view t) {
  if (t == texts::kMarkerContents || SjisContains(t, texts::kMarkerApology)) {
    state_ = DetailState::kDescriptionBlock;
    description_started_ = true;
  } else if (StartsWith(t, texts::kMarkerReleaseDate) ||
             SjisContains(t, texts::kMarkerButtonNote)) {
    state_ = DetailState::kDataBlock;
  } else if (SjisContains(t, texts::kMarkerAuthor)) {
    state_ = DetailState::kAuthorBlock;
  } else if (SjisContains(t, texts::kMarkerPrice) &&
             SjisFind(t, texts::kMarkerYen) != std::string_view::npos &&
             SjisFind(t, texts::kMarkerYen) + 1 > kPriceYenAfter) {
    state_ = DetailState::kDataBlock;
  } else if (SjisContains(t, kIsbnWord)) {
    state_ = DetailState::kDataBlock;
  }
}

void DetailWalker::UseText(const std::string& t) {
  switch (state_) {
    case DetailState::kTitleBlock:
      if (rule_lines_ == 2) {
        UseAuthorText(t);
      } else {
        UseTitleText(t);
      }
      break;
    case DetailState::kAuthorBlock:
      UseAuthorText(t);
      break;
    case DetailState::kDescriptionBlock:
      UseDescriptionText(t);
      break;
    case DetailState::kDataBlock:
      UseDataText(t);
      break;
    case DetailState::kOutside:
      break;  // classifying never leads here
  }
}

// The rule: Description := TrimAll(Description) + "　" + t. TrimAll only cuts bytes at the
// two ends, so its result is a piece of the held text: the end is cut in place and the
// front is only remembered (description_front_), so no append copies the description.
// The front is cut for real once it holds more than half of the bytes, or by Settle.
void DetailWalker::AppendToDescription(std::string_view t) {
  std::string& description = record_.Description;
  const std::string_view held = std::string_view(description).substr(description_front_);
  const std::string_view kept = TrimAllView(held);
  description_front_ += static_cast<size_t>(kept.data() - held.data());
  description.resize(description_front_ + kept.size());
  if (description_front_ > description.size() / 2) Settle();
  description += texts::kFullWidthSpace;
  description += t;
}

void DetailWalker::UseTitleText(const std::string& t) {
  if (record_.Title.empty()) {
    record_.Title = t;
  } else {
    AppendToDescription(t);
  }
}

void DetailWalker::UseAuthorText(const std::string& t) {
  if (SjisContains(t, texts::kMarkerAuthor)) return;
  if (record_.Author.empty()) {
    record_.Author = t;
  } else if (!description_started_) {
    if (!SjisContains(t, texts::kFullWidthColon)) record_.Author += '/';
    record_.Author += t;
  }
}

void DetailWalker::UseDescriptionText(const std::string& t) {
  if (t != texts::kMarkerContents) AppendToDescription(t);
}

// The data rules, in order: the first whose test matches while its field is unset takes
// the text; a text whose field is already set goes on to the following rules.
void DetailWalker::UseDataText(const std::string& t) {
  if (StartsWith(t, texts::kMarkerReleaseDate) && record_.ReleaseDate == 0) {
    record_.ReleaseDate = ReleaseDateIn(t);
    return;
  }
  if (record_.Price == 0 && TakePrice(t)) return;
  const size_t pages_at = SjisFind(t, texts::kMarkerPages);
  if (pages_at != std::string_view::npos && record_.Pages == 0) {
    record_.Pages = StrToIntNoCommas(std::string_view(t).substr(0, pages_at), 0);
    return;
  }
  if (SjisContains(t, texts::kMarkerFormat) && record_.Format.empty()) {
    record_.Format = t;
    return;
  }
  if (SjisContains(t, kIsbnMarker) && record_.ISBN.empty()) {
    TakeIsbn(t);
    return;
  }
  if (SjisContains(t, texts::kMarkerEndRegion) || SjisContains(t, texts::kMarkerEndBack)) {
    state_ = DetailState::kOutside;
  }
}

bool DetailWalker::TakePrice(std::string_view t) {
  for (const PriceForm& form : kPriceForms) {
    if (!StartsWith(t, form.marker)) continue;
    const size_t from = form.marker.size();
    const size_t yen_at = SjisFind(t, texts::kMarkerYen);
    const std::string_view number = yen_at == std::string_view::npos
                                        ? std::string_view()
                                        : Piece(t, from, Distance(from, yen_at));
    record_.Price = form.trimmed ? StrToIntNoCommas(WithoutTabs(TrimControlsView(number)), 0)
                                 : StrToIntNoCommas(number, 0);
    return true;
  }
  return false;
}

void DetailWalker::TakeIsbn(std::string_view t) {
  const size_t from = SjisFind(t, kIsbnMarker) + kIsbnMarker.size();
  const size_t code_at = SjisFind(t, kClassCodeMarker, from);
  if (code_at == std::string_view::npos) {
    record_.ISBN.clear();
    record_.ClassCode = 0;
    return;
  }
  // The ISBN ends one byte before the "C" (the blank that separates them).
  record_.ISBN = Piece(t, from, Distance(from, code_at) - 1);
  record_.ClassCode = DecimalOrZero(Piece(t, code_at + 1, kClassCodeDigits));
}

}  // namespace kasumido
