#include "platform/posix/version_block.h"

#include <vector>

#include <gtest/gtest.h>

namespace kasumido {
namespace {

// The same entries as constant data (as the build places them) and as a run-time string.
constexpr VersionBlockEntry kEntries[] = {
    {kTranslationPath, {"\x11\x04\xA4\x03", 4}},
    {"\\StringFileInfo\\041103A4\\FileVersion", "1.0"},
    {"\\StringFileInfo\\041103A4\\Comments", ""},
};

constexpr auto kConstantBlock = EncodeVersionBlock<VersionBlockSize(kEntries)>(kEntries);

TEST(VersionBlock, RejectsBlocksThatAreCutShortOrLackTheMagic) {
  const std::string good = VersionBlockBytes(kEntries);
  ASSERT_EQ(good, std::string(kConstantBlock.data(), kConstantBlock.size()));
  const std::string path = "\\StringFileInfo\\041103A4\\Comments";  // the last entry
  std::string bad_magic = good;
  bad_magic[0] = 'X';
  std::string more_entries = good;
  more_entries[8] = 4;  // four entries announced, three present
  std::string long_path = good;
  long_path[10] = '\xFF';  // first path length past the end
  long_path[11] = '\xFF';
  struct Case {
    const char* what;
    std::string block;
    std::string lookup;
  };
  const std::vector<Case> cases = {
      {"empty", "", path},
      {"magic only", good.substr(0, 8), path},
      {"wrong magic", bad_magic, path},
      {"cut in the last entry's header", good.substr(0, good.size() - path.size() - 2), path},
      {"cut in the last path", good.substr(0, good.size() - 1), path},
      {"more entries announced than present", more_entries, "\\missing"},
      {"path length past the end", long_path, path},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindVersionValue(c.block, c.lookup), std::nullopt) << c.what;
  }
  EXPECT_EQ(FindVersionValue(good, path), "");
}

}  // namespace
}  // namespace kasumido
