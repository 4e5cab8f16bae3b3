// EucToSjis against glibc's iconv (EUC-JP to CP932) on the same EUC-JP text: a page-sized
// text (~60 KB) and a large one (~8 MB), both made of ordinary Japanese page text with the
// ASCII a page carries (numbers, prices, ISBNs).
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "support/encoding.h"

#include "text/euc.h"

namespace {

constexpr char kPageTextUtf8[] =
    "霞堂書店の新刊案内　2024年5月発売予定\n"
    "魔法使いの弟子と七つの鍵（上）　著：春野ひかり　イラスト：月城アオ\n"
    "定価：本体680円＋税　ISBN978-4-89-123456-0　文庫判　320ページ\n"
    "［内容］王都の図書館で働く少女ミナは、ある日、封印された古文書を見つける。"
    "そこには失われた七つの鍵の在り処が記されていた――。"
    "仲間たちとの出会い、裏切り、そして大いなる決断。ｶﾀｶﾅも少し混ざる。\n";

// The benchmark's inputs are made with glibc iconv; a failed conversion is a broken bench.
std::string Convert(const std::string& bytes, const char* from, const char* to) {
  bool ok = false;
  std::string out = kasumido::test::Iconv(bytes, from, to, &ok);
  if (!ok) std::abort();
  return out;
}

// EUC-JP text of at least `size` bytes, whole lines of the sample repeated.
const std::string& EucText(size_t size) {
  static std::string page;
  static std::string large;
  std::string& text = size < 1'000'000 ? page : large;
  if (text.empty()) {
    const std::string line = Convert(kPageTextUtf8, "UTF-8", "EUC-JP");
    while (text.size() < size) text += line;
  }
  return text;
}

void BM_EucToSjis(benchmark::State& state) {
  const std::string& euc = EucText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::string sjis = kasumido::EucToSjis(euc);
    benchmark::DoNotOptimize(sjis.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * euc.size()));
}

void BM_IconvEucJpToCp932(benchmark::State& state) {
  const std::string& euc = EucText(static_cast<size_t>(state.range(0)));
  iconv_t cd = iconv_open("CP932", "EUC-JP");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv cannot convert EUC-JP to CP932");
    return;
  }
  std::string sjis(euc.size() + 16, '\0');
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in_ptr = const_cast<char*>(euc.data());
    size_t in_left = euc.size();
    char* out_ptr = sjis.data();
    size_t out_left = sjis.size();
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) {
      state.SkipWithError("iconv failed on the sample");
      break;
    }
    benchmark::DoNotOptimize(sjis.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * euc.size()));
}

// The two programs must agree on the sample, or the comparison means nothing.
bool SameOutput() {
  const std::string& euc = EucText(60 * 1024);
  return kasumido::EucToSjis(euc) == Convert(euc, "EUC-JP", "CP932");
}

constexpr int64_t kPageSize = 60 * 1024;
constexpr int64_t kLargeSize = 8 * 1024 * 1024;
BENCHMARK(BM_EucToSjis)->Arg(kPageSize)->Arg(kLargeSize);
BENCHMARK(BM_IconvEucJpToCp932)->Arg(kPageSize)->Arg(kLargeSize);

}  // namespace

int main(int argc, char** argv) {
  if (!SameOutput()) {
    std::fprintf(stderr, "EucToSjis and iconv disagree on the sample text\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
