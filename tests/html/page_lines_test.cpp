#include "html/page_lines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using ::testing::ElementsAreArray;

struct SplitCase {
  std::string bytes;
  std::vector<std::string> lines;
};

// The lines of `bytes` as each way of reading a page cuts them: split into strings, cut
// in place in a parser's store, and loaded from a file.
void ExpectLines(const std::string& bytes, const std::vector<std::string>& lines) {
  EXPECT_THAT(SplitPageLines(bytes), ElementsAreArray(lines)) << bytes;
  ElementStore store;
  PageLines assigned(store);
  assigned.AssignPage(bytes);
  EXPECT_THAT(assigned, ElementsAreArray(lines)) << bytes;
  test::ScratchDir dir;
  PageLines loaded(store);
  ASSERT_TRUE(loaded.Load(dir.Write("page.html", bytes)));
  EXPECT_THAT(loaded, ElementsAreArray(lines)) << bytes;
}

TEST(SplitPageLines, CutsAtCrLfLoneLfAndLoneCr) {
  const SplitCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r", {"a"}},
      {"a\r\n", {"a"}},
      {"\n", {""}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\r\n\r\nx", {"", "", "x"}},
      {"\xa4\xa2\r\n\xa4\xa4", {"\xa4\xa2", "\xa4\xa4"}},
      {"a\tb \x0b\x0c", {"a\tb \x0b\x0c"}},
  };
  for (const SplitCase& c : cases) ExpectLines(c.bytes, c.lines);
}

TEST(SplitPageLines, EndsTheTextAtTheFirstNul) {
  using namespace std::string_literals;
  const SplitCase cases[] = {
      {"a\0b\nc"s, {"a"}},  {"a\nb\0"s, {"a", "b"}}, {"\0abc"s, {}},
      {"a\r\0\nb"s, {"a"}}, {"a\n\0\0"s, {"a"}},
  };
  for (const SplitCase& c : cases) ExpectLines(c.bytes, c.lines);
}

TEST(PageLines, ReadsTheWholeFile) {
  test::ScratchDir dir;
  // Bigger than one read buffer and one store block, with a CR LF pair split across two
  // reads.
  std::string bytes(65535, 'x');
  bytes += "\r\ny";
  ElementStore store;
  PageLines lines(store);
  lines = {"old"};
  ASSERT_TRUE(lines.Load(dir.Write("big.html", bytes)));
  EXPECT_THAT(lines, ElementsAreArray({std::string(65535, 'x'), std::string("y")}));

  ASSERT_TRUE(lines.Load(dir.Write("empty.html", "")));
  EXPECT_TRUE(lines.empty());
}

// Input files that report another size than they have: a file that grows or shrinks
// while it is read, or a system that cannot tell.
class MisreportedSizes : public FileSystemWrapper {
 public:
  MisreportedSizes(FileSystem& target, std::optional<std::int64_t> size)
      : FileSystemWrapper(target), size_(size) {}
  std::unique_ptr<ReadableFile> OpenInput(const std::string& path) override {
    std::unique_ptr<ReadableFile> file = Target().OpenInput(path);
    if (!file) return nullptr;
    return std::make_unique<File>(std::move(file), size_);
  }

 private:
  class File : public ReadableFile {
   public:
    File(std::unique_ptr<ReadableFile> file, std::optional<std::int64_t> size)
        : file_(std::move(file)), size_(size) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
      return file_->Read(buffer, size);
    }
    std::optional<std::int64_t> Size() override { return size_; }
    bool Seek(std::int64_t offset) override { return file_->Seek(offset); }

   private:
    std::unique_ptr<ReadableFile> file_;
    std::optional<std::int64_t> size_;
  };
  std::optional<std::int64_t> size_;
};

TEST(PageLines, ReadsAFileWhoseSizeChangesWhileItIsRead) {
  test::ScratchDir dir;
  std::string bytes;
  for (int i = 0; i < 30000; ++i) bytes += "line " + std::to_string(i) + "\r\n";
  const std::string path = dir.Write("page.html", bytes);
  const std::optional<std::int64_t> sizes[] = {
      std::nullopt, 0, 1, 100, 70000, static_cast<std::int64_t>(bytes.size()) * 2};
  for (const std::optional<std::int64_t> size : sizes) {
    MisreportedSizes files(CurrentFileSystem(), size);
    ScopedFileSystem scope(files);
    ElementStore store;
    PageLines lines(store);
    ASSERT_TRUE(lines.Load(path));
    EXPECT_TRUE(lines == SplitPageLines(bytes)) << size.value_or(-1);
  }
}

}  // namespace
}  // namespace kasumido
