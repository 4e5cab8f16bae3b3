#include "analysis/master_file.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace kasumido {
namespace {

TEST(MasterFile, CreatesAMissingFileAndAppendsToAnExistingOne) {
  test::ScratchDir dir;
  const std::string path = dir.File("ShelvioMas.csv");
  { MasterFile created(path); }
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(dir.Read("ShelvioMas.csv"), "");

  dir.Write("ShelvioMas.csv", "host line without end");
  {
    MasterFile master(path);
    master.AppendLine("\"a\",1\r\n");
    master.AppendLine("\"b\",2\r\n");
  }
  EXPECT_EQ(dir.Read("ShelvioMas.csv"), "host line without end\"a\",1\r\n\"b\",2\r\n");
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
