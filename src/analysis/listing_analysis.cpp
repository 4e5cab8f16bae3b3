#include "analysis/listing_analysis.h"

#include <optional>

#include "analysis/challenge_page.h"
#include "analysis/detail_analysis.h"
#include "analysis/failure_log.h"
#include "analysis/master_file.h"
#include "analysis/work_files.h"
#include "html/html_parser.h"
#include "kasumido/texts.h"
#include "platform/files.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

constexpr std::string_view kDetailScript = "/bk_detail.php?pcd=";
constexpr std::string_view kSearchScript = "/bk_search.php?pcd=";
// How much of a page without a book is searched for a challenge's words.
constexpr std::size_t kChallengeScanBytes = 256 * 1024;

// Deletes a work file when it goes out of scope, on every path.
class WorkFileRemover {
 public:
  explicit WorkFileRemover(std::string path) : path_(std::move(path)) {}
  ~WorkFileRemover() { RemoveFile(path_); }
  WorkFileRemover(const WorkFileRemover&) = delete;
  WorkFileRemover& operator=(const WorkFileRemover&) = delete;

 private:
  std::string path_;
};

std::string WithoutSingleQuotes(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != '\'') result += c;
  }
  return result;
}

// Whether the site's status says it is limiting us: forbidden, too many requests, busy.
bool IsLimitingStatus(int status) { return status == 403 || status == 429 || status == 503; }

// FetchUrl, with any exception counted as nothing received; `reason` becomes why nothing
// was received (the fetch's own words, else the exception's).
// Pumps the event loop: button handlers and timers may run before this returns.
int FetchQuietly(RunAccess& run, const std::string& url, const std::string& file,
                 std::string& reason) {
  try {
    const int received = run.FetchUrl(url, file, DocumentKind::kPage);
    if (received <= 0) reason = run.LastFetchFailure();
    return received;
  } catch (const std::exception& error) {
    reason = run.LastFetchFailure();
    if (reason.empty()) reason = error.what();
  } catch (...) {
    reason = "unknown error";
  }
  return 0;
}

// Analyses the fetched page in `detail_file`; a master file that cannot be opened is
// logged as "Analyze Error " and the URL, then with its reason, and leaves the book
// unwritten.
// Pumps the event loop: button handlers and timers may run before this returns.
DetailPageResult AnalyzeFetchedPage(const std::string& listing_folder_url, const std::string& link,
                                    int category_default_code, RunAccess& run) {
  const std::string url = listing_folder_url + link;
  std::string reason;
  try {
    return AnalyzeDetailPage(listing_folder_url, link, category_default_code, run);
  } catch (const MasterFileError& error) {
    reason = error.Reason();
  } catch (const std::exception& error) {
    reason = error.what();
  } catch (...) {
    reason = "unknown error";
  }
  run.WriteLog(std::string(kAnalyzeErrorPrefix) + url);
  LogFailure(run, LogLineKind::kError, url, texts::kWordMasterOpenFailed, reason);
  return {LinkOutcome::kNotWritten, reason};
}

// Keeps the detail page in `detail_file` as evidence when it gave no book, or a book
// without ISBN; a page without a book that looks like a challenge counts as the site
// limiting us.
void KeepPageGivingTooLittle(RunAccess& run, const std::string& url, const std::string& detail_file,
                             LinkResult& result) {
  if (result.outcome == LinkOutcome::kNoBook) {
    const std::optional<std::string> page = ReadWholeFile(detail_file, kChallengeScanBytes);
    if (page && LooksLikeChallengePage(*page)) ++result.limiting_answers;
    run.KeepEvidence(url, detail_file, "detail page gave no book");
  } else if (result.outcome == LinkOutcome::kWritten &&
             (result.filled_fields & FieldBit(BookField::kISBN)) == 0) {
    run.KeepEvidence(url, detail_file, "book without ISBN");
  }
}

