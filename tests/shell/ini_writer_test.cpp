#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "shell/ini_file.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::Sjis;

std::string AfterSet(const std::string& bytes, std::string_view section, std::string_view key,
                     std::string_view value) {
  IniFile file = IniFile::Parse(bytes);
  EXPECT_TRUE(file.SetValue(section, key, value)) << bytes;
  return file.Bytes();
}

TEST(IniFileSetValue, ChangesTheLineThatIsReadOrAddsOneWhereItBelongs) {
  const struct {
    const char* what;
    std::string before;
    std::string after;
  } cases[] = {
      {"value replaced", "[S]\r\nK=old\r\nL=x\r\n", "[S]\r\nK=new\r\nL=x\r\n"},
      {"name and blanks before = kept", "[s]\n  k = \"old\" \n", "[s]\n  k =new\n"},
      {"first matching line wins", "[S]\nK=1\n[S]\nK=2\n", "[S]\nK=new\n[S]\nK=2\n"},
      {"key of a later section of the name", "[S]\nA=1\n[s]\nK=2\n", "[S]\nA=1\n[s]\nK=new\n"},
      {"added after the section's last key", "[S]\r\nA=1\r\n\r\n;c\r\n[T]\r\n",
       "[S]\r\nA=1\r\nK=new\r\n\r\n;c\r\n[T]\r\n"},
      {"added under a section without keys", "[S]\n;K=x\n[T]\n", "[S]\nK=new\n;K=x\n[T]\n"},
      {"added to an open last line", "[S]\nA=1", "[S]\nA=1\nK=new"},
      {"section added in the file's ending", "[T]\nA=1\n", "[T]\nA=1\n[S]\nK=new\n"},
      {"section added after an open line", "[T]\r\nA=1", "[T]\r\nA=1\r\n[S]\r\nK=new\r\n"},
      {"key above every section is not it", "K=x\n[S]\n", "K=x\n[S]\nK=new\n"},
      {"empty file", "", "[S]\r\nK=new\r\n"},
      // A lone CR that ends the file ends its last line for the writer too.
      {"added after a lone CR at the end", "[S]\r\nA=1\r", "[S]\r\nA=1\r\nK=new\r\n"},
      {"section added after a lone CR", "[T]\nA=1\r", "[T]\nA=1\r\n[S]\nK=new\n"},
      {"a file of one lone CR", "\r", "\r\n[S]\r\nK=new\r\n"},
  };
  for (const auto& c : cases) {
    const std::string after = AfterSet(c.before, "S", "K", "new");
    EXPECT_EQ(after, c.after) << c.what;
    EXPECT_EQ(IniFile::Parse(after).Value("S", "K"), "new") << c.what;
  }
}

TEST(IniFileSetValue, WritesValuesSoThatTheyReadBackUnchanged) {
  const std::string values[] = {
      "plain", " leading", "trailing\t", "\"quoted\"",           "'single'",
      "\"",    "",         "a=b;c",      Sjis("表示ソフト能力"), Sjis("ソ") + "\\",
  };
  for (const std::string& value : values) {
    for (const char* start : {"", "[S]\nK=old\n"}) {
      IniFile file = IniFile::Parse(start);
      ASSERT_TRUE(file.SetValue("S", "K", value)) << value;
      EXPECT_EQ(IniFile::Parse(file.Bytes()).Value("S", "K"), value) << file.Bytes();
    }
  }
}

