#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace kasumido {
namespace {

std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Limits the size of every file this process writes, so that a write past `bytes` fails
// (EFBIG) also for root. The limit and the signal's disposition are restored on exit.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    saved_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, saved_handler_);
  }

 private:
  rlimit saved_{};
  sighandler_t saved_handler_ = SIG_DFL;
};

TEST(ReplaceFileAtomically, LeavesTheOldFileWholeWhenTheNewOneCannotBeWritten) {
  test::ScratchDir dir;
  const std::string path = dir.Write("SHV.INI", "[TFormDLL]\r\nShowCmd=1\r\n");
  FileWriteStatus status;
  {
    const FileSizeLimit limit(64);
    status = ReplaceFileAtomically(path, std::string(4096, 'x'));
  }
  EXPECT_FALSE(status);
  EXPECT_NE(status.error.find("write"), std::string::npos) << status.error;
  EXPECT_EQ(status.path, path);
  EXPECT_EQ(test::ReadFile(path), "[TFormDLL]\r\nShowCmd=1\r\n");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"SHV.INI"});
}

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
  EXPECT_EQ(Names(dir.Path() / "host"), std::vector<std::string>{"SHV.INI"});
}

}  // namespace
}  // namespace kasumido
