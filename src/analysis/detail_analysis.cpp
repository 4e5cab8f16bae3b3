#include "analysis/detail_analysis.h"

#include "analysis/book_fields.h"
#include "analysis/book_record.h"
#include "analysis/detail_walker.h"
#include "analysis/failure_log.h"
#include "analysis/master_file.h"
#include "analysis/work_files.h"
#include "html/html_parser.h"
#include "kasumido/texts.h"
#include "platform/files.h"

namespace kasumido {
namespace {

// Walks the page in `parser` into `record` and appends its line. Throws what the walk or
// the master file throws (MasterFileError for a failed append).
// Pumps the event loop: handlers may run before this returns.
DetailPageResult WalkAndAppend(THTMLParser& parser, DetailWalker& walker, int category_default_code,
                               MasterFile& master, RunAccess& run) {
  YieldPacer pacer([&run] { run.YieldToUI(); });
  parser.Parse(pacer);
  walker.Walk(parser.Elements, pacer);
  BookRecord& record = walker.Record();
  const bool class_code_on_page = record.ClassCode != 0;
  if (!FinishBookRecord(record, category_default_code, run)) return {LinkOutcome::kNoBook, {}, 0};
  master.AppendLine(MasterFileLine(record));
  return {LinkOutcome::kWritten, {}, FilledFields(record, class_code_on_page)};
}

DetailPageResult NotWritten(RunAccess& run, const std::string& url, std::string_view word,
                            std::string reason) {
  LogFailure(run, LogLineKind::kError, url, word, reason);
  return {LinkOutcome::kNotWritten, std::move(reason)};
}

}  // namespace

DetailPageResult AnalyzeDetailPage(const std::string& listing_folder_url,
                                   const std::string& link_value, int category_default_code,
                                   RunAccess& run) {
  MasterFile master(run.MasterFilePath());
  const std::string url = listing_folder_url + link_value;
  const std::string page = run.TempFolder() + std::string(kDetailWorkFile);
  if (!IsFile(page)) return NotWritten(run, url, texts::kWordDetailNotRead, "no page file");

  DetailWalker walker;
  walker.Record().DetailURL = url;
  DetailPageResult result;
  try {
    THTMLParser parser;
    if (LoadPageWithRetries(parser, page, run)) {
      result = WalkAndAppend(parser, walker, category_default_code, master, run);
    } else {
      result = NotWritten(run, url, texts::kWordDetailNotRead, "the page file cannot be read");
    }
  } catch (const MasterFileError& error) {
    result = NotWritten(run, url, texts::kWordMasterAppendFailed, error.Reason());
  } catch (const std::exception& error) {
    result = NotWritten(run, url, texts::kWordDetailNotRead, error.what());
  } catch (...) {
    result = NotWritten(run, url, texts::kWordDetailNotRead, "unknown error");
  }
  EchoTitle(run, walker.Record().Title);
  return result;
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
