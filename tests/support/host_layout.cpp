#include "support/host_layout.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace kasumido::test {
namespace {

// Shift_JIS file content as UTF-8 lines without their CR LF; the test fails when the last
// line lacks its CR LF.
std::vector<std::string> Utf8Lines(const std::string& sjis_bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < sjis_bytes.size()) {
    const std::size_t end = sjis_bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a file ends in a cut line";
      lines.push_back(Utf8FromSjis(sjis_bytes.substr(start)));
      break;
    }
    lines.push_back(Utf8FromSjis(sjis_bytes.substr(start, end - start)));
    start = end + 2;
  }
  return lines;
}

}  // namespace

HostLayout::HostLayout(std::string host, std::string temp)
    : host_(std::move(host)), temp_(std::move(temp)) {
  std::filesystem::create_directories(FsPath(Host("plugin")));
  std::filesystem::create_directories(FsPath(Temp()));
}

void HostLayout::WriteSettings(const std::map<std::string, std::string>& settings) const {
  std::string ini = "[TSetup]\r\n";
  for (const auto& [key, value] : settings) ini += key + "=" + value + "\r\n";
  scratch.Write(host_ + "/Shelvio.ini.new", ini);
  std::filesystem::rename(FsPath(Host("Shelvio.ini.new")), FsPath(Host("Shelvio.ini")));
}

std::string HostLayout::RunToEnd(const std::string& origin, std::chrono::milliseconds timeout) {
  const std::unique_ptr<ChildProcess> run = Start(origin);
  EXPECT_EQ(run->Wait(timeout), 0);
  return run->Output();
}

std::string HostLayout::Temp(std::string_view name) const {
  return scratch.File(name.empty() ? temp_ : temp_ + "/" + std::string(name));
}

std::string HostLayout::Host(std::string_view name) const {
  return scratch.File(name.empty() ? host_ : host_ + "/" + std::string(name));
}

std::vector<std::string> HostLayout::LogLines() const { return Utf8Lines(Log()); }

std::vector<std::string> HostLayout::MasterLines() const {
  return Utf8Lines(scratch.Read(host_ + "/ShelvioMas.csv"));
}

std::vector<std::string> HostLayout::PlanLines(int index) const {
  int run = -1;
  std::vector<std::string> lines;
  for (const std::string& line : LogLines()) {
    if (line.rfind("--- START ---\t", 0) == 0) {
      ++run;
    } else if (run == index && line.rfind("--- END ---\t", 0) == 0) {
      lines.push_back("END");
      break;
    } else if (run == index && line.rfind("Version ", 0) != 0) {
      lines.push_back(line);
    }
  }
  return lines;
}

int HostLayout::Runs() const {
  const std::vector<std::string> lines = LogLines();
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("--- START ---\t", 0) == 0;
  }));
}

std::string HostLayout::SavedCopy(std::string_view name) const {
  return scratch.Read(host_ + "/old/" + std::string(name));
}

bool HostLayout::TempHas(std::string_view name) const {
  return std::filesystem::exists(FsPath(Temp(name)));
}

}  // namespace kasumido::test
