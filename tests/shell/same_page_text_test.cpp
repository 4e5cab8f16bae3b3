#include "shell/same_page_text.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "html/page_line_reader.h"
#include "support/scratch_dir.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using test::ScratchDir;
using test::TestEventLoop;
using namespace std::string_literals;

std::vector<std::string> ReadAllLines(const std::string& bytes) {
  std::size_t next = 0;
  PageLineReader reader([&](char* buffer, std::size_t size) {
    const std::size_t count = std::min(size, bytes.size() - next);
    bytes.copy(buffer, count, next);
    next += count;
    return static_cast<std::ptrdiff_t>(count);
  });
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

// n lines "line 0".."line n-1", each ended by LF.
std::string NumberedLines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

TEST(PageLineReader, CutsLinesAtCrLfLfAndLoneCrAndEndsAtNul) {
  const std::string block_edge(64 * 1024 - 1, 'x');  // CR as the block's last byte
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"\n", {""}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"ab\0cd\nef"s, {"ab"}},
      {"ab\n\0cd"s, {"ab"}},
      {block_edge + "\r\nnext", {block_edge, "next"}},
      {block_edge + "\r\rnext", {block_edge, "", "next"}},
      {std::string(200000, 'y') + "\nz", {std::string(200000, 'y'), "z"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadAllLines(c.bytes), c.lines) << "input of " << c.bytes.size() << " bytes";
  }
}

TEST(PageLineReader, ReportsAReadErrorAsFailureAndEnd) {
  PageLineReader reader([](char*, std::size_t) -> std::ptrdiff_t { return -1; });
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_TRUE(reader.Failed());
}

class SamePageTextTest : public ::testing::Test {
 protected:
  bool Compare(const std::string& fresh, const std::string& old) {
    return SamePageText(loop_, scratch_.Write("fresh.html", fresh),
                        scratch_.Write("old.html", old));
  }

  ScratchDir scratch_;
  TestEventLoop loop_;
};

TEST_F(SamePageTextTest, ComparesOnlyTagFreeLinesOfTheFreshPageByPosition) {
  struct Case {
    const char* what;
    std::string fresh;
    std::string old;
    bool same;
  };
  const std::vector<Case> cases = {
      {"identical", "<p>\ntext\n</p>\n", "<p>\ntext\n</p>\n", true},
      {"markup lines differ", "<b>new</b>\ntext\n", "<i>old</i>\ntext\n", true},
      {"a lone > is markup", "a > b\ntext\n", "other\ntext\n", true},
      {"tag-free line differs", "<p>\nnew text\n", "<p>\nold text\n", false},
      {"old line with markup", "plain\n", "<b>plain</b>\n", false},
      {"fresh shorter", "a\nb\n", "a\nb\nc\n", false},
      {"old shorter", "a\nb\nc\n", "a\nb\n", false},
      {"old cut inside a tag line", "<p>\ntext\n<p>\nmore\n", "<p>\ntext\n<p", false},
      {"fresh goes on with markup only", "a\n<p>\n", "a\n", false},
      {"empty against empty", "", "", true},
      {"empty against a line", "", "a\n", false},
      {"inserted line shifts the pairs", "a\nnew\nb\nc\n", "a\nb\nc\n", false},
      {"line ends differ", "a\r\nb\r\n", "a\nb\n", true},
      {"trailing blank differs", "a \n", "a\n", false},
      {"text ends at NUL", "a\0b\nc\n"s, "a\n", true},
      {"empty line against text", "\nb\n", "a\nb\n", false},
  };
  for (const Case& c : cases) EXPECT_EQ(Compare(c.fresh, c.old), c.same) << c.what;
}

TEST_F(SamePageTextTest, ExaminesAtMostTenThousandLinePairs) {
  const std::string base = NumberedLines(kMaxComparedLinePairs);
  EXPECT_TRUE(Compare(base + "fresh tail\n", base + "old tail\n"));
  const std::string almost = NumberedLines(kMaxComparedLinePairs - 1);
  EXPECT_FALSE(Compare(almost + "fresh tail\n", almost + "old tail\n"));
  // What lies beyond the limit counts for nothing, its length included.
  EXPECT_TRUE(Compare(base, base + "old tail\n"));
  EXPECT_FALSE(Compare(almost, almost + "old tail\n"));
}

TEST_F(SamePageTextTest, MissingFilesCountAsChangedWithoutWaiting) {
  const std::string present = scratch_.Write("present.html", "a\n");
  const std::string missing = scratch_.File("missing.html");
  const TimePoint start = loop_.Now();
  EXPECT_FALSE(SamePageText(loop_, missing, present));
  EXPECT_FALSE(SamePageText(loop_, present, missing));
  EXPECT_FALSE(SamePageText(loop_, missing, missing));
  EXPECT_EQ(loop_.Now(), start);
}

TEST_F(SamePageTextTest, AFileThatCannotBeOpenedIsTriedAgainAfterAMinute) {
  const std::string present = scratch_.Write("present.html", "a\n");
  std::filesystem::create_directory(scratch_.Path() / "folder.html");
  const TimePoint start = loop_.Now();
  EXPECT_FALSE(SamePageText(loop_, present, scratch_.File("folder.html")));
  EXPECT_EQ(loop_.Now() - start, std::chrono::minutes(1));
}

}  // namespace
}  // namespace kasumido
