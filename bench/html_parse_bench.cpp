// The tokenizer on realistic EUC-JP pages of the publisher's site (a page-sized one of
// ~60 KB and a large one of ~8 MB) against libxml2's HTML parser on the same bytes, in
// SAX mode with empty handlers and building its tree.
//
//   html_parse_bench [benchmark flags]       throughput (MB/s) and minor page faults per
//                                            page; for the figures: --benchmark_repetitions=9
//                                            --benchmark_enable_random_interleaving=true
//                                            --benchmark_report_aggregates_only=true
//   html_parse_bench --peak-memory [ROUNDS]  peak resident memory of each parser on the
//                                            large page, each in a fresh process
//   html_parse_bench --write-page PATH       writes the page-sized sample page
//   html_parse_bench --write-large-page PATH writes the large one
#include <iconv.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "support/encoding.h"

#include "html/html_parser.h"
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
//
// Every timing covers a parser's whole life on a page already in memory, freeing
// included, on the heap as the program has it (no tuning): for the tokenizer the page's
// bytes cut into lines, Parse, and (with conversion) EucToSjis of every text, as the
// analyses read a page; for libxml2 its parse from the same bytes and the freeing of its
// tree or context. Minor page faults per page are counted around the loop.

long MinorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

void ReportPage(benchmark::State& state, size_t page_size, long faults_before) {
  state.counters["faults"] = benchmark::Counter(static_cast<double>(MinorFaults() - faults_before),
                                                benchmark::Counter::kAvgIterations);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page_size));
}

size_t ConvertTexts(const THTMLParser& parser) {
  size_t converted = 0;
  for (const kasumido::THTMLElement element : parser.Elements) {
    if (const std::optional<kasumido::THTMLText> text = element.AsText()) {
      const std::string sjis = EucToSjis(text->Text);
      converted += sjis.size();
    }
  }
  return converted;
}

// The tokenizer (range 1 = 1: and EucToSjis of every text).
void BM_Tokenizer(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  const bool convert = state.range(1) == 1;
  size_t elements = 0;
  const long faults = MinorFaults();
  for (auto _ : state) {
    THTMLParser parser;
    parser.Lines.AssignPage(page);
    parser.Parse();
    if (convert) benchmark::DoNotOptimize(ConvertTexts(parser));
    elements = parser.Elements.size();
  }
  ReportPage(state, page.size(), faults);
  state.counters["elements"] = static_cast<double>(elements);
}

constexpr int kXmlOptions = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;

// libxml2 building its tree, and freeing it.
void BM_Libxml2Tree(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  const long faults = MinorFaults();
  for (auto _ : state) {
    htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), "page.html",
                                    "EUC-JP", kXmlOptions);
    if (doc == nullptr) {
      state.SkipWithError("libxml2 could not read the page");
      break;
    }
    xmlFreeDoc(doc);
  }
  ReportPage(state, page.size(), faults);
}

