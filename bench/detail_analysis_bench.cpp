// The analysis of one detail page without its I/O: the page bytes cut into lines and
// tokenized, every text converted and walked by the detail walker, the record finished
// (with a run that fetches nothing, so the cover is only named) and its master-file line
// composed. Pages: the sample detail page (samples/pages/detail.html, ~3 KB) and the
// same page inside the site's full navigation (~16 KB), as the site serves it. Reported
// as pages per second (items_per_second); take the median of the repetitions.
//
//   detail_analysis_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "analysis/book_record.h"
#include "analysis/detail_walker.h"
#include "html/html_parser.h"
#include "html/page_lines.h"
#include "inspect/no_fetch_run.h"
#include "support/encoding.h"

namespace {

using namespace kasumido;

const std::string& SamplePage() {
  static const std::string page = [] {
    std::ifstream in(std::string(KASUMIDO_SOURCE_DIR) + "/samples/pages/detail.html",
                     std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (bytes.str().empty()) std::abort();
    return bytes.str();
  }();
  return page;
}

// The sample page with the site's navigation in front of the book: category menus,
// news and ranking lists, as the real pages carry before the "*MAIN" marker.
const std::string& NavigationPage() {
  static const std::string page = [] {
    std::string navigation;
    for (int i = 0; i < 60; ++i) {
      const std::string n = std::to_string(i);
      navigation +=
          "<tr><td class=\"menu\"><img src=\"/image/arrow.gif\" width=\"8\">"
          "<a href=\"/bunko/bk_detail.php?pcd=" +
          n + "\">新刊案内 第" + n +
          "号</a>&nbsp;<span class=\"small\">霞堂文庫・霞堂ランナー文庫・"
          "ワイバーンブックの最新情報</span></td></tr>\n";
    }
    const std::string& sample = SamplePage();
    const size_t main_at = sample.find("<!-- *MAIN -->");
    if (main_at == std::string::npos) std::abort();
    return sample.substr(0, main_at) + kasumido::test::Euc(navigation) + sample.substr(main_at);
  }();
  return page;
}

// Everything but the I/O: lines, tokens, walk, finishing and the line.
std::string AnalyzeInMemory(const std::string& page_bytes, RunAccess& run) {
  THTMLParser parser;
  parser.Lines = SplitPageLines(page_bytes);
  parser.Parse();
  DetailWalker walker;
  walker.Record().DetailURL = "http://127.0.0.1:8080/bunko/detail/bk_detail.php?pcd=3001";
  walker.Walk(parser.Elements);
  BookRecord& record = walker.Record();
  if (!FinishBookRecord(record, 193, run)) std::abort();
  return MasterFileLine(record);
}

void Run(benchmark::State& state, const std::string& page) {
  inspect::NoFetchRun run("/tmp/", "http://127.0.0.1:8080");
  for (auto _ : state) {
    std::string line = AnalyzeInMemory(page, run);
    benchmark::DoNotOptimize(line);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

void BM_DetailAnalysis_SamplePage(benchmark::State& state) { Run(state, SamplePage()); }
void BM_DetailAnalysis_WithNavigation(benchmark::State& state) { Run(state, NavigationPage()); }

// The walk, finishing and line alone, on a page tokenized once.
void BM_DetailWalkAndLine_SamplePage(benchmark::State& state) {
  inspect::NoFetchRun run("/tmp/", "http://127.0.0.1:8080");
  THTMLParser parser;
  parser.Lines = SplitPageLines(SamplePage());
  parser.Parse();
  for (auto _ : state) {
    DetailWalker walker;
    walker.Walk(parser.Elements);
    FinishBookRecord(walker.Record(), 193, run);
    std::string line = MasterFileLine(walker.Record());
    benchmark::DoNotOptimize(line);
  }
  state.SetItemsProcessed(state.iterations());
}

// The sample page grown to `bytes` bytes by a description of many short texts, each of
// which the walk appends to the description: the case that was quadratic while every
// append copied and re-trimmed the whole description. Pages per second should fall only
// in proportion to the size.
std::string LongDescriptionPage(size_t bytes) {
  const std::string& sample = SamplePage();
  const std::string marker = kasumido::test::Euc("[ 内容 ]");
  const size_t at = sample.find(marker);
  if (at == std::string::npos) std::abort();
  const std::string piece = "<br>" + kasumido::test::Euc("港町の古い図書館に眠る星の地図。");
  std::string description;
  while (sample.size() + description.size() < bytes) description += piece;
  return sample.substr(0, at + marker.size()) + description + sample.substr(at + marker.size());
}

// Tokenizing, walk, finishing and line of one long page.
void BM_DetailAnalysis_LongDescription(benchmark::State& state) {
  Run(state, LongDescriptionPage(static_cast<size_t>(state.range(0))));
}

// The walk alone, on the long page tokenized once.
void BM_DetailWalk_LongDescription(benchmark::State& state) {
  THTMLParser parser;
  parser.Lines = SplitPageLines(LongDescriptionPage(static_cast<size_t>(state.range(0))));
  parser.Parse();
  for (auto _ : state) {
    DetailWalker walker;
    walker.Walk(parser.Elements);
    benchmark::DoNotOptimize(walker.Record().Description.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_DetailAnalysis_SamplePage);
BENCHMARK(BM_DetailAnalysis_WithNavigation);
BENCHMARK(BM_DetailWalkAndLine_SamplePage);
BENCHMARK(BM_DetailAnalysis_LongDescription)
    ->Arg(64 << 10)
    ->Arg(640 << 10)
    ->Arg(6400 << 10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetailWalk_LongDescription)
    ->Arg(64 << 10)
    ->Arg(640 << 10)
    ->Arg(6400 << 10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
