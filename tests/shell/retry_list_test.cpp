#include "shell/retry_list.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using Change = RetryList::Change;
using State = RetryList::LoadState;

constexpr const char* kComic = "/comic/";

std::string Link(int pcd) { return "detail/bk_detail.php?pcd=" + std::to_string(pcd); }
LinkResult Result(int pcd, LinkOutcome outcome) { return {Link(pcd), outcome, 1, "reason"}; }
std::string Line(int runs, int code, const std::string& folder, const std::string& link) {
  return std::to_string(runs) + "\t" + std::to_string(code) + "\t" + folder + "\t" + link + "\r\n";
}
const std::string kHeader = "kasumido retry list 1\r\n";

class RetryListTest : public ::testing::Test {
 protected:
  std::string Path() const { return scratch_.File("kasumidoRetry.txt"); }
  RetryList Load() const { return RetryList::Load(Path()); }
  test::ScratchDir scratch_;
};

TEST_F(RetryListTest, KeepsMissingBooksForgetsWrittenOnesAndSavesThemInItsFormat) {
  RetryList list = Load();
  EXPECT_EQ(list.State(), State::kMissing);
  EXPECT_FALSE(list.Changed());
  struct Step {
    LinkResult result;
    Change change;
  };
  const Step steps[] = {
      {Result(1, LinkOutcome::kFetchFailed), Change::kKept},
      {Result(2, LinkOutcome::kNotWritten), Change::kKept},
      {Result(3, LinkOutcome::kInterrupted), Change::kKept},
      {Result(4, LinkOutcome::kWritten), Change::kNone},
      {Result(5, LinkOutcome::kNoBook), Change::kNone},
      {Result(6, LinkOutcome::kFetchFailed), Change::kKept},
      {Result(6, LinkOutcome::kWritten), Change::kForgotten},
      {Result(6, LinkOutcome::kFetchFailed), Change::kNone},  // written in this run already
      {Result(1, LinkOutcome::kFetchFailed), Change::kKept},  // counted once per run
  };
  for (const Step& step : steps) {
    EXPECT_EQ(list.Note(kComic, 79, step.result), step.change) << step.result.link;
  }
  EXPECT_EQ(list.Note("/book/", 0, Result(1, LinkOutcome::kFetchFailed)), Change::kKept);
  ASSERT_TRUE(list.Changed());
  ASSERT_TRUE(list.Save());
  EXPECT_FALSE(list.Changed());
  EXPECT_EQ(scratch_.Read("kasumidoRetry.txt"),
            kHeader + Line(1, 79, kComic, Link(1)) + Line(0, 79, kComic, Link(2)) +
                Line(0, 79, kComic, Link(3)) + Line(1, 0, "/book/", Link(1)));
  const RetryList again = Load();
  EXPECT_EQ(again.State(), State::kLoaded);
  EXPECT_EQ(again.Links(), list.Links());
}

TEST_F(RetryListTest, OnlyTheSitesFailureCountsAndTheFifthRunInARowGivesTheLinkUp) {
  struct Case {
    const char* name;
    int runs_before;
    LinkOutcome outcome;
    Change change;
    int runs_after;  // -1: no longer remembered
  };
  const Case cases[] = {
      {"fetch failed again", 1, LinkOutcome::kFetchFailed, Change::kKept, 2},
      {"fifth failed run", 4, LinkOutcome::kFetchFailed, Change::kGivenUp, -1},
      {"master file failed", 4, LinkOutcome::kNotWritten, Change::kKept, 4},
      {"stopped", 4, LinkOutcome::kInterrupted, Change::kKept, 4},
      {"written at last", 4, LinkOutcome::kWritten, Change::kForgotten, -1},
      {"page now without a book", 2, LinkOutcome::kNoBook, Change::kForgotten, -1},
  };
  for (const Case& c : cases) {
    scratch_.Write("kasumidoRetry.txt", kHeader + Line(c.runs_before, 79, kComic, Link(1)));
    RetryList list = Load();
    EXPECT_EQ(list.Note(kComic, 79, Result(1, c.outcome)), c.change) << c.name;
    if (c.runs_after < 0) {
      EXPECT_TRUE(list.Links().empty()) << c.name;
    } else {
      ASSERT_EQ(list.Links().size(), 1u) << c.name;
      EXPECT_EQ(list.Links()[0].failed_runs, c.runs_after) << c.name;
    }
  }
}

