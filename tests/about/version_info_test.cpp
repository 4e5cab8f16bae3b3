#include "about/version_info.h"

#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kasumido/texts.h"
#include "platform/posix/elf_section.h"
#include "platform/posix/version_block.h"
#include "support/elf_image.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::ElfImage;
using test::ElfOptions;
using test::ScratchDir;
using test::Sjis;
using Fields = std::vector<std::pair<VersionField, std::string>>;

VersionRecord Record(const Fields& fields) {
  VersionRecord record;
  for (const auto& [field, value] : fields) record[field] = value;
  return record;
}

VersionRecord Read(const std::string& file) {
  VersionRecord record;
  record[VersionField::kComments] = "left over";  // GetVersionInfo empties every field
  GetVersionInfo(file, record);
  return record;
}

// Readable field-by-field comparison (values shown in UTF-8).
void ExpectRecord(const VersionRecord& actual, const VersionRecord& expected,
                  const std::string& what) {
  for (std::size_t i = 0; i < kVersionFieldCount; ++i) {
    EXPECT_EQ(actual.fields[i], expected.fields[i])
        << what << ", " << kVersionKeys[i] << ": " << test::Utf8FromSjis(actual.fields[i]);
  }
}

std::string StringPath(std::string_view translation, std::string_view key) {
  return "\\StringFileInfo\\" + std::string(translation) + "\\" + std::string(key);
}

// A block with `translation` (language, code page pairs) and the given strings.
std::string Block(const std::string& translation,
                  const std::vector<std::pair<std::string, std::string>>& strings) {
  std::vector<VersionBlockEntry> entries;
  if (!translation.empty()) entries.push_back({kTranslationPath, translation});
  for (const auto& [path, value] : strings) entries.push_back({path, value});
  return VersionBlockBytes(entries);
}

const std::string kJapanese{"\x11\x04\xA4\x03", 4};  // 0411, 03A4
const std::string kEnglish{"\x09\x04\xB0\x04", 4};   // 0409, 04B0

std::string ElfWithBlock(const std::string& block, ElfOptions options = {}) {
  return ElfImage(test::ElfSections{{".text", std::string(64, '\x90')},
                                    {std::string(kVersionSectionName), block},
                                    {".data", "data"}},
                  options)
      .Bytes();
}

TEST(GetVersionInfo, ReadsTheBlockTheBuildEmbedsAlsoAfterStrip) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  ScratchDir scratch;
  const std::string stripped = scratch.File("stripped.bat");
  std::filesystem::copy_file(self, stripped);
  ASSERT_EQ(std::system(("/usr/bin/strip '" + stripped + "'").c_str()), 0);
  ASSERT_TRUE(ReadElfSection(self, ".symtab", std::size_t(-1)).has_value());
  ASSERT_FALSE(ReadElfSection(stripped, ".symtab", std::size_t(-1)).has_value());

  const VersionRecord expected = Record({
      {VersionField::kCompanyName, "kasumido developers"},
      {VersionField::kFileDescription, std::string(texts::kFileDescription)},
      {VersionField::kFileVersion, KASUMIDO_PROJECT_VERSION},
      {VersionField::kInternalName, "kasumido"},
      {VersionField::kAuthorLine, "(C) 2026 kasumido developers"},
      {VersionField::kOriginalFileName, "kasumido"},
      {VersionField::kProductName, std::string(texts::kProductName)},
      {VersionField::kProductVersion, KASUMIDO_PROJECT_VERSION},
      {VersionField::kComments, "New releases of the publisher for the host's master file"},
  });
  ExpectRecord(Read(self), expected, self);
  ExpectRecord(Read(stripped), expected, stripped);
}

TEST(GetVersionInfo, LooksUpStringsUnderTheFirstTranslation) {
  struct Case {
    const char* what;
    std::string block;
    Fields expected;
  };
  const std::string product = Sjis("霞堂ツール");
  const std::vector<Case> cases = {
      {"041103A4",
       Block(kJapanese, {{StringPath("040904B0", "FileVersion"), "9.9"},
                         {StringPath("041103A4", "FileVersion"), "1.2"},
                         {StringPath("041103A4", "ProductName"), product}}),
       {{VersionField::kFileVersion, "1.2"}, {VersionField::kProductName, product}}},
      {"040904B0 before 041103A4",
       Block(kEnglish + kJapanese, {{StringPath("041103A4", "FileVersion"), "9.9"},
                                    {StringPath("040904B0", "FileVersion"), "2.0"},
                                    {StringPath("040904B0", "LegalCopyright"), "Someone"}}),
       {{VersionField::kFileVersion, "2.0"}, {VersionField::kAuthorLine, "Someone"}}},
      {"keys in any case",
       Block(kEnglish, {{"\\stringfileinfo\\040904b0\\ORIGINALFILENAME", "tool"},
                        {StringPath("040904B0", "scrnsave"), "saver"}}),
       {{VersionField::kOriginalFileName, "tool"}, {VersionField::kScreenSaverName, "saver"}}},
      {"first of two equal paths",
       Block(kJapanese, {{StringPath("041103A4", "Comments"), "first"},
                         {StringPath("041103A4", "Comments"), "second"}}),
       {{VersionField::kComments, "first"}}},
      {"no translation", Block("", {{StringPath("041103A4", "FileVersion"), "1.2"}}), {}},
      {"translation cut short",
       Block(kJapanese.substr(0, 3), {{StringPath("041103A4", "FileVersion"), "1.2"}}),
       {}},
  };
  ScratchDir scratch;
  for (const Case& c : cases) {
    const std::string file = scratch.Write("tool", ElfWithBlock(c.block));
    ExpectRecord(Read(file), Record(c.expected), c.what);
  }
}

