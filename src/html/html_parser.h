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
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "html/element_store.h"
#include "html/html_element.h"
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
  bool LoadLines(const std::string& path);

  // Tokenizes all of Lines and appends the elements to Elements (a second call appends a
  // second copy). Never fails and never stops early. When `yield_to_ui` is set it is
  // called about every 10 ms of work, never per byte, so the window stays responsive; the
  // hook must not touch this parser.
  // Pumps the event loop (through yield_to_ui): handlers may run before this returns.
  void Parse(const std::function<void()>& yield_to_ui = {});
  // The same, reporting its progress to `pacer`, which decides when to yield.
  // Pumps the event loop (through the pacer's hook): handlers may run before this returns.
  void Parse(YieldPacer& pacer);

  std::vector<std::string> Lines;
  std::vector<std::unique_ptr<THTMLElement>> Elements;

 private:
  // The bytes and attribute lists of every element; released with the parser.
  ElementStore store_;
  void FlushText(std::string_view run);
  void FlushTag(std::string_view run);

  std::string pending_text_;
  std::string pending_tag_;
  bool in_tag_ = false;
};

}  // namespace kasumido
