// Pages kept as evidence: the file form of a capture, the bounds of the folder (oldest
// dropped first, the same page kept once) and an index that is lost or damaged.
#include "shell/capture_store.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace kasumido {
namespace {

Capture Page(int n, std::size_t size = 100) {
  return {"http://site.test/comic/detail/bk_detail.php?pcd=" + std::to_string(n),
          "book without ISBN",
          "2026-12-09 10:00",
          {"HTTP/1.1 200 OK", "ETag: \"x\""},
          std::string(size, static_cast<char>('a' + n % 26))};
}

std::vector<std::string> Files(const test::ScratchDir& scratch) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.File("captures"))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CaptureStore, ACaptureReadsBackAsKept) {
  Capture capture = Page(1);
  capture.page = std::string("<html>\r\n\r\nbody\0with NUL\n", 24);
  EXPECT_EQ(ParseCapture(SerializeCapture(capture)), capture);
  capture.url = "http://site.test/a\r\nInjected: yes";
  const std::optional<Capture> read = ParseCapture(SerializeCapture(capture));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->url, "http://site.test/a  Injected: yes");
  EXPECT_FALSE(ParseCapture("kasumido capture 1\r\nURL: x\r\n"));
  EXPECT_FALSE(ParseCapture("<html>"));
}

TEST(CaptureStore, KeepsTheNewestWithinItsBoundsAndTheSamePageOnce) {
  test::ScratchDir scratch;
  CaptureStore store(scratch.File("captures"));
  std::string error;
  for (int n = 0; n < 45; ++n) ASSERT_TRUE(store.Keep(Page(n), error)) << error;
  std::vector<std::string> files = Files(scratch);
  EXPECT_EQ(files.size(), kCapturesKept + 1);  // and the index
  EXPECT_EQ(files.front(), "capture-005.txt");
  EXPECT_EQ(store.Keep(Page(44), error), "capture-044.txt");  // kept already
  EXPECT_EQ(Files(scratch), files);

  // Large pages push out the oldest until the folder is within its size.
  const std::size_t large = 1024 * 1024;
  for (int n = 100; n < 105; ++n) ASSERT_TRUE(store.Keep(Page(n, large), error)) << error;
  files = Files(scratch);
  std::uintmax_t total = 0;
  for (const std::string& name : files) {
    total += std::filesystem::file_size(scratch.File("captures/" + name));
  }
  EXPECT_LE(total, static_cast<std::uintmax_t>(kCaptureBytesLimit) + 4096);
  EXPECT_EQ(files[files.size() - 2], "capture-049.txt");
  EXPECT_EQ(ParseCapture(scratch.Read("captures/capture-049.txt")), Page(104, large));
}

TEST(CaptureStore, ALostOrDamagedIndexStartsAfreshWithoutStrayFiles) {
  test::ScratchDir scratch;
  CaptureStore store(scratch.File("captures"));
  std::string error;
  for (int n = 0; n < 3; ++n) ASSERT_TRUE(store.Keep(Page(n), error));
  for (const char* index : {"", "kasumido captures index 1\r\ncapture-000.txt\tx\t1\r\n"}) {
    scratch.Write("captures/index.txt", index);
    EXPECT_EQ(store.Keep(Page(7), error), "capture-000.txt");
    EXPECT_EQ(Files(scratch), (std::vector<std::string>{"capture-000.txt", "index.txt"}));
  }
  // A folder that cannot be made is a failure, with nothing kept.
  scratch.Write("blocked", "a file where the folder should be");
  CaptureStore blocked(scratch.File("blocked"));
  EXPECT_FALSE(blocked.Keep(Page(1), error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kasumido