TEST(GetVersionInfo, TakesAValueUpToItsFirstNulAndAtMost256Bytes) {
  const std::string kana = Sjis("ア");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string(300, 'a'), std::string(256, 'a')},
      {std::string(256, 'b'), std::string(256, 'b')},
      {std::string(255, 'c') + kana, std::string(255, 'c')},  // never half a character
      {std::string(254, 'd') + kana + "e", std::string(254, 'd') + kana},
      {std::string("1.0\0junk", 8), "1.0"},
      {std::string("\0", 1), ""},
      {"", ""},
  };
  ScratchDir scratch;
  for (const auto& [value, expected] : cases) {
    const std::string file = scratch.Write(
        "tool.exe", ElfWithBlock(Block(kJapanese, {{StringPath("041103A4", "Comments"), value}})));
    EXPECT_EQ(Read(file)[VersionField::kComments], expected) << value.size() << " bytes";
  }
}

TEST(GetVersionInfo, FindsTheSectionInEveryElfFlavour) {
  const std::vector<ElfOptions> flavours = {
      {.is_64 = true, .big_endian = false},
      {.is_64 = false, .big_endian = false},
      {.is_64 = true, .big_endian = true},
      {.is_64 = false, .big_endian = true},
      {.is_64 = true, .big_endian = false, .extended_numbering = true},
      {.is_64 = false, .big_endian = true, .extended_numbering = true},
  };
  const std::string block = Block(kJapanese, {{StringPath("041103A4", "FileVersion"), "3.4"}});
  ScratchDir scratch;
  for (const ElfOptions& flavour : flavours) {
    const std::string file = scratch.Write("tool", ElfWithBlock(block, flavour));
    EXPECT_EQ(Read(file).FileVersion(), "3.4")
        << flavour.is_64 << flavour.big_endian << flavour.extended_numbering;
  }
}

// The block must come from the named section: the same bytes anywhere else count for
// nothing (the reader itself holds the section name and the block's magic).
TEST(GetVersionInfo, IgnoresBlockBytesOutsideTheNamedSection) {
  const std::string block = Block(kJapanese, {{StringPath("041103A4", "FileVersion"), "5.6"}});
  const std::vector<std::pair<const char*, std::string>> files = {
      {"raw block", block},
      {"block in another section", ElfImage(test::ElfSections{{".rodata", block}}).Bytes()},
      {"section without file bytes",
       ElfImage(test::ElfSections{{std::string(kVersionSectionName), block, 8}, {".rodata", block}})
           .Bytes()},
      {"section name as a prefix",
       ElfImage(test::ElfSections{{".kasumido_version2", block}}).Bytes()},
  };
  ScratchDir scratch;
  for (const auto& [what, bytes] : files) {
    const std::string file = scratch.Write("tool.exe", bytes);
    ExpectRecord(Read(file), VersionRecord{}, what);
  }
}

TEST(GetVersionInfo, ChoosesBlockOrScriptHeaderByExtensionOrElfMagic) {
  struct Case {
    const char* name;
    bool elf;
    bool reads_block;
  };
  const std::vector<Case> cases = {
      {"tool.bat", false, false},
      {"tool", false, false},
      {"tool.sh", false, false},
      {"v1.exe.d/tool", false, false},  // a dot in the folder, none in the name
      {"tool.exe", false, true},
      {"TOOL.EXE", false, true},
      {"tool.ex", false, true},
      {"tool.dl", false, true},
      {"tool.jpn", false, true},
      {"tool.ll", false,
       false},  // the dot counts: ".ll" is not in the list   {"tool.Scr", false, true},
      {"tool.", false, true},
      {"tool.bat", true, true},
      {"tool", true, true},
      {"tool.txt", true, true},
  };
  const std::string script = "# Tool ver 1.0\n";
  const std::string elf =
      ElfWithBlock(Block(kJapanese, {{StringPath("041103A4", "FileVersion"), "7.0"}}));
  for (const Case& c : cases) {
    ScratchDir scratch;
    const VersionRecord record = Read(scratch.Write(c.name, c.elf ? elf : script));
    const VersionRecord expected =
        c.elf ? Record({{VersionField::kFileVersion, "7.0"}})
        : c.reads_block
            ? VersionRecord{}
            : Record({{VersionField::kProductName, "Tool "}, {VersionField::kFileVersion, "1.0"}});
    ExpectRecord(record, expected, c.name);
  }
}

