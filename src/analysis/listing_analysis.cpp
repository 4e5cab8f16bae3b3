#include "analysis/listing_analysis.h"

#include <optional>

#include "analysis/detail_analysis.h"
#include "analysis/work_files.h"
#include "html/html_parser.h"
#include "platform/files.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

constexpr std::string_view kDetailScript = "/bk_detail.php?pcd=";
constexpr std::string_view kSearchScript = "/bk_search.php?pcd=";

// Deletes a work file when it goes out of scope, on every path.
class WorkFileRemover {
 public:
  explicit WorkFileRemover(std::string path) : path_(std::move(path)) {}
  ~WorkFileRemover() { ::unlink(path_.c_str()); }
  WorkFileRemover(const WorkFileRemover&) = delete;
  WorkFileRemover& operator=(const WorkFileRemover&) = delete;

 private:
  std::string path_;
};

// The link value of an element: the last HREF of an A tag that differs from `last_link`,
// which follows every such HREF; empty for other elements.
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

std::string WithoutSingleQuotes(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != '\'') result += c;
  }
  return result;
}

// FetchUrl, with any exception counted as nothing received.
// Pumps the event loop: button handlers and timers may run before this returns.
int FetchQuietly(RunAccess& run, const std::string& url, const std::string& file) {
  try {
    return run.FetchUrl(url, file, DocumentKind::kPage);
  } catch (...) {
    return 0;
  }
}

// Downloads and analyses the detail page of `link`, up to kDetailFetchAttempts times
// until bytes arrive. Does nothing for a link that is not a detail link.
// Pumps the event loop: button handlers and timers may run before this returns.
void FollowLink(const std::string& listing_folder_url, std::string link, int category_default_code,
                const std::string& detail_file, RunAccess& run) {
  int received = 0;
  int failures = 0;
  while (received <= 0 && failures < kDetailFetchAttempts && IsDetailLink(link)) {
    link = WithoutSingleQuotes(link);
    ::unlink(detail_file.c_str());
    const std::string url = listing_folder_url + link;
    received = FetchQuietly(run, url, detail_file);
    if (received <= 0) {
      ++failures;
      if (failures < kDetailFetchAttempts) run.WaitBeforeRetry();
    } else if (!IsFile(detail_file)) {
      ++failures;
    } else {
      try {
        AnalyzeDetailPage(listing_folder_url, link, category_default_code, run);
      } catch (...) {
        run.WriteLog(std::string(kAnalyzeErrorPrefix) + url);
      }
      run.Wait(kPauseAfterDetailPage);
    }
    run.YieldToUI();
  }
}

}  // namespace

bool IsDetailLink(std::string_view link_value) {
  return SjisContains(link_value, kSearchScript) || SjisContains(link_value, kDetailScript);
}

void AnalyzeListingPage(const std::string& listing_folder_url, int category_default_code,
                        RunAccess& run) {
  const std::string folder = run.TempFolder();
  const std::string listing = folder + std::string(kListingWorkFile);
  if (!IsFile(listing)) return;
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
    FollowLink(listing_folder_url, link, category_default_code, detail_file, run);
    run.YieldToUI();
  }
}

}  // namespace kasumido