// Downloads and analyses the detail page of `link` (a detail link), up to
// kDetailFetchAttempts times until bytes arrive, into `detail_file`.
// Pumps the event loop: button handlers and timers may run before this returns.
LinkResult FollowLink(const std::string& listing_folder_url, const std::string& link,
                      int category_default_code, const std::string& detail_file, RunAccess& run) {
  LinkResult result{WithoutSingleQuotes(link), LinkOutcome::kFetchFailed, 0, {}};
  const std::string url = listing_folder_url + result.link;
  int received = 0;
  while (received <= 0 && result.fetch_attempts < kDetailFetchAttempts) {
    RemoveFile(detail_file);
    ++result.fetch_attempts;
    received = FetchQuietly(run, url, detail_file, result.reason);
    if (received <= 0) {
      if (IsLimitingStatus(run.LastReplyStatus())) ++result.limiting_answers;
      if (result.fetch_attempts < kDetailFetchAttempts) run.WaitBeforeRetry();
    } else if (!IsFile(detail_file)) {
      result = {result.link, LinkOutcome::kNotWritten, result.fetch_attempts, "no page file"};
      LogFailure(run, LogLineKind::kError, url, texts::kWordDetailNotRead, result.reason);
    } else {
      const DetailPageResult page =
          AnalyzeFetchedPage(listing_folder_url, result.link, category_default_code, run);
      result.outcome = page.outcome;
      result.reason = page.reason;
      result.filled_fields = page.filled_fields;
      KeepPageGivingTooLittle(run, url, detail_file, result);
      run.Wait(kPauseAfterDetailPage);
    }
    run.YieldToUI();
  }
  if (received <= 0) {
    if (run.StopRequested() || run.SkipRequested()) {
      result.outcome = LinkOutcome::kInterrupted;
    } else {
      LogFailure(run, LogLineKind::kPlain, url, texts::kWordDetailFetchFailed, result.reason);
    }
  }
  return result;
}

}  // namespace

std::string TakeLink(const THTMLElement& element, std::string& last_link) {
  const std::optional<THTMLTag> tag = element.AsTag();
  if (!tag || tag->Name != "A") return {};
  std::string link;
  for (const THTMLParam& param : tag->Params) {
    if (param.Name == "HREF" && param.Value != last_link) {
      link = param.Value;
      last_link = param.Value;
    }
  }
  return link;
}

bool IsDetailLink(std::string_view link_value) {
  return SjisContains(link_value, kSearchScript) || SjisContains(link_value, kDetailScript);
}

std::vector<LinkResult> AnalyzeListingPage(const std::string& listing_folder_url,
                                           int category_default_code, RunAccess& run) {
  std::vector<LinkResult> results;
  const std::string folder = run.TempFolder();
  const std::string listing = folder + std::string(kListingWorkFile);
  if (!IsFile(listing)) return results;
  const std::string detail_file = folder + std::string(kDetailWorkFile);
  const WorkFileRemover remover(detail_file);

  THTMLParser parser;
  if (!parser.LoadLines(listing)) {
    throw ListingPageError("cannot read listing page \"" + listing + "\"");
  }
  parser.Parse([&run] { run.YieldToUI(); });
  std::string last_link;
  for (size_t i = 0; i < parser.Elements.size(); ++i) {
    if (run.StopRequested() || run.SkipRequested()) break;
    const std::string link = TakeLink(parser.Elements[i], last_link);
    if (IsDetailLink(link)) {
      results.push_back(
          FollowLink(listing_folder_url, link, category_default_code, detail_file, run));
    }
    run.YieldToUI();
  }
  return results;
}

LinkResult FollowDetailLink(const std::string& listing_folder_url, const std::string& link,
                            int category_default_code, RunAccess& run) {
  const std::string detail_file = run.TempFolder() + std::string(kDetailWorkFile);
  const WorkFileRemover remover(detail_file);
  return FollowLink(listing_folder_url, link, category_default_code, detail_file, run);
}

}  // namespace kasumido
