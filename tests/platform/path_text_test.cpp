// Paths as path text on every back end (also run under Wine): names of any script, the
// crossings from and to the program's Shift_JIS, and paths longer than MAX_PATH.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "support/scratch_dir.h"
#include "text/paths.h"

namespace kasumido {
namespace {

std::string Sjis(std::string_view utf8) {
  return ConvertText(utf8, TextEncoding::kUtf8, TextEncoding::kShiftJis).value();
}

// Every file operation of the seam on `folder`/`name`, which must end where it began.
void ExpectEveryOperationWorksIn(const std::string& folder, const std::string& name) {
  ASSERT_TRUE(MakeFolder(folder)) << folder;
  EXPECT_TRUE(IsFolder(folder));
  const std::string path = JoinPath(folder, name);
  std::string error;
  std::optional<OutputFile> out = OutputFile::Open(path, OutputMode::kAppend, error);
  ASSERT_TRUE(out) << error;
  ASSERT_TRUE(out->Write("one\r\n", error)) << error;
  ASSERT_TRUE(out->Close(error)) << error;
  EXPECT_TRUE(IsFile(path));
  EXPECT_EQ(FileSize(path), 5);
  ASSERT_TRUE(ReplaceFileAtomically(path, "two\r\n"));
  ASSERT_TRUE(CopyFile(path, path + ".bak"));
  EXPECT_EQ(ReadWholeFile(path + ".bak"), "two\r\n");
  EXPECT_EQ(ReadFileTail(path, 2), "\r\n");
  EXPECT_TRUE(RemoveFile(path + ".bak"));
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(PathExists(path));
}

TEST(PathText, NamesInAnyScriptAreTheirOwnFilesForEveryOperation) {
  test::ScratchDir dir;
  for (const char* name : {"Zoë", "𠮷田", "한글", "😀", "¥", "表ソ十", "ﾊﾝｶｸ"}) {
    SCOPED_TRACE(name);
    const std::string folder = dir.File(name);
    ExpectEveryOperationWorksIn(folder, std::string(name) + ".csv");
    EXPECT_EQ(test::FolderEntries(test::FsPath(folder)), std::vector<std::string>{});
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / test::FsPath(name)));
  }
  // "Zoe" and "\" are other names than "Zoë" and "¥": nothing of the above went there.
  EXPECT_FALSE(PathExists(dir.File("Zoe")));
  EXPECT_EQ(test::FolderEntries(dir.Path()).size(), 7u);
}

// Paths of MAX_PATH characters and more, with ".." and both separators in them, as the
// run builds them ("<program folder>/../ShelvioMas.csv").
TEST(PathText, PathsBeyondMaxPathWorkWithDotDotAndEitherSeparator) {
  test::ScratchDir dir;
  std::string folder = dir.File("");
  for (const char* part : {"a", "b"}) {
    folder = JoinPath(folder, std::string(120, *part) + "ë");
    ASSERT_TRUE(MakeFolder(folder)) << folder.size();
  }
  ASSERT_GE(folder.size(), 260u);
  const std::string plugin = JoinPath(folder, "plugin");
  ExpectEveryOperationWorksIn(plugin, "GetKasumido.html");
  ExpectEveryOperationWorksIn(plugin + "/../old", "kasumidoA.html");
  EXPECT_TRUE(IsFolder(JoinPath(folder, "old")));
  EXPECT_FALSE(PathExists(JoinPath(plugin, "old")));
}

TEST(PathText, ShiftJisNamesCrossIntoPathsStrictly) {
  struct Case {
    std::string sjis;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {"9784891234560.jpg", "9784891234560.jpg"},
      {Sjis("誰が迷宮を？.jpg"), "誰が迷宮を？.jpg"},
      {Sjis("表ソ.jpg"), "表ソ.jpg"},  // trail bytes 0x5C stay in their characters
      {Sjis("..／..／x.jpg"), "..／..／x.jpg"},
      {"\x85\x40.jpg", std::nullopt},  // no character of code page 932
      {"\x81", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathFromSjis(c.sjis), c.path) << c.sjis;
  }
}

// The Shift_JIS form of a path is the path itself where code page 932 holds it; where it
// does not, a form the host opens the same file by (a short name on a volume that has
// them), or nothing: never another file's name.
TEST(PathText, PathsCrossIntoTheHostsShiftJisOnlyAsAFormThatOpensTheSameFile) {
  test::ScratchDir dir;
  const std::string plain = dir.Write("霞堂/9784891234560.jpg", "IMAGE");
  EXPECT_EQ(SjisPathForHost(plain), Sjis(plain));
  for (const char* name : {"Zoë", "𠮷田", "한글", "😀", "¥"}) {
    SCOPED_TRACE(name);
    const std::string path = dir.Write(std::string(name) + "/cover.jpg", "IMAGE");
    dir.Write("Zoe/cover.jpg", "DECOY");
    const std::optional<std::string> for_host = SjisPathForHost(path);
    if (PathSeparator() == '/') {
      EXPECT_EQ(for_host, std::nullopt);
    }
    if (!for_host) continue;
    const std::optional<std::string> back = PathFromSjis(*for_host);
    ASSERT_TRUE(back) << *for_host;
    EXPECT_EQ(ReadWholeFile(*back), "IMAGE") << *back;
  }
}

TEST(ShiftJisForDisplay, ShowsWhatCodePage932CannotHoldAsAQuestionMark) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Users\\Zoë\\Temp\\", "C:\\Users\\Zo?\\Temp\\"},
      {"𠮷田", "?" + Sjis("田")},
      {"한글 ¥", "?? ?"},
      {"a\xff\xfe"
       "b",
       "a??b"},
      {"霞堂", Sjis("霞堂")},
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(ShiftJisForDisplay(text), shown) << text;
  }
  EXPECT_EQ(ShiftJisForDisplay(std::string("\x81\x40\x85\x40", 4), TextEncoding::kShiftJis),
            "\x81\x40?");
}

}  // namespace
}  // namespace kasumido