// libxml2 in SAX mode with no handlers: tokenizing and character conversion only.
void BM_Libxml2Sax(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  htmlSAXHandler empty_handlers;
  std::memset(&empty_handlers, 0, sizeof empty_handlers);
  const long faults = MinorFaults();
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
  ReportPage(state, page.size(), faults);
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
double Max(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

void BothPages(benchmark::internal::Benchmark* benchmark, std::vector<int64_t> second = {0}) {
  for (const int64_t size : {static_cast<int64_t>(kPageSize), static_cast<int64_t>(kLargeSize)}) {
    for (const int64_t flag : second) benchmark->Args({size, flag});
  }
  benchmark->Unit(benchmark::kMicrosecond)
      ->ComputeStatistics("min", Min)
      ->ComputeStatistics("max", Max);
}

BENCHMARK(BM_Tokenizer)->ArgNames({"bytes", "euc_to_sjis"})->Apply([](auto* b) {
  BothPages(b, {0, 1});
});
BENCHMARK(BM_Libxml2Tree)->ArgNames({"bytes", ""})->Apply([](auto* b) { BothPages(b); });
BENCHMARK(BM_Libxml2Sax)->ArgNames({"bytes", ""})->Apply([](auto* b) { BothPages(b); });

// ---- Peak memory ---------------------------------------------------------------------
//
// Each parser on the large page in a fresh process of its own (this program run again),
// so that nothing else has touched the heap: the page file read into memory and parsed
// as a user of that parser would, texts converted. Reported: the resident size at start
// and the peak, and the peak's growth over the start against the page's size.

long ResidentKiB() {
  std::FILE* file = std::fopen("/proc/self/statm", "r");
  long pages = 0;
  long resident = 0;
  if (file != nullptr) {
    if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(file);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string ReadFile(const char* path) {
  std::string bytes;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) std::abort();
  char buffer[65536];
  for (size_t count; (count = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.append(buffer, count);
  std::fclose(file);
  return bytes;
}

// In this process: `parser` on the page file at `path`; prints one line of figures.
int MeasurePeak(const std::string& parser, const char* path) {
  const long start = ResidentKiB();
  size_t page_size = 0;
  if (parser == "tokenizer") {
    THTMLParser tokenizer;
    if (!tokenizer.LoadLines(path)) return 1;
    tokenizer.Parse();
    benchmark::DoNotOptimize(ConvertTexts(tokenizer));
    for (const std::string_view line : tokenizer.Lines) page_size += line.size() + 2;  // CR LF
  } else {
    const std::string page = ReadFile(path);
    page_size = page.size();
    xmlInitParser();
    if (parser == "libxml2-sax") {
      htmlSAXHandler empty_handlers;
      std::memset(&empty_handlers, 0, sizeof empty_handlers);
      htmlParserCtxtPtr context = htmlCreatePushParserCtxt(&empty_handlers, nullptr, nullptr, 0,
                                                           "page.html", XML_CHAR_ENCODING_EUC_JP);
      htmlCtxtUseOptions(context, kXmlOptions);
      htmlParseChunk(context, page.data(), static_cast<int>(page.size()), 1);
      htmlFreeParserCtxt(context);
    } else {
      htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), "page.html",
                                      "EUC-JP", kXmlOptions);
      xmlFreeDoc(doc);
    }
  }
  const long peak = PeakKiB();
  std::printf(
      "%-13s page %6.2f MiB  start %6.1f MiB  peak %6.1f MiB  growth %6.1f MiB = %.2fx the page\n",
      parser.c_str(), page_size / 1048576.0, start / 1024.0, peak / 1024.0, (peak - start) / 1024.0,
      (peak - start) * 1024.0 / page_size);
  return 0;
}

int RunChild(const char* self, std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), self);
  arguments.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execv(self, const_cast<char* const*>(arguments.data()));
    _exit(127);
  }
  int status = 1;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Writes the large page to a temporary file and measures each parser on it in fresh
// processes, `rounds` times in turn.
int PeakMemory(const char* self, int rounds) {
  char path[] = "/tmp/html_parse_bench_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 1;
  {
    const std::string page = MakePage(kLargeSize);
    if (write(fd, page.data(), page.size()) != static_cast<ssize_t>(page.size())) return 1;
  }
  close(fd);
  int failed = 0;
  for (int round = 0; round < rounds; ++round) {
    for (const char* parser : {"tokenizer", "libxml2-sax", "libxml2-tree"}) {
      failed |= RunChild(self, {"--measure-peak", parser, path});
    }
  }
  unlink(path);
  return failed;
}

int WritePage(const char* path, size_t size) {
  const std::string& page = Page(size);
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return 1;
  const bool written = std::fwrite(page.data(), 1, page.size(), file) == page.size();
  return std::fclose(file) == 0 && written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--peak-memory") == 0) {
    return PeakMemory("/proc/self/exe", argc >= 3 ? std::atoi(argv[2]) : 1);
  }
  if (argc == 4 && std::strcmp(argv[1], "--measure-peak") == 0)
    return MeasurePeak(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "--write-page") == 0) return WritePage(argv[2], kPageSize);
  if (argc == 3 && std::strcmp(argv[1], "--write-large-page") == 0) {
    return WritePage(argv[2], kLargeSize);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  xmlInitParser();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  xmlCleanupParser();
  return 0;
}
