#include "platform/posix/elf_section.h"

#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "support/elf_image.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::ElfImage;
using test::ScratchDir;

constexpr std::size_t kMax = 1 << 20;
constexpr std::uint64_t kHuge = 0xFFFFFFFFFFFFFFF0u;

// Sections: 1 ".text", 2 ".wanted", 3 the name table (".wanted" is the last name in it).
ElfImage Image() {
  return ElfImage(test::ElfSections{{".text", "code"}, {".wanted", "wanted bytes"}});
}

TEST(ReadElfSection, AnswersTheNamedSectionsBytes) {
  ScratchDir scratch;
  const std::string file = scratch.Write("image", Image().Bytes());
  EXPECT_EQ(ReadElfSection(file, ".wanted", kMax), "wanted bytes");
  EXPECT_EQ(ReadElfSection(file, ".text", kMax), "code");
  EXPECT_EQ(ReadElfSection(file, ".missing", kMax), std::nullopt);
  EXPECT_EQ(ReadElfSection(file, ".wanted", 11), std::nullopt);  // larger than allowed
  EXPECT_TRUE(IsElfFile(file));
}

// Every damaged image answers "no section" without reading outside the file (the asan
// build checks the reads).
TEST(ReadElfSection, RejectsTruncatedOrMalformedFiles) {
  using Damage = std::function<void(ElfImage&)>;
  const std::vector<std::pair<const char*, Damage>> cases = {
      {"empty file", [](ElfImage& e) { e.Bytes().clear(); }},
      {"cut in the magic", [](ElfImage& e) { e.Bytes().resize(3); }},
      {"cut in the file header", [](ElfImage& e) { e.Bytes().resize(40); }},
      {"cut in the header table", [](ElfImage& e) { e.Bytes().resize(e.Bytes().size() - 10); }},
      {"unknown word size", [](ElfImage& e) { e.Bytes()[4] = 3; }},
      {"unknown byte order", [](ElfImage& e) { e.Bytes()[5] = 0; }},
      {"no header table", [](ElfImage& e) { e.PutWord(e.HeaderTableOffsetFieldAt(), 0); }},
      {"header table past the end",
       [](ElfImage& e) { e.PutWord(e.HeaderTableOffsetFieldAt(), e.Bytes().size()); }},
      {"header table offset wraps around",
       [](ElfImage& e) { e.PutWord(e.HeaderTableOffsetFieldAt(), kHuge); }},
      {"header entries too small", [](ElfImage& e) { e.Put(e.EntrySizeFieldAt(), 20, 2); }},
      {"more headers than the file holds", [](ElfImage& e) { e.Put(e.CountFieldAt(), 900, 2); }},
      {"name table index out of range", [](ElfImage& e) { e.Put(e.NameIndexFieldAt(), 4, 2); }},
      {"count in section 0 too large",
       [](ElfImage& e) {
         e.Put(e.CountFieldAt(), 0, 2);
         e.PutWord(e.SectionSizeFieldAt(0), kHuge);
       }},
      {"name table index in section 0 out of range",
       [](ElfImage& e) {
         e.Put(e.NameIndexFieldAt(), 0xFFFF, 2);
         e.Put(e.SectionHeaderAt(0) + 40, 77, 4);
       }},
      {"name table past the end",
       [](ElfImage& e) { e.PutWord(e.SectionOffsetFieldAt(3), e.Bytes().size()); }},
      {"name table size wraps around",
       [](ElfImage& e) { e.PutWord(e.SectionSizeFieldAt(3), kHuge); }},
      {"name offset past the name table",
       [](ElfImage& e) { e.Put(e.SectionHeaderAt(2), 5000, 4); }},
      // "\0.shstrtab\0.text\0.wanted\0" is 25 bytes long.
      {"last name without its NUL", [](ElfImage& e) { e.PutWord(e.SectionSizeFieldAt(3), 24); }},
      {"section bytes past the end",
       [](ElfImage& e) { e.PutWord(e.SectionOffsetFieldAt(2), e.Bytes().size() - 4); }},
      {"section size past the end",
       [](ElfImage& e) { e.PutWord(e.SectionSizeFieldAt(2), e.Bytes().size()); }},
      {"section end wraps around",
       [](ElfImage& e) {
         e.PutWord(e.SectionOffsetFieldAt(2), 16);
         e.PutWord(e.SectionSizeFieldAt(2), ~std::uint64_t{0} - 15);
       }},
      {"section without file bytes", [](ElfImage& e) { e.Put(e.SectionHeaderAt(2) + 4, 8, 4); }},
  };
  ScratchDir scratch;
  for (const auto& [what, damage] : cases) {
    ElfImage image = Image();
    damage(image);
    const std::string file = scratch.Write("image", image.Bytes());
    EXPECT_EQ(ReadElfSection(file, ".wanted", kMax), std::nullopt) << what;
  }
}

}  // namespace
}  // namespace kasumido
