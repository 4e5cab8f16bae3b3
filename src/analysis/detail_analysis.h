// The analysis of one downloaded detail page: the master file is opened, the page in the
// detail work file is tokenized and walked (detail_walker.h), the Book record is finished
// and appended as one line, and the title is echoed in the window's title list.
//
// Only a master file that cannot be opened reaches the caller. Everything else is
// answered: a page that cannot be read gives an empty walk, and an error while parsing,
// walking, finishing or writing leaves the book unwritten (never the run), with an error
// line in the log naming the page and the reason. A cover that cannot be saved never
// loses the line (book_record.h).
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "analysis/link_result.h"
#include "analysis/run_access.h"

namespace kasumido {

class THTMLParser;

// The title list is cleared before a line is added when it holds more than this.
inline constexpr size_t kTitleListLimit = 100;
// Attempts at reading the detail work file, and the pause between two of them.
inline constexpr int kPageLoadAttempts = 3;
inline constexpr std::chrono::milliseconds kPageLoadRetryPause{2000};

// What the analysis of one page did: kWritten with the book's filled fields, kNoBook, or
// kNotWritten with the reason.
struct DetailPageResult {
  LinkOutcome outcome = LinkOutcome::kNoBook;
  std::string reason;
  BookFieldSet filled_fields = 0;
};

// Analyses the page in run.TempFolder() + "GetKasumido2.html", fetched from
// `listing_folder_url` followed by `link_value` (which together make the record's
// DetailURL); `category_default_code` is the class code of a book whose page names none.
// Opens the master file first (creating it when missing) and closes it on every path;
// when the page file does not exist nothing else happens (kNotWritten). A page that
// cannot be read, or a line that cannot be finished or appended, is kNotWritten and logged
// as an error line; a page without a title is kNoBook.
// Throws MasterFileError when the master file cannot be opened.
// Pumps the event loop (tokenizing, the walk, cover fetch, retry pauses): handlers may run before
// this returns.
DetailPageResult AnalyzeDetailPage(const std::string& listing_folder_url,
                                   const std::string& link_value, int category_default_code,
                                   RunAccess& run);

// Reads the page file at `path` into parser.Lines, up to kPageLoadAttempts times with a
// pause of kPageLoadRetryPause between two attempts. False, with Lines untouched, when
// every attempt fails.
// Pumps the event loop (pauses): handlers may run before this returns.
bool LoadPageWithRetries(THTMLParser& parser, const std::string& path, RunAccess& run);

// Adds `title` to the run's title list, clearing the list first when it holds more than
// kTitleListLimit lines, and clearing it and adding once more when adding fails. Never
// throws.
void EchoTitle(RunAccess& run, std::string_view title);

}  // namespace kasumido
