#include "html/html_parser.h"

#include <cstring>

#include "html/page_lines.h"

namespace kasumido {

namespace {

// Finds the next "<" and the next ">" of one line with memchr, remembering each until it
// has been passed, so every byte of the line is searched at most once per bracket.
class BracketFinder {
 public:
  BracketFinder(const char* begin, const char* end)
      : end_(end), next_open_(Find(begin, '<')), next_close_(Find(begin, '>')) {}

  // The first "<" or ">" at or after `from`, or the line's end.
  const char* Next(const char* from) {
    if (next_open_ < from) next_open_ = Find(from, '<');
    if (next_close_ < from) next_close_ = Find(from, '>');
    return next_open_ < next_close_ ? next_open_ : next_close_;
  }

 private:
  const char* Find(const char* from, char bracket) const {
    const void* found = from < end_ ? std::memchr(from, bracket, end_ - from) : nullptr;
    return found ? static_cast<const char*>(found) : end_;
  }

  const char* end_;
  const char* next_open_;
  const char* next_close_;
};

}  // namespace

bool THTMLParser::LoadLines(const std::string& path) { return LoadPageLines(path, Lines); }

void THTMLParser::Parse(const std::function<void()>& yield_to_ui) {
  YieldPacer pacer(yield_to_ui);
  Parse(pacer);
}

void THTMLParser::Parse(YieldPacer& pacer) {
  pending_text_.clear();
  pending_tag_.clear();
  in_tag_ = false;
  for (const std::string& line : Lines) {
    const char* p = line.data();
    const char* const end = p + line.size();
    BracketFinder brackets(p, end);
    while (p < end) {
      const char* bracket = brackets.Next(p);
      (in_tag_ ? pending_tag_ : pending_text_).append(p, bracket);
      if (bracket == end) break;
      if (*bracket == '<') {
        FlushText();
        in_tag_ = true;
      } else {
        FlushTag();
      }
      pacer.Advance(bracket + 1 - p);
      p = bracket + 1;
    }
    if (!in_tag_ && !pending_text_.empty()) pending_text_.push_back('\n');
    pacer.Advance(end - p + 1);
  }
  if (in_tag_ && !pending_tag_.empty()) FlushTag();
  if (!in_tag_ && !pending_text_.empty()) FlushText();
}

void THTMLParser::FlushText() {
  if (in_tag_ || pending_text_.empty()) return;
  auto text = std::make_unique<THTMLText>();
  text->SetText(pending_text_);
  pending_text_.clear();
  Elements.push_back(std::move(text));
}

void THTMLParser::FlushTag() {
  in_tag_ = false;
  auto tag = std::make_unique<THTMLTag>();
  tag->SetText(pending_tag_);
  pending_tag_.clear();
  Elements.push_back(std::move(tag));
}

}  // namespace kasumido
