// A detail page (raw EUC-JP bytes) through the tokenizer, the walk and the record's
// finishing to its master-file line, without network: the walk in one go and element
// by element give the same record, the line is one line, and a cover file name is a
// plain name in the temporary folder.
#include <string>

#include "analysis/book_record.h"
#include "analysis/detail_walker.h"
#include "fuzz_input.h"
#include "html/html_parser.h"
#include "html/page_lines.h"
#include "inspect/no_fetch_run.h"

namespace kasumido {
namespace {

bool SameRecord(const BookRecord& a, const BookRecord& b) {
  return a.ISBN == b.ISBN && a.Title == b.Title && a.Author == b.Author && a.Series == b.Series &&
         a.Price == b.Price && a.ClassCode == b.ClassCode && a.ReleaseDate == b.ReleaseDate &&
         a.Pages == b.Pages && a.Format == b.Format && a.Description == b.Description &&
         a.CoverImagePath == b.CoverImagePath;
}

}  // namespace
}  // namespace kasumido

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  THTMLParser parser;
  parser.Lines.AssignPage(std::string_view(reinterpret_cast<const char*>(data), size));
  parser.Parse();
  DetailWalker walked;
  walked.Walk(parser.Elements);
  DetailWalker stepped;
  for (const THTMLElement element : parser.Elements) stepped.Visit(element);
  FUZZ_CHECK(SameRecord(walked.Record(), stepped.Record()));

  BookRecord& record = walked.Record();
  record.DetailURL = "http://127.0.0.1:8080/bunko/detail/bk_detail.php?pcd=1";
  // Every fetch fails: the cover is named but never downloaded.
  inspect::NoFetchRun run("/nonexistent-temp/", "http://127.0.0.1:8080");
  if (!FinishBookRecord(record, 193, run)) return 0;
  const std::string line = MasterFileLine(record);
  FUZZ_CHECK(line.ends_with("\r\n"));
  FUZZ_CHECK(line.find_first_of("\r\n") == line.size() - 2);
  if (!run.File().empty()) {
    const std::string name = run.File().substr(run.TempFolder().size());
    FUZZ_CHECK(run.File().starts_with(run.TempFolder()));
    FUZZ_CHECK(name.find('/') == std::string::npos);
    FUZZ_CHECK(!name.empty() && name != "." && name != "..");
  }
  return 0;
}
