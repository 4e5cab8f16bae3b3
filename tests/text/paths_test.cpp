#include "text/paths.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/encoding.h"

namespace kasumido {
namespace {

// The one answer for every caller: a file directly in the root lives in "/", a bare
// name in no folder, and a "\" that is the trail byte of a kanji never splits.
TEST(Paths, SplitAtTheLastSeparatorThatIsNotATrailByte) {
  struct Case {
    std::string path, folder, name;
  } cases[] = {
      {"/a/b/kasumido", "/a/b", "kasumido"},
      {"/kasumido", "/", "kasumido"},
      {"kasumido", "", "kasumido"},
      {"/a/b/", "/a/b", ""},
      {"C:\\host\\plugin\\kasumido.exe", "C:\\host\\plugin", "kasumido.exe"},
      {"/t/" + test::Sjis("表"), "/t", test::Sjis("表")},
      {"/t/" + test::Sjis("ソ表") + "\\x", "/t/" + test::Sjis("ソ表"), "x"},
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
  EXPECT_EQ(JoinPath("", "b"), "b");
  // A folder ending in a kanji whose trail byte is "\" still gets its separator.
  EXPECT_EQ(JoinPath("/t/" + test::Sjis("表"), "b"), "/t/" + test::Sjis("表") + sep + "b");
}

}  // namespace
}  // namespace kasumido
