// Files named in path text (UTF-8) reach Windows as the right wide names whatever the
// system's code page: this suite runs on a system with code page 1252 (see
// CMakeLists.txt). A kanji whose Shift_JIS trail byte is 0x5C ("\") stays one character.
#include <gtest/gtest.h>
#include <windows.h>
// The seam's CopyFile, not the system's CopyFileW macro.
#undef CopyFile

#include <string>

#include "platform/files.h"
#include "support/scratch_dir.h"
#include "text/paths.h"

namespace kasumido {
namespace {

// The wide name of the only entry of `folder` (a wide path).
std::wstring OnlyEntry(const std::wstring& folder) {
  WIN32_FIND_DATAW entry{};
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  std::wstring name;
  if (find == INVALID_HANDLE_VALUE) return name;
  do {
    const std::wstring candidate = entry.cFileName;
    if (candidate != L"." && candidate != L"..") name = candidate;
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return name;
}

TEST(WideFileNames, KanjiAndTrailByte5CNamesAreTheSameFilesForEveryCall) {
  if (GetACP() != 1252) GTEST_SKIP() << "runs as win32_platform_tests.WideFileNames";
  test::ScratchDir dir;  // an ASCII path
  const std::string base = test::PathText(dir.Path());
  const std::wstring wide_base = dir.Path().wstring();
  struct Case {
    const char* utf8;
    const wchar_t* wide;
  };
  for (const Case& c : {Case{"霞堂の新刊.csv", L"霞堂の新刊.csv"},
                        Case{"表ソ十.txt", L"表ソ十.txt"},  // Shift_JIS trail bytes 0x5C
                        Case{"ﾊﾝｶｸ.log", L"ﾊﾝｶｸ.log"}, Case{"Zoë ¥ 한글.csv", L"Zoë ¥ 한글.csv"}}) {
    SCOPED_TRACE(c.utf8);
    const std::string folder = JoinPath(base, "表");
    ASSERT_TRUE(MakeFolder(folder));
    const std::string path = JoinPath(folder, c.utf8);
    std::string error;
    std::optional<OutputFile> out = OutputFile::Open(path, OutputMode::kAppend, error);
    ASSERT_TRUE(out) << error;
    ASSERT_TRUE(out->Write("one\r\n", error)) << error;
    ASSERT_TRUE(out->Close(error)) << error;

    EXPECT_EQ(OnlyEntry(wide_base), L"表");
    EXPECT_EQ(OnlyEntry(wide_base + L"\\表"), c.wide);
    EXPECT_TRUE(IsFile(path));
    EXPECT_TRUE(IsFolder(folder));
    ASSERT_TRUE(ReplaceFileAtomically(path, "two\r\n"));
    EXPECT_EQ(ReadWholeFile(path), "two\r\n");
    ASSERT_TRUE(CopyFile(path, path + ".bak"));
    EXPECT_EQ(ReadWholeFile(path + ".bak"), "two\r\n");
    EXPECT_TRUE(RemoveFile(path + ".bak"));
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_FALSE(PathExists(path));
    RemoveDirectoryW((wide_base + L"\\表").c_str());
  }
}

TEST(WideFileNames, ReadingSharesTheFileWithWritersAndAppendsGoToTheEnd) {
  test::ScratchDir dir;
  const std::string path = JoinPath(test::PathText(dir.Path()), "台帳.csv");
  ASSERT_TRUE(ReplaceFileAtomically(path, "a\r\n"));
  std::optional<InputFile> reader = InputFile::OpenShared(path);
  ASSERT_TRUE(reader);
  std::string error;
  // Another writer appends while we read: both lines arrive whole and in order.
  for (const char* line : {"b\r\n", "c\r\n"}) {
    std::optional<OutputFile> out = OutputFile::Open(path, OutputMode::kAppend, error);
    ASSERT_TRUE(out) << error;
    ASSERT_TRUE(out->Write(line, error)) << error;
  }
  char buffer[64];
  const std::ptrdiff_t count = reader->Read(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max<std::ptrdiff_t>(count, 0))),
            "a\r\nb\r\nc\r\n");
  // Removing works while the reader still holds the file open. (Replacing it then works
  // on Windows too, but not under Wine 8, which refuses the move over an open file.)
  EXPECT_TRUE(RemoveFile(path));
}

}  // namespace
}  // namespace kasumido
