// The comparison of a run with the recent runs: which figures raise a finding, and the
// wording and thresholds of each finding's log line.
#include "shell/health_findings.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace kasumido {
namespace {

using test::Sjis;
using test::Utf8FromSjis;

constexpr std::size_t kStep = 3;  // this month's comics
constexpr BookFieldSet kAll = 0x7FF;

// A step analysed to its end: `links` links, each a book written with `fields` filled,
// except `failed` pages that never arrived.
StepHealth Analysed(int links, BookFieldSet fields = kAll, int failed = 0) {
  StepHealth step;
  step.state = StepState::kAnalysed;
  step.links = links;
  for (int i = 0; i < links; ++i) {
    LinkResult result;
    result.outcome = i < failed ? LinkOutcome::kFetchFailed : LinkOutcome::kWritten;
    result.filled_fields = fields;
    step.Note(result);
  }
  return step;
}

RunHealth RunWith(const StepHealth& step) {
  RunHealth run;
  run.steps[kStep] = step;
  return run;
}

std::vector<RunHealth> History(std::initializer_list<StepHealth> steps) {
  std::vector<RunHealth> history;
  for (const StepHealth& step : steps) history.push_back(RunWith(step));
  return history;
}

StepHealth Limited(StepHealth step, int answers) {
  step.limiting = answers;
  return step;
}

StepHealth WithState(StepHealth step, StepState state) {
  step.state = state;
  return step;
}

constexpr BookFieldSet kNoAuthor = kAll & ~FieldBit(BookField::kAuthor);

struct Case {
  const char* name;
  std::vector<RunHealth> history;
  StepHealth now;
  std::vector<std::string> lines;  // UTF-8
};

TEST(HealthFindings, ComparesARunWithTheRecentRunsOfEachStep) {
  const std::vector<Case> cases = {
      {"no history, no finding", {}, Analysed(0), {}},
      {"a run like the recent ones", History({Analysed(8), Analysed(9)}), Analysed(8), {}},
      {"the recent runs of the step were never analysed",
       History({WithState(Analysed(8), StepState::kUnchanged)}),
       Analysed(0),
       {}},
      {"no link where the recent runs gave some",
       History({Analysed(8), Analysed(0), Analysed(9)}),
       Analysed(0),
       {"サイト点検: コミック今月 詳細リンク 0件 (最近3回の中央値 8件; 基準: "
        "最近の中央値が1件以上の一覧で0件) 一覧ページのリンクの形が変わった可能性"}},
      {"no link where most recent runs gave none",
       History({Analysed(8), Analysed(0), Analysed(0)}),
       Analysed(0),
       {}},
      {"an unchanged page is not compared",
       History({Analysed(8)}),
       WithState(Analysed(0), StepState::kUnchanged),
       {}},
      {"an interrupted page is not compared",
       History({Analysed(8)}),
       WithState(Analysed(0), StepState::kInterrupted),
       {}},
      {"books below half the recent median",
       History({Analysed(10), Analysed(9), Analysed(11)}),
       Analysed(4),
       {"サイト点検: コミック今月 書籍数 4冊 (最近3回の中央値 10冊; 基準: "
        "中央値2冊以上の一覧で中央値の半分未満)"}},
      {"books at half the recent median", History({Analysed(10)}), Analysed(5), {}},
      {"one book fewer in a small month",
       History({Analysed(1), Analysed(1)}),
       Analysed(1, kAll, 1),
       {}},
      {"a field empty for every book where most had it",
       History({Analysed(5), Analysed(5, kNoAuthor), Analysed(5), Analysed(5), Analysed(5)}),
       Analysed(4, kNoAuthor),
       {"サイト点検: コミック今月 「著者」が4冊すべてで空 (最近5回は80%の本で記入; 基準: "
        "80%以上で記入の項目が3冊以上すべてで空) 詳細ページの形が変わった可能性"}},
      {"a field filled for fewer than 80 %",
       History({Analysed(4), Analysed(5, kNoAuthor), Analysed(5)}),
       Analysed(4, kNoAuthor),
       {}},
      {"a field empty for only two books", History({Analysed(3)}), Analysed(2, kNoAuthor), {}},
      {"the comparison looks at the last five analysed runs only",
       History({Analysed(5, kNoAuthor), Analysed(5, kNoAuthor), Analysed(5, kNoAuthor), Analysed(5),
                Analysed(5), Analysed(5), Analysed(5), Analysed(5)}),
       Analysed(5, kNoAuthor),
       {"サイト点検: コミック今月 「著者」が5冊すべてで空 (最近5回は100%の本で記入; 基準: "
        "80%以上で記入の項目が3冊以上すべてで空) 詳細ページの形が変わった可能性"}},
      {"three of seven pages failing", History({Analysed(6)}), Analysed(7, kAll, 3), {}},
      {"detail pages failing in numbers",
       History({Analysed(6)}),
       Analysed(7, kAll, 4),
       {"サイト点検: コミック今月 詳細ページ取得失敗 4/7件 (最近1回の中央値 0件; 基準: "
        "3件以上かつ半数以上)"}},
      {"two failing pages are no finding", History({Analysed(2)}), Analysed(3, kAll, 2), {}},
      {"the site limiting us is reported alone",
       History({Analysed(6)}),
       Limited(Analysed(6, kAll, 6), 6),
       {"サイト点検: コミック今月 サイトの制限とみられる応答 6件 (403/429/503と確認ページ; "
        "最近1回の中央値 0件; 基準: 3件以上) "
        "レイアウト変更ではなく、サイトが接続を制限している可能性"}},
      {"two limiting answers are no finding", History({Analysed(6)}), Limited(Analysed(6), 2), {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines;
    for (const HealthFinding& finding : FindHealthFindings(c.history, RunWith(c.now))) {
      lines.push_back(Utf8FromSjis(FindingLine(finding)));
    }
    EXPECT_EQ(lines, c.lines) << c.name;
  }
}

TEST(HealthFindings, ASiteTurningAwayEveryListingPageIsOneFindingForTheRun) {
  RunHealth turned_away;
  for (StepHealth& step : turned_away.steps) {
    step.state = StepState::kFailed;
    step.limiting = 1;
  }
  std::vector<std::string> lines;
  for (const HealthFinding& finding : FindHealthFindings(History({Analysed(6)}), turned_away)) {
    lines.push_back(Utf8FromSjis(FindingLine(finding)));
  }
  EXPECT_EQ(lines,
            std::vector<std::string>{
                "サイト点検: 実行全体 サイトの制限とみられる応答 12件 (403/429/503と確認ページ; "
                "最近1回の中央値 0件; 基準: 3件以上) "
                "レイアウト変更ではなく、サイトが接続を制限している可能性"});
  RunHealth two = RunWith(Analysed(6));
  two.steps[0].limiting = 2;
  EXPECT_TRUE(FindHealthFindings(History({Analysed(6)}), two).empty());
}

TEST(HealthFindings, EveryStepIsNamedByItsCategoryAndMonth) {
  EXPECT_EQ(Utf8FromSjis(StepName(0)), "ラノベ今月");
  EXPECT_EQ(Utf8FromSjis(StepName(5)), "書籍来月");
  EXPECT_EQ(Utf8FromSjis(StepName(11)), "コミック先月");
  EXPECT_EQ(Utf8FromSjis(HealthStatusText(0)), "サイト点検: 指摘なし");
  EXPECT_EQ(Utf8FromSjis(HealthStatusText(2)), "サイト点検: 指摘 2件 (ログを参照)");
}

}  // namespace
}  // namespace kasumido
