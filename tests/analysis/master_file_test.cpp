#include "analysis/master_file.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/faulty_file_system.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::FaultyFileSystem;

constexpr const char* kLine = "\"a\",1\r\n";

TEST(MasterFile, CreatesAMissingFileAndStartsEachLineAsARecordOfItsOwn) {
  test::ScratchDir dir;
  const std::string path = dir.File("ShelvioMas.csv");
  { MasterFile created(path); }
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(dir.Read("ShelvioMas.csv"), "");

  const struct {
    const char* before;
    const char* after;  // before the two lines appended
  } cases[] = {
      {"", ""},
      {"\"h\",0\r\n", "\"h\",0\r\n"},
      {"\"h\",0\n", "\"h\",0\n"},  // a bare LF ends the record: no empty record after it
      {"\"h\",0\r", "\"h\",0\r\n"},
      {"\"h\",0", "\"h\",0\r\n"},
      {"\"h", "\"h\r\n"},  // a cut record stays cut, but nothing is glued to it
  };
  for (const auto& c : cases) {
    dir.Write("ShelvioMas.csv", c.before);
    {
      MasterFile master(path);
      master.AppendLine(kLine);
      master.AppendLine("\"b\",2\r\n");
    }
    EXPECT_EQ(dir.Read("ShelvioMas.csv"), std::string(c.after) + kLine + "\"b\",2\r\n") << c.before;
  }
}

TEST(MasterFile, AnAppendThatFailsLeavesTheFileExactlyAsItWas) {
  const struct {
    const char* name;
    const char* before;
    void (*fault)(FaultyFileSystem&);
    const char* reason;
  } cases[] = {
      {"disk full", "\"h\",0\r\n", [](FaultyFileSystem& f) { f.FillDiskAfter(0); },
       FaultyFileSystem::kDiskFull},
      {"disk full part-way", "\"h\",0\r\n", [](FaultyFileSystem& f) { f.FillDiskAfter(4); },
       FaultyFileSystem::kDiskFull},
      {"write cut part-way", "\"h\",0\r\n",
       [](FaultyFileSystem& f) { f.CutNextWrite("ShelvioMas.csv", 3); },
       FaultyFileSystem::kWriteError},
      {"line end brought first, then cut", "\"h\",0",
       [](FaultyFileSystem& f) { f.CutNextWrite("ShelvioMas.csv", 2); },
       FaultyFileSystem::kWriteError},
  };
  for (const auto& c : cases) {
    test::ScratchDir dir;
    const std::string path = dir.File("ShelvioMas.csv");
    dir.Write("ShelvioMas.csv", c.before);
    FaultyFileSystem faults;
    c.fault(faults);
    {
      MasterFile master(path);
      try {
        master.AppendLine(kLine);
        ADD_FAILURE() << c.name << ": appended";
      } catch (const MasterFileError& error) {
        EXPECT_EQ(error.Reason(), c.reason) << c.name;
      }
      EXPECT_EQ(dir.Read("ShelvioMas.csv"), c.before) << c.name;
      faults.FreeDisk();
      master.AppendLine(kLine);  // the next line is whole and a record of its own
    }
    EXPECT_EQ(dir.Read("ShelvioMas.csv"), std::string("\"h\",0\r\n") + kLine) << c.name;
  }
}

TEST(MasterFile, FileThatCannotBeOpenedThrowsNamingIt) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.Path() / "ShelvioMas.csv");
  dir.Write("plain", "x");
  const std::string cases[] = {
      dir.File("ShelvioMas.csv"),          // a folder in its place
      dir.File("plain/ShelvioMas.csv"),    // a path through a regular file
      dir.File("missing/ShelvioMas.csv"),  // a folder that does not exist
  };
  for (const std::string& path : cases) {
    try {
      MasterFile master(path);
      ADD_FAILURE() << "opened " << path;
    } catch (const MasterFileError& error) {
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "missing"));
}

}  // namespace
}  // namespace kasumido
