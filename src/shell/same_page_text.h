// The edited-page check: whether a freshly fetched listing page counts as unchanged
// against its saved copy. Only the tag-free lines of the fresh page take part: lines are
// paired by position, a fresh line holding "<" or ">" is passed over, and every other
// fresh line must equal its partner byte for byte. Comparison stops at the end of the
// shorter file (so files of different length can count as the same) and after 10000 line
// pairs. Lines are cut as the page loader cuts them (page_line_reader.h).
#pragma once

#include <string>

#include "platform/event_loop.h"

namespace kasumido {

inline constexpr int kMaxComparedLinePairs = 10000;

// Pumps the event loop: a file that exists but cannot be opened is tried again after a
// one-minute wait (ResetWithRetry with one retry), during which handlers run.
// Answers true when the fresh page counts as unchanged. False when either file is
// missing or cannot be opened, when a compared line differs, or on a read error.
bool SamePageText(EventLoop& loop, const std::string& fresh_file, const std::string& old_file);

}  // namespace kasumido
