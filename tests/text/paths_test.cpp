#include "text/paths.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace kasumido {
namespace {

// The one answer for every caller: a file directly in the root lives in "/", a bare
// name in no folder; folders named in any script split only at their separators.
TEST(Paths, SplitAtTheLastSeparator) {
  struct Case {
    std::string path, folder, name;
  } cases[] = {
      {"/a/b/kasumido", "/a/b", "kasumido"},
      {"/kasumido", "/", "kasumido"},
      {"kasumido", "", "kasumido"},
      {"/a/b/", "/a/b", ""},
      {"C:\\host\\plugin\\kasumido.exe", "C:\\host\\plugin", "kasumido.exe"},
      {"/t/表", "/t", "表"},  // UTF-8: no byte of 表 or ソ is "\"
      {"/t/ソ表\\x", "/t/ソ表", "x"},
      {"C:\\Users\\Zoë\\𠮷田\\한글", "C:\\Users\\Zoë\\𠮷田", "한글"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FolderOf(c.path), c.folder);
    EXPECT_EQ(FileNameOf(c.path), c.name);
  }
}

TEST(Paths, JoinAddsOneSeparatorOnlyWhereNoneEnds) {
  // The separator added is the platform's ("/" on Linux, "\\" on Windows).
  const std::string sep(1, PathSeparator());
  EXPECT_EQ(JoinPath("/a", "b"), "/a" + sep + "b");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("C:\\a\\", "b"), "C:\\a\\b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("/t/表", "b"), "/t/表" + sep + "b");
}

}  // namespace
}  // namespace kasumido
