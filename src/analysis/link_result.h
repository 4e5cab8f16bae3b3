// What became of one detail link that the run followed: the book written, a page that
// holds no book, or a book that is still missing, and why. The listing analysis answers
// one result per link it follows; the download plan keeps the links of missing books for
// the next runs and counts them per step.
#pragma once

#include <string>

#include "analysis/book_fields.h"

namespace kasumido {

enum class LinkOutcome {
  kWritten,      // the book's line was appended to the master file
  kNoBook,       // the page was fetched and read but names no title: nothing to write
  kFetchFailed,  // no attempt brought the page: the site failed
  kNotWritten,   // the page arrived but its line was not added: this machine failed (the
                 // page could not be read back, the master file opened or appended to)
  kInterrupted,  // no attempt brought the page, and a stop or skip came meanwhile
};

struct LinkResult {
  std::string link;  // the link value as followed (single quotes removed)
  LinkOutcome outcome = LinkOutcome::kFetchFailed;
  int fetch_attempts = 0;          // downloads tried, each with the request spacing
  std::string reason;              // why the book is missing, in plain words; empty otherwise
  BookFieldSet filled_fields = 0;  // of the book written (kWritten only)
  // Answers of the site that suggest it is limiting us: each attempt answered 403, 429 or
  // 503, and a page that arrived but looks like a challenge instead of a book.
  int limiting_answers = 0;
};

// True when the link's book has not been written and is to be tried again.
inline bool BookMissing(LinkOutcome outcome) {
  return outcome == LinkOutcome::kFetchFailed || outcome == LinkOutcome::kNotWritten ||
         outcome == LinkOutcome::kInterrupted;
}

}  // namespace kasumido
