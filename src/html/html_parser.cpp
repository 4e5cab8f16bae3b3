#include "html/html_parser.h"

#include "html/byte_scan.h"
#include "html/page_lines.h"

namespace kasumido {

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
    while (p < end) {
      const char* bracket = FindEither(p, end, '<', '>');
      const std::string_view run(p, bracket - p);
      if (bracket == end) {
        (in_tag_ ? pending_tag_ : pending_text_).append(run);
        break;
      }
      if (*bracket == '<') {
        if (in_tag_) {
          pending_tag_.append(run);  // a "<" inside a tag is dropped
        } else {
          FlushText(run);
          in_tag_ = true;
        }
      } else if (in_tag_) {
        FlushTag(run);
      } else {
        pending_text_.append(run);  // a stray ">" in text: an empty tag, the text goes on
        FlushTag({});
      }
      pacer.Advance(bracket + 1 - p);
      p = bracket + 1;
    }
    if (!in_tag_ && !pending_text_.empty()) pending_text_.push_back('\n');
    pacer.Advance(end - p + 1);
  }
  if (in_tag_ && !pending_tag_.empty()) FlushTag({});
  if (!in_tag_ && !pending_text_.empty()) FlushText({});
}

// Emits the pending text followed by `run` as one text element, when there is any.
// The pending buffer is only used for text that spans lines, so a run within one line is
// cut straight from the line.
void THTMLParser::FlushText(std::string_view run) {
  std::string_view raw = run;
  if (!pending_text_.empty()) {
    pending_text_.append(run);
    raw = pending_text_;
  }
  if (raw.empty()) return;
  auto text = std::make_unique<THTMLText>();
  text->SetText(raw, store_);
  pending_text_.clear();
  Elements.push_back(std::move(text));
}

// Emits the pending tag text followed by `run` as one tag element (possibly empty) and
// closes the tag.
void THTMLParser::FlushTag(std::string_view run) {
  std::string_view raw = run;
  if (!pending_tag_.empty()) {
    pending_tag_.append(run);
    raw = pending_tag_;
  }
  auto tag = std::make_unique<THTMLTag>();
  tag->SetText(raw, store_);
  pending_tag_.clear();
  in_tag_ = false;
  Elements.push_back(std::move(tag));
}

}  // namespace kasumido
