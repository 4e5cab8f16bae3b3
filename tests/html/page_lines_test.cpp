#include "html/page_lines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using ::testing::ElementsAreArray;

struct SplitCase {
  std::string bytes;
  std::vector<std::string> lines;
};

TEST(SplitPageLines, CutsAtCrLfLoneLfAndLoneCr) {
  const SplitCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r", {"a"}},
      {"a\r\n", {"a"}},
      {"\n", {""}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\r\n\r\nx", {"", "", "x"}},
      {"\xa4\xa2\r\n\xa4\xa4", {"\xa4\xa2", "\xa4\xa4"}},
      {"a\tb \x0b\x0c", {"a\tb \x0b\x0c"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_THAT(SplitPageLines(c.bytes), ElementsAreArray(c.lines));
  }
}

TEST(SplitPageLines, EndsTheTextAtTheFirstNul) {
  using namespace std::string_literals;
  const SplitCase cases[] = {
      {"a\0b\nc"s, {"a"}},  {"a\nb\0"s, {"a", "b"}}, {"\0abc"s, {}},
      {"a\r\0\nb"s, {"a"}}, {"a\n\0\0"s, {"a"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_THAT(SplitPageLines(c.bytes), ElementsAreArray(c.lines));
  }
}

TEST(LoadPageLines, ReadsTheWholeFile) {
  test::ScratchDir dir;
  // Bigger than one read buffer, with a CR LF pair split across two reads.
  std::string bytes(65535, 'x');
  bytes += "\r\ny";
  std::vector<std::string> lines = {"old"};
  ASSERT_TRUE(LoadPageLines(dir.Write("big.html", bytes), lines));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(65535, 'x'));
  EXPECT_EQ(lines[1], "y");

  ASSERT_TRUE(LoadPageLines(dir.Write("empty.html", ""), lines));
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace kasumido
