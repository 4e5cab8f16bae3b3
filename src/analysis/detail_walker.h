// The reading of one detail page: a walk over the page's HTML element list, in document
// order, with a five-state machine driven by the marker texts and image names of the
// publisher's page layout, filling one Book record.
//
// - A "*MAIN" comment or an image whose ALT is 'シリーズ' (single quotes included) opens
//   the title block. Texts met while Outside are ignored.
// - Every image source is looked up in the series table (the last series image decides),
//   rule images are counted while Outside or in the title block (after the second one,
//   title-block texts are author lines), a spacer image ends the description, and a
//   cover image (not a "_blank.gif" one) gives the cover path.
// - Each text is converted from EUC-JP, trimmed, classified by its markers (which may
//   change the state) and then used by the state: title, author, description or data.
// - Data texts go through ten rules in order (release date, five price forms, pages,
//   format, ISBN and class code, end of data); the first rule whose test matches and
//   whose field is still unset takes the text.
// The walker has no other inputs and never fails; it can be stepped one element at a
// time so that a tool can show the state after each element. A walk costs time in
// proportion to the page: appending to the description never copies what it holds.
#pragma once

#include <string>
#include <string_view>

#include "analysis/book_record.h"
#include "html/element_list.h"
#include "html/html_element.h"
#include "html/yield_pacer.h"

namespace kasumido {

enum class DetailState { kOutside, kTitleBlock, kAuthorBlock, kDescriptionBlock, kDataBlock };
std::string_view ToString(DetailState state);

class DetailWalker {
 public:
  DetailWalker() = default;
  DetailWalker(const DetailWalker&) = delete;
  DetailWalker& operator=(const DetailWalker&) = delete;

  // Applies the tag or text rules to one element.
  void Visit(const THTMLElement& element);
  // Visits every element in order.
  void Walk(const ElementList& elements);
  // The same, reporting the bytes of each element to `pacer`, which decides when to
  // yield, so that a huge page never freezes the window.
  // Pumps the event loop (through the pacer's hook): handlers may run before this returns.
  void Walk(const ElementList& elements, YieldPacer& pacer);

  DetailState State() const { return state_; }
  int RuleLineCount() const { return rule_lines_; }
  bool DescriptionStarted() const { return description_started_; }

  const BookRecord& Record() const { return record_; }
  BookRecord& Record() { return record_; }

 private:
  // Visit without Settle: the front of the description may still be pending.
  void Step(const THTMLElement& element);
  // Cuts the bytes that the trim rule has taken from the front of the description.
  void Settle();
  void VisitComment(const THTMLTag& tag);
  void VisitImage(const THTMLTag& tag);
  void VisitImageSource(std::string_view source);
  void VisitText(const THTMLText& text);
  void UseText(const std::string& t);
  void Classify(std::string_view t);

  void UseTitleText(const std::string& t);
  void UseAuthorText(const std::string& t);
  void UseDescriptionText(const std::string& t);
  void UseDataText(const std::string& t);
  bool TakePrice(std::string_view t);
  void TakeIsbn(std::string_view t);
  void AppendToDescription(std::string_view t);

  BookRecord record_;
  DetailState state_ = DetailState::kOutside;
  int rule_lines_ = 0;
  bool description_started_ = false;
  // Bytes at the front of record_.Description that the trim rule has already removed;
  // 0 whenever Visit or Walk returns.
  size_t description_front_ = 0;
};

// A page text as the rules read it: converted from EUC-JP to Shift_JIS, then TrimAll.
std::string PrepareDetailText(std::string_view page_text);

// The release date of a text that starts with "発売日：", as a day count; 0 when the text
// holds "未定" or its year, month and day form no valid date. The year is the text
// between the marker and "年", the month the text between "年" and "月", the day the text
// after "月" less its last two bytes (the closing "日"); a day of 0 or in words is the
// 15th.
int ReleaseDateIn(std::string_view t);

}  // namespace kasumido