TEST_F(RetryListTest, PendingLinksAreThoseOfTheFolderAndCodeNotYetFollowedInThisRun) {
  scratch_.Write("kasumidoRetry.txt",
                 kHeader + Line(1, 79, kComic, Link(1)) + Line(0, 79, kComic, Link(2)) +
                     Line(0, 193, kComic, Link(3)) + Line(0, 79, "/book/", Link(4)) +
                     Line(2, 79, kComic, Link(5)));
  RetryList list = Load();
  EXPECT_EQ(list.Pending(kComic, 79), (std::vector<std::string>{Link(1), Link(2), Link(5)}));
  list.Note(kComic, 79, Result(1, LinkOutcome::kFetchFailed));
  list.Note(kComic, 79, Result(2, LinkOutcome::kInterrupted));  // tried again later
  EXPECT_EQ(list.Pending(kComic, 79), (std::vector<std::string>{Link(2), Link(5)}));
  EXPECT_EQ(list.Pending(kComic, 193), std::vector<std::string>{Link(3)});
  EXPECT_TRUE(list.Pending("/bunko/", 193).empty());
}

TEST_F(RetryListTest, ADamagedFileKeepsItsReadableLinksAndIsWrittenAfresh) {
  const std::string good = Line(1, 79, kComic, Link(1));
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t kept;
  };
  const Case cases[] = {
      {"empty", "", 0},
      {"another header", "kasumido retry list 2\r\n" + good, 0},
      {"header without CR LF", "kasumido retry list 1\n" + good, 0},
      {"last line cut", kHeader + good + "0\t79\t/comic/\tdetail/bk_de", 1},
      {"count not a number", kHeader + "x\t79\t/comic/\t" + Link(2) + "\r\n" + good, 1},
      {"count at the limit", kHeader + Line(5, 79, kComic, Link(2)) + good, 1},
      {"negative count", kHeader + Line(-1, 79, kComic, Link(2)) + good, 1},
      {"code not a number", kHeader + "0\tx\t/comic/\t" + Link(2) + "\r\n" + good, 1},
      {"folder without slashes", kHeader + Line(0, 79, "comic", Link(2)) + good, 1},
      {"not a detail link", kHeader + Line(0, 79, kComic, "../../x") + good, 1},
      {"too few fields", kHeader + "0\t79\r\n" + good, 1},
      {"a link twice", kHeader + good + good, 1},
      {"beyond its largest size", kHeader + std::string(3'000'000, 'x'), 0},
  };
  for (const Case& c : cases) {
    scratch_.Write("kasumidoRetry.txt", c.bytes);
    RetryList list = Load();
    EXPECT_EQ(list.State(), State::kDamaged) << c.name;
    EXPECT_EQ(list.Links().size(), c.kept) << c.name;
    EXPECT_TRUE(list.Changed()) << c.name;
    ASSERT_TRUE(list.Save()) << c.name;
    EXPECT_EQ(scratch_.Read("kasumidoRetry.txt"), kHeader + (c.kept ? good : "")) << c.name;
  }
}

TEST_F(RetryListTest, AFileThatCannotBeReadIsNeverOverwritten) {
  std::filesystem::create_directory(Path());
  RetryList list = Load();
  EXPECT_EQ(list.State(), State::kUnreadable);
  EXPECT_EQ(list.Note(kComic, 79, Result(1, LinkOutcome::kFetchFailed)), Change::kKept);
  const FileWriteStatus status = list.Save();
  EXPECT_FALSE(status.ok);
  EXPECT_NE(status.error.find("could not be read"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(Path()));
}

TEST_F(RetryListTest, ALinkThatDoesNotFitIsNotKept) {
  RetryList list = Load();
  const std::string too_long = Link(1) + std::string(kMaxRememberedLinkLength, '1');
  EXPECT_EQ(list.Note(kComic, 79, {too_long, LinkOutcome::kFetchFailed, 3, {}}), Change::kNotKept);
  EXPECT_EQ(list.Note(kComic, 79, {Link(1) + "\n", LinkOutcome::kFetchFailed, 3, {}}),
            Change::kNotKept);
  for (int pcd = 0; pcd < static_cast<int>(kRetryListCapacity); ++pcd) {
    ASSERT_EQ(list.Note(kComic, 79, Result(pcd, LinkOutcome::kNotWritten)), Change::kKept);
  }
  EXPECT_EQ(list.Note(kComic, 79, Result(5000, LinkOutcome::kFetchFailed)), Change::kNotKept);
  // A remembered link still counts when the list is full.
  EXPECT_EQ(list.Note(kComic, 79, Result(7, LinkOutcome::kFetchFailed)), Change::kKept);
  ASSERT_TRUE(list.Save());
  EXPECT_EQ(Load().State(), State::kLoaded);  // a full list reads back whole
  EXPECT_EQ(Load().Links().size(), kRetryListCapacity);
}

}  // namespace
}  // namespace kasumido
