#include "support/scratch_dir.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kasumido::test {
namespace {

// Random enough that processes started together take different names even where the
// C++ library's random device is a fixed sequence: the clock and the thread mix in.
std::uint64_t RandomName() {
  static thread_local std::mt19937_64 random(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      std::hash<std::thread::id>{}(std::this_thread::get_id()));
  return random();
}

}  // namespace

ScratchDir::ScratchDir() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "kasumido-test-%016llx",
                  static_cast<unsigned long long>(RandomName()));
    // A folder that exists already is never taken: two tests never share one.
    if (std::filesystem::create_directory(base / name)) {
      path_ = base / name;
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

}  // namespace kasumido::test