TEST(GetVersionInfo, FileThatCannotBeReadGivesAnEmptyRecord) {
  ScratchDir scratch;
  std::filesystem::create_directories(scratch.Path() / "folder.exe");
  std::filesystem::create_directories(scratch.Path() / "folder");
  scratch.Write("plain", "# Tool ver 1.0\n");
  const std::vector<std::string> files = {
      scratch.File("missing.exe"),
      scratch.File("missing"),
      scratch.File("folder.exe"),
      scratch.File("folder"),
      scratch.File("plain/x"),
      "",
      "/dev/null",
  };
  for (const std::string& file : files) ExpectRecord(Read(file), VersionRecord{}, file);
}

TEST(GetVersionInfo, ReadsTheScriptHeaderFromCommentLines) {
  struct Case {
    std::string text;
    std::string product, version, author;
  };
  const std::string nine_lines = "a\nb\nc\nd\ne\nf\ng\nh\ni\n";
  const std::vector<Case> cases = {
      {"#!/bin/sh\n# Tool ver 1.0\n", "Tool ", "1.0", ""},
      {"' Maker by Someone\n", "Maker ", "", "Someone"},
      {"REM Program ver2.0\n", "Program ", "ver2.0", ""},
      {"rem\n#  Title only  \n", "Title only", "", ""},  // an empty first comment
      {"echo\n#:: /Tool ver 1\n", "Tool ", "1", ""},
      {"#\tTool VER 1.0\r\n#  BY  Me  \r\n", "Tool ", "1.0", "Me"},
      {"# Tool\n# Version 2.1 beta\n# written by Me\n", "Tool", "2.1 beta", "Me"},
      {"# First\n# Second ver 2\n", "First", "2", ""},
      {"#!/usr/bin/env tool ver 9\n; Tool ver 9\n // by x\n", "", "", ""},
      {"# Tool ver 1.2 by Someone Else\n", "Tool ver 1.2 ", "1.2", "Someone Else"},
      {"# Tool by Someone ver 3\n", "Tool by Someone ", "3", "Someone"},
      {"# Tool ver1.2by Me\n", "Tool ver1.2", "ver1.2", "Me"},
      {nine_lines + "# Tool ver 1\n", "Tool ", "1", ""},                // line 10
      {nine_lines + "j\n# Tool ver 1\n", "", "", ""},                   // line 11
      {"# Tool ver 1\n# x by A\n# y ver 2 by B\n", "Tool ", "1", "A"},  // first wins
  };
  ScratchDir scratch;
  for (const Case& c : cases) {
    const VersionRecord record = Read(scratch.Write("tool.bat", c.text));
    const VersionRecord expected = Record({{VersionField::kProductName, c.product},
                                           {VersionField::kFileVersion, c.version},
                                           {VersionField::kAuthorLine, c.author}});
    ExpectRecord(record, expected, c.text);
  }
}

// "ver" and "by" are found only at character boundaries, and only ASCII letters fold:
// the second byte of a double-byte character may look like "b", "v" or "V".
TEST(GetVersionInfo, FindsMarkersOnlyAtCharacterBoundaries) {
  struct Case {
    std::string line;  // after "# "
    std::string product, version, author;
  };
  const std::string tsu = Sjis("ッ");  // 83 62: second byte "b"
  const std::string pu = Sjis("プ");   // 83 76: second byte "v"
  const std::string shi = Sjis("シ");  // 83 56: second byte "V"
  const std::vector<Case> cases = {
      {tsu + "y tool", tsu + "y tool", "", ""},
      {pu + "er tool", pu + "er tool", "", ""},
      {shi + "ER tool", shi + "ER tool", "", ""},
      {tsu + "y ver 2 by " + pu + "er", tsu + "y ver 2 ", "2", pu + "er"},
  };
  ScratchDir scratch;
  for (const Case& c : cases) {
    const VersionRecord record = Read(scratch.Write("tool.bat", "# " + c.line + "\n"));
    const VersionRecord expected = Record({{VersionField::kProductName, c.product},
                                           {VersionField::kFileVersion, c.version},
                                           {VersionField::kAuthorLine, c.author}});
    ExpectRecord(record, expected, test::Utf8FromSjis(c.line));
  }
}

}  // namespace
}  // namespace kasumido
