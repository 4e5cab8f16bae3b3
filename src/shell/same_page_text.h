// The edited-page check: whether a freshly fetched listing page counts as unchanged
// against its saved copy. Only the tag-free lines of the fresh page take part: lines are
// paired by position, a fresh line holding "<" or ">" is passed over, and every other
// fresh line must equal its partner byte for byte. A page that goes on past the other's
// end counts as changed (a page saved cut short never hides the books after the cut);
// after 10000 line pairs nothing more is compared. Lines are cut as the page loader cuts
// them (page_line_reader.h).
#pragma once

#include <string>

#include "platform/event_loop.h"

namespace kasumido {

inline constexpr int kMaxComparedLinePairs = 10000;

// Pumps the event loop: a file that exists but cannot be opened is tried again after a
// one-minute wait (ResetWithRetry with one retry), during which handlers run.
// Answers true when the fresh page counts as unchanged. False when either file is
// missing or cannot be opened, when a compared line differs, when one file has lines
// left after the other's last one (within the first 10000 pairs), or on a read error.
bool SamePageText(EventLoop& loop, const std::string& fresh_file, const std::string& old_file);

}  // namespace kasumido
