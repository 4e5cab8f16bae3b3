#include "platform/open_document.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "support/poll_until.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;

// Waits (real time, at most 5 s) for a file that a started program writes last.
std::string WaitForFile(const std::filesystem::path& path) {
  test::PollUntil([&] { return std::filesystem::exists(path); }, Clock::now() + 5s);
  return test::ReadFile(path);
}

bool NoChildLeft() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

TEST(StartDetached, RunsInTheFolderWithQuietStreamsAndLeavesNoChild) {
  test::ScratchDir dir;
  const std::string work = dir.Write("work/.keep", "").substr(0, dir.File("work/").size());
  const int inherited = open("/dev/null", O_RDONLY);  // no O_CLOEXEC: must still not leak
  ASSERT_GE(inherited, 3);
  const std::string report = dir.File("report.txt");
  const std::string script =
      "in=$(readlink /proc/$$/fd/0); out=$(readlink /proc/$$/fd/1); "
      "if [ -e /proc/$$/fd/" +
      std::to_string(inherited) +
      " ]; then fd=leaked; else fd=closed; fi; "
      "printf '%s\\n' \"$(pwd)\" \"$in\" \"$out\" \"$fd\" > '" +
      report +
      ".tmp'; "
      "mv '" +
      report + ".tmp' '" + report + "'";
  ASSERT_TRUE(StartDetached({"/bin/sh", "-c", script}, work));
  EXPECT_TRUE(NoChildLeft()) << "the middle process must be reaped at once";
  const std::string expected =
      std::filesystem::canonical(work).string() + "\n/dev/null\n/dev/null\nclosed\n";
  EXPECT_EQ(WaitForFile(report), expected);
  EXPECT_TRUE(NoChildLeft());
  close(inherited);
}

TEST(OpenDocument, HandsTheTargetToXdgOpenInItsFolder) {
  test::ScratchDir dir;
  // A stand-in for xdg-open that reports its arguments and folder.
  const std::string fake =
      dir.Write("bin/xdg-open",
                "#!/bin/sh\n{ pwd; echo \"$#:$1\"; } > \"$KASUMIDO_REPORT.tmp\"\n"
                "mv \"$KASUMIDO_REPORT.tmp\" \"$KASUMIDO_REPORT\"\n");
  std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
  const std::string page = dir.Write("site/page.html", "<html>");
  const std::string old_path = getenv("PATH") != nullptr ? getenv("PATH") : "";
  setenv("PATH", (dir.File("bin") + ":" + old_path).c_str(), 1);
  const std::string here = std::filesystem::current_path().string();
  struct Case {
    std::string target;
    std::string folder;
  };
  const Case cases[] = {
      {page, std::filesystem::canonical(dir.File("site")).string()},
      {"http://127.0.0.1:8080/lnovel/", here},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const std::string report = dir.File("report.txt");
    std::filesystem::remove(report);
    setenv("KASUMIDO_REPORT", report.c_str(), 1);
    OpenDocument(c.target, "");
    EXPECT_EQ(WaitForFile(report), c.folder + "\n1:" + c.target + "\n");
  }
  setenv("PATH", old_path.c_str(), 1);
  unsetenv("KASUMIDO_REPORT");
  EXPECT_TRUE(NoChildLeft());
}

}  // namespace
}  // namespace kasumido
