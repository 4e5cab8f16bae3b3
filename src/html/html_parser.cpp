#include "html/html_parser.h"

#include "html/byte_scan.h"

namespace kasumido {

void THTMLParser::Parse(const std::function<void()>& yield_to_ui) {
  YieldPacer pacer(yield_to_ui);
  Parse(pacer);
}

void THTMLParser::Parse(YieldPacer& pacer) {
  pending_text_.Clear();
  pending_tag_.Clear();
  in_tag_ = false;
  const char* const page = Lines.empty() ? nullptr : Lines.Bytes();
  for (size_t line = 0; line < Lines.size(); ++line) {
    const char* p = page + Lines.Start(line);
    const char* const end = page + Lines.Start(line + 1) - 1;  // its LF
    while (p < end) {
      const char* bracket = FindEither(p, end, '<', '>');
      if (bracket == end) {
        (in_tag_ ? pending_tag_ : pending_text_).Append(p, end);
        break;
      }
      if (*bracket == '<') {
        if (in_tag_) {
          pending_tag_.Append(p, bracket);  // a "<" inside a tag is dropped
        } else {
          pending_text_.Append(p, bracket);
          FlushText();
          in_tag_ = true;
        }
      } else if (in_tag_) {
        pending_tag_.Append(p, bracket);
        FlushTag();
      } else {
        pending_text_.Append(p, bracket);  // a stray ">" in text: an empty tag, the text goes on
        FlushTag();
      }
      pacer.Advance(bracket + 1 - p);
      p = bracket + 1;
    }
    if (!in_tag_ && !pending_text_.empty()) pending_text_.Append(end, end + 1);
    pacer.Advance(end - p + 1);
  }
  if (in_tag_ && !pending_tag_.empty()) FlushTag();
  if (!in_tag_ && !pending_text_.empty()) FlushText();
}

// Emits the pending text as one text element, when there is any.
void THTMLParser::FlushText() {
  if (pending_text_.empty()) return;
  const auto [raw, size] = pending_text_.Take(store_, Lines);
  Elements.Append(StoreText(store_, raw, size));
}

// Emits the pending tag text as one tag element (possibly empty) and closes the tag.
void THTMLParser::FlushTag() {
  const auto [raw, size] = pending_tag_.Take(store_, Lines);
  in_tag_ = false;
  Elements.Append(StoreTag(store_, raw, size));
}

void THTMLParser::PendingBytes::Append(const char* from, const char* to) {
  if (from == to) return;
  if (!copied_) {
    if (begin_ == end_) {
      begin_ = from;
      end_ = to;
      return;
    }
    if (from == end_) {
      end_ = to;
      return;
    }
    copy_.assign(begin_, end_);
    copied_ = true;
  }
  copy_.append(from, to);
}

std::pair<StoreOffset, std::size_t> THTMLParser::PendingBytes::Take(ElementStore& store,
                                                                    const PageLines& lines) {
  std::pair<StoreOffset, std::size_t> taken;
  if (copied_) {
    taken = {store.Copy(copy_), copy_.size()};
  } else if (begin_ == end_) {
    taken = {0, 0};  // an empty piece is never read
  } else {
    taken = {static_cast<StoreOffset>(lines.BytesOffset() + (begin_ - lines.Bytes())),
             static_cast<std::size_t>(end_ - begin_)};
  }
  Clear();
  return taken;
}

void THTMLParser::PendingBytes::Clear() {
  begin_ = end_ = nullptr;
  copied_ = false;
  copy_.clear();
}

}  // namespace kasumido
