// The file seam on every back end (also run under Wine): the primitives a safe append
// needs, and what the core's file functions make of faults injected beneath them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/faulty_file_system.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::FaultyFileSystem;

TEST(OutputFile, TruncateTakesBackAWriteAndTheNextOneLandsAtTheCut) {
  for (const OutputMode mode : {OutputMode::kAppend, OutputMode::kCreateOrTruncate}) {
    SCOPED_TRACE(mode == OutputMode::kAppend ? "append" : "create");
    test::ScratchDir dir;
    const std::string path = dir.Write("ShelvioMas.csv", "old\r\n");
    std::string error;
    std::optional<OutputFile> file = OutputFile::Open(path, mode, error);
    ASSERT_TRUE(file) << error;
    ASSERT_TRUE(file->Write("one\r\n", error)) << error;
    const std::optional<std::int64_t> size = file->Size(error);
    ASSERT_TRUE(size) << error;
    EXPECT_EQ(*size, mode == OutputMode::kAppend ? 10 : 5);
    ASSERT_TRUE(file->Write("a cut li", error)) << error;
    ASSERT_TRUE(file->Truncate(*size, error)) << error;
    EXPECT_EQ(file->Size(error), size);
    ASSERT_TRUE(file->Write("two\r\n", error)) << error;
    ASSERT_TRUE(file->Close(error)) << error;
    EXPECT_EQ(dir.Read("ShelvioMas.csv"),
              mode == OutputMode::kAppend ? "old\r\none\r\ntwo\r\n" : "one\r\ntwo\r\n");
    // A closed file refuses everything with a reason.
    EXPECT_FALSE(file->Write("x", error));
    EXPECT_FALSE(file->Size(error));
    EXPECT_FALSE(file->Truncate(0, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(ReadFileTail, AnswersTheLastBytesOfARegularFileOnly) {
  test::ScratchDir dir;
  dir.Write("folder/inside", "x");
  struct Case {
    const char* content;  // null: no such file
    std::size_t count;
    std::optional<std::string> tail;
  };
  const Case cases[] = {
      {"", 2, ""},
      {"a", 2, "a"},
      {"\"x\"\r\n", 2, "\r\n"},
      {"\"x\"\r", 2, "\"\r"},
      {"abc", 0, ""},
      {nullptr, 2, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content ? c.content : "(missing)");
    const std::string path = dir.File("file.csv");
    RemoveFile(path);
    if (c.content) dir.Write("file.csv", c.content);
    EXPECT_EQ(ReadFileTail(path, c.count), c.tail);
    EXPECT_EQ(FileSize(path), c.content ? std::optional<std::int64_t>(std::string(c.content).size())
                                        : std::nullopt);
  }
  EXPECT_EQ(ReadFileTail(dir.File("folder"), 2), std::nullopt);
  EXPECT_EQ(FileSize(dir.File("folder")), std::nullopt);
  EXPECT_EQ(ReadWholeFile(dir.File("folder")), std::nullopt);
}

// What a replacement leaves behind when one of its steps fails: the old file whole and
// no temporary file.
TEST(ReplaceFileAtomically, LeavesTheOldFileWholeWhateverStepFails) {
  struct Case {
    const char* fault;
    void (*inject)(FaultyFileSystem&);
    const char* step;
  };
  const Case cases[] = {
      {"disk full", [](FaultyFileSystem& f) { f.FillDiskAfter(64); }, "write"},
      {"nothing fits", [](FaultyFileSystem& f) { f.FillDiskAfter(0); }, "write"},
      {"target held",
       [](FaultyFileSystem& f) { f.Hold("SHV.INI", FaultyFileSystem::Access::kWrite); }, "rename"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    test::ScratchDir dir;
    const std::string path = dir.Write("SHV.INI", "[TFormDLL]\r\nShowCmd=1\r\n");
    const std::string copy_from = dir.Write("fresh.html", std::string(4096, 'y'));
    FaultyFileSystem faults;
    c.inject(faults);
    for (const FileWriteStatus& status :
         {ReplaceFileAtomically(path, std::string(4096, 'x')), CopyFile(copy_from, path)}) {
      EXPECT_FALSE(status);
      EXPECT_EQ(status.error.rfind(c.step, 0), 0u) << status.error;
      EXPECT_EQ(status.path, path);
    }
    EXPECT_EQ(test::ReadFile(path), "[TFormDLL]\r\nShowCmd=1\r\n");
    EXPECT_EQ(test::FolderEntries(dir.Path()), (std::vector<std::string>{"SHV.INI", "fresh.html"}));
  }
}

TEST(FaultyFileSystem, BreaksOnlyWhatTheTestAsksAndForAsLongAsItAsks) {
  test::ScratchDir dir;
  const std::string master = dir.Write("ShelvioMas.csv", "old\r\n");
  const std::string ini = dir.Write("Shelvio.ini", "[TSetup]\r\n");
  FaultyFileSystem faults;
  std::string error;

  // A write cut part-way leaves what it took; the file's own size says how much.
  faults.CutNextWrite("ShelvioMas.csv", 3);
  std::optional<OutputFile> out = OutputFile::Open(master, OutputMode::kAppend, error);
  ASSERT_TRUE(out) << error;
  EXPECT_FALSE(out->Write("new\r\n", error));
  EXPECT_EQ(error, FaultyFileSystem::kWriteError);
  EXPECT_EQ(out->Size(error), 8);
  EXPECT_TRUE(out->Write("\r\n", error)) << "only the next write is cut";
  ASSERT_TRUE(out->Close(error));
  EXPECT_EQ(ReadWholeFile(master), "old\r\nnew\r\n");

  // A held file: twice refused for reading, then readable; writing was never refused.
  faults.Hold("Shelvio.ini", FaultyFileSystem::Access::kRead, 2);
  EXPECT_FALSE(InputFile::OpenShared(ini));
  EXPECT_EQ(ReadWholeFile(ini), std::nullopt);
  EXPECT_EQ(ReadWholeFile(ini), "[TSetup]\r\n");
  EXPECT_TRUE(OutputFile::Open(ini, OutputMode::kAppend, error)) << error;
  EXPECT_EQ(faults.Refusals("Shelvio.ini"), 2);

  // A file being rewritten reads empty the first times, then whole.
  faults.ReadEmpty("Shelvio.ini", 1);
  EXPECT_EQ(ReadWholeFile(ini), "");
  EXPECT_EQ(ReadWholeFile(ini), "[TSetup]\r\n");

  // Held for writing: no append, no removal; every removal is recorded.
  faults.Hold("ShelvioMas.csv", FaultyFileSystem::Access::kWrite, 1);
  EXPECT_FALSE(RemoveFile(master));
  EXPECT_TRUE(RemoveFile(master));
  ASSERT_EQ(faults.Removals().size(), 2u);
  EXPECT_FALSE(faults.Removals()[0].removed);
  EXPECT_EQ(faults.Removals()[1].path, master);
  EXPECT_TRUE(faults.Removals()[1].removed);
}

TEST(FaultyFileSystem, IsInstalledForItsLifetimeOnly) {
  FileSystem& system = SystemFileSystem();
  EXPECT_EQ(&CurrentFileSystem(), &system);
  {
    FaultyFileSystem outer;
    EXPECT_EQ(&CurrentFileSystem(), &outer);
    {
      FaultyFileSystem inner;
      EXPECT_EQ(&CurrentFileSystem(), &inner);
    }
    EXPECT_EQ(&CurrentFileSystem(), &outer);
  }
  EXPECT_EQ(&CurrentFileSystem(), &system);
}

}  // namespace
}  // namespace kasumido
