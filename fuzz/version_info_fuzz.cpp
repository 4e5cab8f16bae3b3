// The version reader on raw files and on ELF images: a file of the input's bytes under a
// listed extension or a script's; an ELF image whose version section holds the input;
// and a well-formed ELF image with a version block, patched at the input's offsets. No
// file makes the reader fail, and no value is longer than the reader keeps.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "about/version_info.h"
#include "fuzz_input.h"
#include "platform/posix/version_block.h"
#include "support/elf_image.h"

namespace kasumido {
namespace {

std::string BlockFor(std::string_view value) {
  const std::string translation{"\x11\x04\xA4\x03", 4};  // 0411, 03A4
  const std::string path = "\\StringFileInfo\\041103A4\\ProductName";
  const std::vector<VersionBlockEntry> entries = {{kTranslationPath, translation}, {path, value}};
  return VersionBlockBytes(entries);
}

std::string ImageWith(const std::string& section, bool is_64) {
  return test::ElfImage(test::ElfSections{{".text", std::string(32, '\x90')},
                                          {std::string(kVersionSectionName), section}},
                        test::ElfOptions{.is_64 = is_64})
      .Bytes();
}

// Values from a version block are cut to kMaxVersionValue; a script header is read from
// the first 64 KiB of its file, and its values are never longer.
constexpr size_t kScriptHeaderBytes = 64 << 10;

void CheckFile(const std::string& extension, std::string_view bytes) {
  const std::string path = "/tmp/kasumido_version_fuzz_" + std::to_string(::getpid()) + extension;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  VersionRecord record;
  GetVersionInfo(path, record);
  std::remove(path.c_str());
  const size_t longest = extension == ".txt" ? kScriptHeaderBytes : kMaxVersionValue;
  for (const std::string& field : record.fields) FUZZ_CHECK(field.size() <= longest);
}

}  // namespace
}  // namespace kasumido

// Input: a mode byte (0: raw file as a script, 1: raw file as ".exe", 2: the input as the
// version section, 3: patches (offset byte pairs, then bytes) of a good image; bit 2
// chooses 32-bit images), then the bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t mode = input.Byte();
  const bool is_64 = (mode & 4) == 0;
  switch (mode & 3) {
    case 0:
      CheckFile(".txt", input.Rest());
      break;
    case 1:
      CheckFile(".exe", input.Rest());
      break;
    case 2:
      CheckFile("", ImageWith(std::string(input.Rest()), is_64));
      break;
    default: {
      std::string image = ImageWith(BlockFor("kasumido"), is_64);
      while (!input.Empty()) {
        const size_t at = (size_t{input.Byte()} << 8 | input.Byte()) % image.size();
        image[at] = static_cast<char>(input.Byte());
      }
      CheckFile(".dll", image);
      break;
    }
  }
  return 0;
}
