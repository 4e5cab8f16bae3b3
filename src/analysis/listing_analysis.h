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
//   busy server asked for (RunAccess::WaitBeforeRetry); a link whose page never arrived
//   is logged with its URL and the last attempt's reason (unless a stop or skip came
//   meanwhile); a master file that cannot be opened is logged as "Analyze Error " and the
//   URL, then with the reason; a fixed pause follows every analysed page.
// - Each link followed gets a LinkResult, so the run knows which books are still missing.
// - Stop and skip requests are looked at before each element: the link being worked on
//   is finished first.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/link_result.h"
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

class THTMLElement;

// The link value of an element: the last HREF of an A tag that differs from `last_link`,
// which follows every such HREF; empty for other elements.
std::string TakeLink(const THTMLElement& element, std::string& last_link);

// Whether an HREF value leads to a book's detail page.
bool IsDetailLink(std::string_view link_value);

// Analyses the listing page in run.TempFolder() + "GetKasumido.html" (returns at once
// when there is none). `listing_folder_url` is the site origin followed by the category
// folder, ending in "/"; `category_default_code` goes to each detail analysis. The detail
// work file "GetKasumido2.html" is deleted at the end, also when an error ends the call.
// Answers one result per detail link followed, in page order (none for the links left
// after a stop or skip).
// Throws ListingPageError when the listing page cannot be read; errors of single detail
// pages never leave the call.
// Pumps the event loop (tokenizing, fetches, yields, pauses): handlers may run before
// this returns.
std::vector<LinkResult> AnalyzeListingPage(const std::string& listing_folder_url,
                                           int category_default_code, RunAccess& run);

// Follows one detail link (`link` as found on a listing page of `listing_folder_url`) as
// the listing analysis follows each link, whatever the stop and skip requests say, and
// deletes the detail work file afterwards.
// Pumps the event loop: handlers may run before this returns.
LinkResult FollowDetailLink(const std::string& listing_folder_url, const std::string& link,
                            int category_default_code, RunAccess& run);

}  // namespace kasumido
