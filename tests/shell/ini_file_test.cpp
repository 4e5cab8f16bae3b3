#include "shell/ini_file.h"

#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "support/encoding.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::Sjis;

std::optional<std::string> Lookup(const std::string& bytes, std::string_view section,
                                  std::string_view key) {
  return IniFile::Parse(bytes).Value(section, key);
}

TEST(IniFile, MatchesSectionAndKeyNamesWithoutRegardToAsciiCase) {
  const std::string file = "[TSetup]\r\nTimeOut_Text=30\r\n[Other]\r\nkey=other\r\n";
  const struct {
    std::string_view section;
    std::string_view key;
    std::optional<std::string> expected;
  } cases[] = {
      {"TSetup", "TimeOut_Text", "30"},        {"tsetup", "TIMEOUT_TEXT", "30"},
      {"TSETUP", "timeout_text", "30"},        {"other", "KEY", "other"},
      {"TSetup", "key", std::nullopt},         {"TSetup", "TimeOut_Tex", std::nullopt},
      {"Setup", "TimeOut_Text", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Lookup(file, c.section, c.key), c.expected) << c.section << " / " << c.key;
  }
}

TEST(IniFile, FirstMatchingLineInTheFileWins) {
  const std::string file =
      "[S]\nA=first\nB=b1\na=second\n[s]\nB=b2\nC=only-in-second-section\n[S]\nA=third\n";
  EXPECT_EQ(Lookup(file, "S", "A"), "first");
  EXPECT_EQ(Lookup(file, "S", "B"), "b1");
  EXPECT_EQ(Lookup(file, "S", "C"), "only-in-second-section");
  // A key above every section belongs to none.
  EXPECT_EQ(Lookup("K=v\n[S]\n", "S", "K"), std::nullopt);
}

TEST(IniFile, TrimsBlanksAndRemovesOnePairOfSurroundingQuotes) {
  const struct {
    std::string line;
    std::string expected;
  } cases[] = {
      {"K=  value  ", "value"},
      {"  K \t=\tvalue with inner  blanks\t", "value with inner  blanks"},
      {"K=\" quoted \"", " quoted "},
      {"K=' single '", " single "},
      {"K=\"\"twice\"\"", "\"twice\""},
      {"K=\"mixed'", "\"mixed'"},
      {"K=\"", "\""},
      {"K=\"\"", ""},
      {"K=", ""},
      {"K=a=b", "a=b"},
      {"K=value ; not a comment", "value ; not a comment"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Lookup("[S]\n" + c.line + "\n", "S", "K"), c.expected) << c.line;
  }
}

TEST(IniFile, IgnoresCommentLinesAndLinesWithoutAKey) {
  const std::string file = "[S]\n;K=commented\n  ; K=indented comment\nK\n=novalue\nK=real\n";
  EXPECT_EQ(Lookup(file, "S", "K"), "real");
  EXPECT_EQ(Lookup(file, "S", ";K"), std::nullopt);
  EXPECT_EQ(Lookup(file, "S", ""), std::nullopt);
  EXPECT_EQ(Lookup("[S]\n;K=x\n", "S", "K"), std::nullopt);
}

TEST(IniFile, ReadsLinesEndedByCrLfLfOrAFinalCr) {
  const std::string files[] = {
      "[S]\r\nK=v\r\nL=w\r\n",
      "[S]\nK=v\nL=w\n",
      "[S]\r\nK=v\nL=w\r",
      "[S]\nK=v\r\nL=w",
  };
  for (const std::string& file : files) {
    EXPECT_EQ(Lookup(file, "S", "K"), "v") << ::testing::PrintToString(file);
    EXPECT_EQ(Lookup(file, "S", "L"), "w");
  }
}

TEST(IniFile, KeepsShiftJisValuesAndNamesByteExact) {
  // 表, ソ and 能 end in 0x5C; ゾ ends in "]"; ア ends in "A" and ヂ, the same with "a".
  ASSERT_EQ(Sjis("ゾ"), "\x83\x5D");
  ASSERT_EQ(Sjis("ア"), "\x83\x41");
  ASSERT_EQ(Sjis("ヂ"), "\x83\x61");
  const std::string value = Sjis("表示ソフト能力\\");
  const std::string file = "[" + Sjis("設定ゾ") + "]\r\n" + Sjis("ア") + "=" + value + "  \r\n" +
                           "Quoted=\"" + Sjis("ソ") + "\"\r\n";
  EXPECT_EQ(Lookup(file, Sjis("設定ゾ"), Sjis("ア")), value);
  EXPECT_EQ(Lookup(file, Sjis("設定ゾ"), "quoted"), Sjis("ソ"));
  // A double-byte character is never case-folded: ア is not ヂ.
  EXPECT_EQ(Lookup(file, Sjis("設定ゾ"), Sjis("ヂ")), std::nullopt);
  EXPECT_TRUE(SameIniName("Key" + Sjis("ア"), "KEY" + Sjis("ア")));
  EXPECT_FALSE(SameIniName(Sjis("ア"), Sjis("ヂ")));
}

TEST(IniFile, MissingOrUnreadableFileGivesTheDefault) {
  test::ScratchDir dir;
  const std::string regular = dir.Write("regular.ini", "[S]\nK=v\n");
  std::filesystem::create_directories(dir.Path() / "folder.ini");
  const std::string paths[] = {
      dir.File("missing.ini"),
      dir.File("folder.ini"),   // a directory in the file's place
      regular + "/inside.ini",  // a path through a regular file
      dir.File("missing/inside.ini"),
  };
  for (const std::string& path : paths) {
    EXPECT_EQ(ReadIniString(path, "S", "K", "fallback"), "fallback") << path;
    EXPECT_FALSE(IniFile::Load(path).Exists()) << path;
  }
  EXPECT_EQ(ReadIniString(regular, "S", "K", "fallback"), "v");
  EXPECT_EQ(ReadIniString(regular, "S", "Absent", "fallback"), "fallback");
  EXPECT_EQ(ReadIniString(regular, "Absent", "K", "fallback"), "fallback");
  EXPECT_TRUE(IniFile::Load(regular).Exists());
}

TEST(IniFile, KeepsEveryByteWithThePositionOfEachLine) {
  const std::string bytes = "; host file\r\n[TSetup]\r\n  Proxy = \"p\" \r\n\r\nbare\nLast=1";
  const IniFile file = IniFile::Parse(bytes);
  EXPECT_EQ(file.Bytes(), bytes);
  const std::vector<IniFile::Line>& lines = file.Lines();
  ASSERT_EQ(lines.size(), 6u);
  const IniFile::LineKind expected_kinds[] = {
      IniFile::LineKind::kComment, IniFile::LineKind::kSection, IniFile::LineKind::kKey,
      IniFile::LineKind::kBlank,   IniFile::LineKind::kOther,   IniFile::LineKind::kKey,
  };
  std::size_t next = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].kind, expected_kinds[i]) << i;
    EXPECT_EQ(lines[i].offset, next) << i;
    next = lines[i].offset + lines[i].length + lines[i].ending_length;
  }
  EXPECT_EQ(next, bytes.size());
  EXPECT_EQ(lines[2].ending_length, 2u);
  EXPECT_EQ(lines[4].ending_length, 1u);
  EXPECT_EQ(lines[5].ending_length, 0u);
  EXPECT_EQ(file.NameOf(lines[2]), "Proxy");
  EXPECT_EQ(file.ValueOf(lines[2]), "p");
  EXPECT_EQ(lines[2].section, 1u);
  EXPECT_EQ(lines[0].section, IniFile::kNoSection);
}

}  // namespace
}  // namespace kasumido
