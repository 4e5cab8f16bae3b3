#include "analysis/detail_analysis.h"

#include "analysis/book_record.h"
#include "analysis/detail_walker.h"
#include "analysis/master_file.h"
#include "analysis/work_files.h"
#include "html/html_parser.h"
#include "platform/files.h"

namespace kasumido {
void AnalyzeDetailPage(const std::string& listing_folder_url, const std::string& link_value,
                       int category_default_code, RunAccess& run) {
  MasterFile master(run.MasterFilePath());
  const std::string page = run.TempFolder() + std::string(kDetailWorkFile);
  if (!IsFile(page)) return;

  DetailWalker walker;
  BookRecord& record = walker.Record();
  record.DetailURL = listing_folder_url + link_value;
  try {
    THTMLParser parser;
    LoadPageWithRetries(parser, page, run);
    YieldPacer pacer([&run] { run.YieldToUI(); });
    parser.Parse(pacer);
    walker.Walk(parser.Elements, pacer);
    if (FinishBookRecord(record, category_default_code, run)) {
      master.AppendLine(MasterFileLine(record));
    }
  } catch (...) {
    // The page's line is lost; the run goes on with the next page.
  }
  EchoTitle(run, record.Title);
}

bool LoadPageWithRetries(THTMLParser& parser, const std::string& path, RunAccess& run) {
  for (int attempt = 1; attempt <= kPageLoadAttempts; ++attempt) {
    if (parser.LoadLines(path)) return true;
    if (attempt < kPageLoadAttempts) run.Wait(kPageLoadRetryPause);
  }
  return false;
}

void EchoTitle(RunAccess& run, std::string_view title) {
  try {
    if (run.TitleCount() > kTitleListLimit) run.ClearTitles();
    try {
      run.AddTitle(title);
    } catch (...) {
      run.ClearTitles();
      run.AddTitle(title);
    }
  } catch (...) {
    // The title list is only an echo; losing a line of it loses nothing else.
  }
}

}  // namespace kasumido
