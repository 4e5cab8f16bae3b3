// The file seam's Linux side: links and permission bits (the rest of the seam's tests run
// on every back end: file_system_test.cpp).
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace kasumido {
namespace {

TEST(ReplaceFileAtomically, KeepsPermissionBitsAndReplacesTheTargetOfALink) {
  test::ScratchDir dir;
  const std::string path = dir.Write("host/SHV.INI", "old");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  const std::filesystem::path link = dir.Path() / "link.ini";
  std::filesystem::create_symlink("host/SHV.INI", link);

  ASSERT_TRUE(ReplaceFileAtomically(link, "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(test::ReadFile(path), "new");
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(test::FolderEntries(dir.Path() / "host"), std::vector<std::string>{"SHV.INI"});
}

}  // namespace
}  // namespace kasumido
