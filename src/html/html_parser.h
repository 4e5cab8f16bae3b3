// The tokenizer of saved pages: cuts the lines of a page into the HTML element list, a
// flat, ordered list of tags and texts. It is byte-oriented and deliberately simple; the
// page analysis relies on exactly these rules:
// - "<" ends the pending text (emitted as one text element) and opens a tag; a "<" inside
//   an open tag is dropped and the tag goes on.
// - ">" ends the tag being read and emits it, even when no tag is open: a stray ">" in
//   running text yields an empty tag, and the text around it stays pending and becomes one
//   text element after that tag. Quotes do not protect "<" or ">".
// - Comments, scripts and end tags are not special: "<!-- *MAIN -->" is a tag named "!--"
//   with the attributes "*MAIN" and "--".
// - A line end adds one LF to pending text (only when text is pending); inside a tag it
//   adds nothing, so a tag broken over two lines is joined without a separator.
// - At the end of the lines an open, non-empty tag is emitted, then any pending text.
// No character set is converted: element texts are the page's own bytes.
//
// The parser owns one element store (element_store.h) for its lines, its elements and
// their bytes: an element takes its bytes straight from the lines wherever they lie
// there in one piece, and all of it goes back to the thread's block pool at once when
// the parser is destroyed.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "html/element_list.h"
#include "html/element_store.h"
#include "html/page_lines.h"
#include "html/yield_pacer.h"

namespace kasumido {

class THTMLParser {
 public:
  THTMLParser() = default;
  THTMLParser(const THTMLParser&) = delete;
  THTMLParser& operator=(const THTMLParser&) = delete;

  // Replaces Lines with the lines of the page file at `path` (cut at CR LF, LF and CR;
  // the text ends at the first NUL). False, with Lines untouched, when the file cannot
  // be opened or read; callers retry.
  bool LoadLines(const std::string& path) { return Lines.Load(path); }

  // Tokenizes all of Lines and appends the elements to Elements (a second call appends a
  // second copy). Never fails and never stops early. When `yield_to_ui` is set it is
  // called about every 10 ms of work, never per byte, so the window stays responsive; the
  // hook must not touch this parser.
  // Pumps the event loop (through yield_to_ui): handlers may run before this returns.
  void Parse(const std::function<void()>& yield_to_ui = {});
  // The same, reporting its progress to `pacer`, which decides when to yield.
  // Pumps the event loop (through the pacer's hook): handlers may run before this returns.
  void Parse(YieldPacer& pacer);

 private:
  ElementStore store_;  // first: Lines and Elements keep their bytes in it

 public:
  PageLines Lines{store_};
  ElementList Elements{store_};

 private:
  // The bytes of the element being read: while they lie one after the other in the
  // lines, a stretch of them; once something between them is left out (a "<" or ">", or
  // a line end inside a tag), a copy.
  class PendingBytes {
   public:
    bool empty() const { return copied_ ? copy_.empty() : begin_ == end_; }
    void Append(const char* from, const char* to);
    // Where the bytes are in `store` (a copy is made there), with their size; then
    // nothing is pending. REQUIRES: the stretch lies in `lines`.
    std::pair<StoreOffset, std::size_t> Take(ElementStore& store, const PageLines& lines);
    void Clear();

   private:
    const char* begin_ = nullptr;
    const char* end_ = nullptr;
    bool copied_ = false;
    std::string copy_;
  };

  void FlushText();
  void FlushTag();

  PendingBytes pending_text_;
  PendingBytes pending_tag_;
  bool in_tag_ = false;
};

}  // namespace kasumido
