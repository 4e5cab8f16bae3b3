// The analysis of one listing page: every link on it to a book's detail page is followed,
// and each detail page fetched is handed to the detail analysis, which appends the book to
// the master file.
//
// - Links are the HREF values of A tags. A value is taken only when it differs from the
//   HREF value taken last (which every differing HREF updates, detail link or not), so a
//   link repeated in consecutive A tags is followed once.
// - A detail link holds "/bk_detail.php?pcd=" or "/bk_search.php?pcd="; its single
//   quotes are removed and it is appended unchanged to the listing folder URL.
// - Each link gets up to three download attempts, the next one after the wait that a
//   busy server asked for (RunAccess::WaitBeforeRetry); a detail analysis that fails is
//   logged as "Analyze Error " and the URL, and a fixed pause follows every analysed page.
// - Stop and skip requests are looked at before each element: the link being worked on
//   is finished first.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

#include "analysis/run_access.h"

namespace kasumido {

inline constexpr int kDetailFetchAttempts = 3;
inline constexpr std::chrono::milliseconds kPauseAfterDetailPage{200};
inline constexpr std::string_view kAnalyzeErrorPrefix = "Analyze Error ";

// The listing page could not be read.
class ListingPageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Whether an HREF value leads to a book's detail page.
bool IsDetailLink(std::string_view link_value);

// Analyses the listing page in run.TempFolder() + "GetKasumido.html" (returns at once
// when there is none). `listing_folder_url` is the site origin followed by the category
// folder, ending in "/"; `category_default_code` goes to each detail analysis. The detail
// work file "GetKasumido2.html" is deleted at the end, also when an error ends the call.
// Throws ListingPageError when the listing page cannot be read; errors of single detail
// pages never leave the call.
// Pumps the event loop (tokenizing, fetches, yields, pauses): handlers may run before
// this returns.
void AnalyzeListingPage(const std::string& listing_folder_url, int category_default_code,
                        RunAccess& run);

}  // namespace kasumido
