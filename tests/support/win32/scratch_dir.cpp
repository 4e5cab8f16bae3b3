// Scratch folders on Windows: a new folder of a random name below the system's temporary
// folder, made with CreateDirectoryW so that two tests never share one.
#include <windows.h>

#include <clocale>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "support/scratch_dir.h"

namespace kasumido::test {
namespace {

// The tests name files in path text (FsPath, PathText). A narrow string that still
// reaches std::filesystem::path or std::ofstream directly is read in the system's code
// page, and the path's conversions go through the C library's multibyte functions, so
// they are set to that code page too before any test runs.
const bool kNarrowPathsInSystemCodePage = std::setlocale(LC_CTYPE, "") != nullptr;

}  // namespace

ScratchDir::ScratchDir() {
  std::random_device seed;
  std::mt19937_64 random(seed() ^ GetCurrentProcessId() ^ GetTickCount64());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t name[32];
    swprintf(name, 32, L"kasumido-test-%08llx", static_cast<unsigned long long>(random()));
    const std::filesystem::path candidate = base / name;
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no scratch folder could be made");
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::File(std::string_view name) const { return PathText(path_ / FsPath(name)); }

std::string ScratchDir::Write(std::string_view name, std::string_view bytes) const {
  const std::filesystem::path file = path_ / FsPath(name);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return PathText(file);
}

std::string ScratchDir::Read(std::string_view name) const { return ReadFile(path_ / FsPath(name)); }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::filesystem::path FsPath(std::string_view path_text) {
  return std::filesystem::path(std::u8string(path_text.begin(), path_text.end()));
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace kasumido::test
