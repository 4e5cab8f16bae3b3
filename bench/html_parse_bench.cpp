// The tokenizer on realistic EUC-JP pages of the publisher's site (a page-sized one of
// ~60 KB and a large one of ~8 MB), as the analysis uses it: split into lines, Parse, and
// EucToSjis of every text element. For scale, the same bytes through libxml2's HTML parser,
// building a tree (htmlReadMemory) and in SAX mode with empty handlers.
//
//   html_parse_bench [benchmark flags]   the throughput figures (MB/s), on a warm heap
//   html_parse_bench --cold-heap [flags] the same with the C library's default heap
//                                        trimming: freed memory goes back to the kernel
//                                        and every run pays the page faults again
//   html_parse_bench --peak-rss          peak resident memory of tokenizing the 8 MB page,
//                                        measured in a fresh process
//   html_parse_bench --write-page PATH   writes the page-sized sample page (for inspection)
#include <iconv.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "support/encoding.h"

#include "html/html_parser.h"
#include "html/page_lines.h"
#include "text/euc.h"

namespace {

using kasumido::EucToSjis;
using kasumido::THTMLParser;

constexpr size_t kPageSize = 60 * 1024;
constexpr size_t kLargeSize = 8 * 1024 * 1024;

// The benchmark's inputs are made with glibc iconv; a failed conversion is a broken bench.
std::string Convert(const std::string& bytes, const char* from, const char* to) {
  bool ok = false;
  std::string out = kasumido::test::Iconv(bytes, from, to, &ok);
  if (!ok) std::abort();
  return out;
}

// ---- A realistic page ----------------------------------------------------------------

const char* const kTitleWords[] = {"星の海の",   "霧の街の",   "最後の", "硝子の", "月影の",
                                   "忘れられた", "はじまりの", "風と",   "七つの", "真夜中の"};
const char* const kTitleNouns[] = {"図書館", "魔法使い", "約束", "探偵", "王国",
                                   "旅人",   "鍵",       "物語", "庭園", "手紙"};
const char* const kNames[] = {"霞 ゆかり", "春野 ひかり", "月城 アオ", "星野 あかね",
                              "高瀬 蒼",   "柊 まどか",   "水無月 玲", "朝倉 透"};
const char* const kSentences[] = {
    "港町の古い図書館には、夜にだけ開く書庫がある。",
    "司書見習いの少女は、&quot;星の地図&quot;と呼ばれる一冊を探している。",
    "王都を追われた騎士と、言葉を話す猫の旅がはじまる。",
    "ひとつの約束が、三つの時代をつないでいく。",
    "静かで温かい、本と記憶をめぐる冒険ファンタジー。",
    "シリーズ累計100万部突破の人気作、待望の第3巻！",
    "書き下ろし短編&lt;夏の終わりに&gt;を特別収録。",
    "ｶﾞｲﾄﾞﾌﾞｯｸ付きの特装版も同時発売。"};

std::string BookBlock(std::mt19937& random, int number) {
  auto pick = [&random](const auto& list) { return std::string(list[random() % std::size(list)]); };
  const std::string pcd = std::to_string(100000 + number);
  const std::string series = std::to_string(11 + random() % 12);
  std::string block =
      "<table width=\"560\" border=\"0\" cellspacing=\"0\" cellpadding=\"4\">\r\n"
      "<tr><td rowspan=\"3\" width=\"90\" valign=\"top\"><a href=\"bk_detail.php?pcd=" +
      pcd + "\"><img src=\"/image/cover_" + pcd +
      ".jpg\" width=\"80\" height=\"114\" border=\"0\" "
      "alt=\"表紙\"></a></td>\r\n<td><img src=\"/image/ma_sb-bunko" +
      series +
      ".gif\" width=\"330\" height=\"24\" alt='シリーズ'><br>\r\n<a href=\"bk_detail.php?pcd=" +
      pcd + "\"><font size=\"+1\"><b>" + pick(kTitleWords) + pick(kTitleNouns) + "</b></font></a>" +
      (random() % 3 == 0 ? "（" + std::to_string(1 + random() % 9) + "）" : "") +
      "</td></tr>\r\n<tr><td class=\"small\">[ 著 ]&nbsp;" + pick(kNames) + "　イラスト：" +
      pick(kNames) + "</td></tr>\r\n<tr><td>[ 内容 ]<br>\r\n";
  for (int i = 2 + random() % 3; i > 0; --i) block += pick(kSentences) + "\r\n";
  block +=
      "<br><img src=\"/image/spacer.gif\" width=\"1\" height=\"8\"><br>\r\n"
      "発売日：2026年12月" +
      std::to_string(1 + random() % 28) +
      "日<br>\r\n"
      "定価（税込）：\t\t" +
      std::to_string(1 + random() % 2) + "," + std::to_string(100 + random() % 900) + "円<br>\r\n" +
      std::to_string(128 + random() % 400) +
      "ページ　文庫判<br>\r\n"
      "ISBN 4-89-" +
      std::to_string(100000 + random() % 900000) + "-" + std::to_string(random() % 10) +
      " C0193<br>\r\n"
      "</td></tr>\r\n</table>\r\n<img src=\"/image/ma_line2-330.gif\" width=\"330\" "
      "height=\"3\"><br>\r\n";
  return block;
}

// An EUC-JP listing page of the publisher's site of at least `size` bytes.
std::string MakePage(size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  const std::string head =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html>\r\n<head>\r\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">\r\n"
      "<title>霞堂書店 - 文庫 2026年12月の新刊</title>\r\n"
      "<script language=\"JavaScript\">\r\n<!--\r\nfunction openCover(url) { "
      "window.open(url, \"cover\", \"width=420,height=600\"); }\r\n// -->\r\n</script>\r\n"
      "</head>\r\n<body bgcolor=\"#FFFFFF\" text=\"#333333\" link=\"#003399\">\r\n"
      "<table width=\"760\" border=\"0\"><tr><td><a href=\"/\"><img src=\"/image/logo.gif\" "
      "alt=\"霞堂書店\"></a></td>\r\n<td align=\"right\"><a href=\"/lnovel/\">ライトノベル</a>"
      "&nbsp;|&nbsp;<a href=\"/book/\">書籍</a>&nbsp;|&nbsp;<a href=\"/bunko/\">文庫</a>"
      "&nbsp;|&nbsp;<a href=\"/comic/\">コミック</a></td></tr></table>\r\n<!-- *MAIN -->\r\n";
  const std::string tail =
      "<table width=\"760\"><tr><td align=\"center\" class=\"small\">Copyright (C) 霞堂書店 "
      "All Rights Reserved.</td></tr></table>\r\n</body>\r\n</html>\r\n";
  std::string utf8 = head;
  for (int number = 0; utf8.size() * 9 / 10 < size; ++number) utf8 += BookBlock(random, number);
  utf8 += tail;
  std::string euc = Convert(utf8, "UTF-8", "EUC-JP");
  return euc;
}

const std::string& Page(size_t size) {
  static const std::string page = MakePage(kPageSize);
  static const std::string large = MakePage(kLargeSize);
  return size == kPageSize ? page : large;
}

// ---- Benchmarks ----------------------------------------------------------------------

// The page's lines, split once; each measured parser gets a copy with the timer paused.
const std::vector<std::string>& PageLines(size_t size) {
  static const std::vector<std::string> page = kasumido::SplitPageLines(Page(kPageSize));
  static const std::vector<std::string> large = kasumido::SplitPageLines(Page(kLargeSize));
  return size == kPageSize ? page : large;
}

void ConvertTexts(const THTMLParser& parser) {
  for (const auto& element : parser.Elements) {
    if (const kasumido::THTMLText* text = element->AsText()) {
      std::string sjis = EucToSjis(text->Text);
      benchmark::DoNotOptimize(sjis.data());
    }
  }
}

// Parse alone, or Parse and EucToSjis of every text (range 1 = 1): what the analysis
// runs per page. Filling the lines and freeing the parser are not timed.
void BM_Parse(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  const std::vector<std::string>& lines = PageLines(state.range(0));
  const bool convert = state.range(1) == 1;
  size_t elements = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto parser = std::make_unique<THTMLParser>();
    parser->Lines = lines;
    state.ResumeTiming();
    parser->Parse();
    if (convert) ConvertTexts(*parser);
    state.PauseTiming();
    elements = parser->Elements.size();
    parser.reset();
    state.ResumeTiming();
  }
  state.counters["elements"] = static_cast<double>(elements);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

// The whole life of a parser: the page's bytes split into lines, Parse, EucToSjis of
// every text, and freeing everything.
void BM_WholeParserLife(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  for (auto _ : state) {
    THTMLParser parser;
    parser.Lines = kasumido::SplitPageLines(page);
    parser.Parse();
    ConvertTexts(parser);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

constexpr int kXmlOptions = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;

// libxml2 building its tree (range 1 = 1: freeing the tree is timed too).
void BM_Libxml2Tree(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  const bool time_free = state.range(1) == 1;
  for (auto _ : state) {
    htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), "page.html",
                                    "EUC-JP", kXmlOptions);
    if (doc == nullptr) {
      state.SkipWithError("libxml2 could not read the page");
      break;
    }
    if (!time_free) state.PauseTiming();
    xmlFreeDoc(doc);
    if (!time_free) state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

// libxml2 in SAX mode with no handlers: tokenizing and character conversion only.
void BM_Libxml2Sax(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  htmlSAXHandler empty_handlers;
  std::memset(&empty_handlers, 0, sizeof empty_handlers);
  for (auto _ : state) {
    htmlParserCtxtPtr context = htmlCreatePushParserCtxt(&empty_handlers, nullptr, nullptr, 0,
                                                         "page.html", XML_CHAR_ENCODING_EUC_JP);
    if (context == nullptr) {
      state.SkipWithError("libxml2 could not make a parser");
      break;
    }
    htmlCtxtUseOptions(context, kXmlOptions);
    htmlParseChunk(context, page.data(), static_cast<int>(page.size()), 1);
    htmlFreeParserCtxt(context);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BothPages(benchmark::internal::Benchmark* benchmark, std::vector<int64_t> second = {0, 1}) {
  for (const int64_t size : {static_cast<int64_t>(kPageSize), static_cast<int64_t>(kLargeSize)}) {
    for (const int64_t flag : second) benchmark->Args({size, flag});
  }
  benchmark->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_Parse)->ArgNames({"bytes", "euc_to_sjis"})->Apply([](auto* b) { BothPages(b); });
BENCHMARK(BM_WholeParserLife)->ArgNames({"bytes", ""})->Apply([](auto* b) { BothPages(b, {0}); });
BENCHMARK(BM_Libxml2Tree)->ArgNames({"bytes", "free"})->Apply([](auto* b) { BothPages(b); });
BENCHMARK(BM_Libxml2Sax)->ArgNames({"bytes", ""})->Apply([](auto* b) { BothPages(b, {0}); });

// ---- Peak memory ---------------------------------------------------------------------

long MaxRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// In a fresh process: load the page file into lines as the program does, Parse, and
// report the peak resident size against the page size.
int MeasurePeakRss(const char* path) {
  const long start = MaxRssKiB();
  THTMLParser parser;
  if (!parser.LoadLines(path)) return 1;
  const long loaded = MaxRssKiB();
  parser.Parse();
  const long parsed = MaxRssKiB();
  size_t bytes = 0;
  for (const std::string& line : parser.Lines) bytes += line.size() + 2;  // CR LF
  const double size_kib = static_cast<double>(bytes) / 1024.0;
  std::printf("page %.0f KiB, %zu lines, %zu elements\n", size_kib, parser.Lines.size(),
              parser.Elements.size());
  std::printf("peak RSS: at start %ld KiB, after loading %ld KiB, after Parse %ld KiB\n", start,
              loaded, parsed);
  std::printf("peak RSS / page size: %.1fx (%.1fx above the process at start)\n", parsed / size_kib,
              (parsed - start) / size_kib);
  return 0;
}

// Writes the large page to a temporary file and measures it in a fresh copy of this
// program, so that the generator's own memory does not count.
int PeakRss(const char* self) {
  char path[] = "/tmp/html_parse_bench_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 1;
  {
    const std::string page = MakePage(kLargeSize);
    if (write(fd, page.data(), page.size()) != static_cast<ssize_t>(page.size())) return 1;
  }
  close(fd);
  const pid_t child = fork();
  if (child == 0) {
    execl(self, self, "--measure-rss", path, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 1;
  waitpid(child, &status, 0);
  unlink(path);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int WritePage(const char* path) {
  const std::string& page = Page(kPageSize);
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return 1;
  const bool written = std::fwrite(page.data(), 1, page.size(), file) == page.size();
  return std::fclose(file) == 0 && written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--peak-rss") == 0) return PeakRss("/proc/self/exe");
  if (argc == 3 && std::strcmp(argv[1], "--measure-rss") == 0) return MeasurePeakRss(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--write-page") == 0) return WritePage(argv[2]);
  if (argc >= 2 && std::strcmp(argv[1], "--cold-heap") == 0) {
    --argc;
    ++argv;
  } else {
    // Keep freed memory in the process, so that every parser (ours and libxml2's) is
    // measured on its own work rather than on the virtual machine's page faults.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest it takes
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  xmlInitParser();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  xmlCleanupParser();
  return 0;
}