TEST(IniFileSetValue, RefusesNamesAndValuesThatWouldBreakTheFile) {
  const struct {
    std::string section;
    std::string key;
    std::string value;
  } cases[] = {
      {"", "K", "v"},
      {"S", "", "v"},
      {" S", "K", "v"},
      {"S", "K ", "v"},
      {"S]", "K", "v"},
      {"S", "K=1", "v"},
      {"S", ";K", "v"},
      {"S", "[K", "v"},
      {"S", "K", "a\nb"},
      {"S", "K", "a\rb"},
      {"S", "K\n", "v"},
      {"S", std::string("K\0", 2), "v"},
      {"S", "K", std::string("a\0", 2)},
      // A lone lead byte at the end would swallow the "]" or "=" written after it.
      {"S\x81", "K", "v"},
      {"S", "K\x81", "v"},
  };
  const std::string bytes = "[S]\r\nK=old\r\n";
  for (const auto& c : cases) {
    IniFile file = IniFile::Parse(bytes);
    EXPECT_FALSE(file.SetValue(c.section, c.key, c.value)) << c.section << "/" << c.key;
    EXPECT_EQ(file.Bytes(), bytes);
  }
  // Double-byte names whose second byte is "]" are fine: ゾ is 0x83 0x5D.
  IniFile file = IniFile::Parse(bytes);
  EXPECT_TRUE(file.SetValue(Sjis("設定ゾ"), Sjis("ゾ"), "v"));
  EXPECT_EQ(IniFile::Parse(file.Bytes()).Value(Sjis("設定ゾ"), Sjis("ゾ")), "v");
}

TEST(WriteIniStrings, KeepsEveryOtherByteOfTheHostsFile) {
  test::ScratchDir dir;
  // The host's own sections, comments, blank lines, quoting and Shift_JIS values (表 and
  // ソ end in 0x5C) around the window's section, which already holds two of the keys.
  const std::string head = "; " + Sjis("シェルヴィオ設定") +
                           "\r\n[TMain]\r\nTitle=" + Sjis("表示ソフト") + "\r\nPath=\"C:\\" +
                           Sjis("能") + "\\\"\r\n\r\n";
  const std::string tail = "\r\n[TSetup]\r\n  Width = 640 \r\n;end";
  const std::string before =
      head + "[TFormDLL]\r\nShowCmd=2\r\n;keep me\r\nNormPos=1,2,3,4\r\n" + tail;
  const std::string path = dir.Write("SHV.INI", before);

  const FileWriteStatus status =
      WriteIniStrings(path, "TFormDLL", {{"NormPos", "10,20,378,257"}, {"Visible", "1"}});
  ASSERT_TRUE(status) << status.error;
  EXPECT_EQ(test::ReadFile(path),
            head + "[TFormDLL]\r\nShowCmd=2\r\n;keep me\r\nNormPos=10,20,378,257\r\nVisible=1\r\n" +
                tail);
}

TEST(WriteIniStrings, CreatesAMissingFileButNeverWritesOverWhatItCannotRead) {
  test::ScratchDir dir;
  const std::string created = dir.File("SHV.INI");
  ASSERT_TRUE(WriteIniStrings(created, "TFormDLL", {{"ShowCmd", "1"}}));
  EXPECT_EQ(test::ReadFile(created), "[TFormDLL]\r\nShowCmd=1\r\n");

  std::filesystem::create_directories(dir.Path() / "folder.ini" / "inside");
  const std::string regular = dir.Write("regular", "keep");
  const struct {
    const char* what;
    std::string path;
  } cases[] = {
      {"a directory in the file's place", dir.File("folder.ini")},
      {"a path through a regular file", regular + "/SHV.INI"},
      {"a missing folder", dir.File("missing/SHV.INI")},
      {"a refused value", created},
  };
  for (const auto& c : cases) {
    const IniValues values = {{"ShowCmd", c.path == created ? "bad\nvalue" : "3"}};
    const FileWriteStatus status = WriteIniStrings(c.path, "TFormDLL", values);
    EXPECT_FALSE(status) << c.what;
    EXPECT_FALSE(status.error.empty()) << c.what;
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "folder.ini" / "inside"));
  EXPECT_EQ(test::ReadFile(regular), "keep");
  EXPECT_EQ(test::ReadFile(created), "[TFormDLL]\r\nShowCmd=1\r\n");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 3u) << "no temporary file left beside SHV.INI, folder.ini and regular";
}

}  // namespace
}  // namespace kasumido
