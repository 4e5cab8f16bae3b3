// kasumido.exe over the whole sample site, twice, as the host starts it: the master
// file, the run log, the saved pages, the cover files and SHV.INI after each run; and
// two instances started together.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>

#include "e2e/win32/whole_run_fixture.h"
#include "support/poll_until.h"
#include "support/scratch_dir.h"
#include "support/whole_run_expectations.h"

namespace kasumido::test {
namespace {

using namespace std::chrono_literals;

const std::string kLoad = "ダウンロード";
const std::string kSkip = "スキップ";

// The cover files the master file names: its fields that are a file in the temporary
// folder, the names after the folder's "\".
std::vector<std::string> CoversNamed(const std::vector<std::string>& master,
                                     const std::string& temp) {
  std::vector<std::string> names;
  const std::string folder = temp + "\\";
  for (const std::string& line : master) {
    for (std::size_t at = line.find("\"" + folder); at != std::string::npos;
         at = line.find("\"" + folder, at + 1)) {
      const std::size_t start = at + 1 + folder.size();
      names.push_back(line.substr(start, line.find('"', start) - start));
    }
  }
  return names;
}

// The files in `folder`, by their names in UTF-8, with their sizes.
std::map<std::string, std::uintmax_t> FilesIn(const std::string& folder) {
  std::map<std::string, std::uintmax_t> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::wstring name = entry.path().filename().wstring();
    std::string utf8(name.size() * 3, '\0');
    utf8.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), utf8.data(),
                            static_cast<int>(utf8.size()), nullptr, nullptr)));
    files[utf8] = entry.is_regular_file() ? entry.file_size() : 0;
  }
  return files;
}

TEST_F(WholeRun, FirstRunWritesEveryBookAndTheSecondOnlyTheChangedPages) {
  host_.WriteSettings(kWholeSiteSettings);
  host_.scratch.Write("host/SHV.INI", HostShvIni());
  const std::string memory_report = host_.scratch.File("memory.txt");
  const auto started = std::chrono::steady_clock::now();
  Start({}, {{"KASUMIDO_REPORT_MEMORY", memory_report}});
  ASSERT_EQ(Finish(180s), 0) << "the first run ends by itself with exit code 0";
  std::cout << "      (the first run took "
            << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                started)
                   .count()
            << " s; " << ReadFile(memory_report) << ")\n";

  const std::vector<std::string> expected =
      ExpectedMasterLines("master.csv.utf8", site_.Origin(), host_.Temp());
  EXPECT_EQ(host_.MasterLines(), expected);
  const std::vector<std::string> log = host_.LogLines();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(host_.Runs(), 1);
  EXPECT_EQ(log[1].rfind("Version ", 0), 0u) << log[1];
  EXPECT_EQ(log.back().rfind("--- END ---\t", 0), 0u) << log.back();
  EXPECT_EQ(host_.PlanLines(0), PlanLog(site_.Origin(), std::vector<std::string>(12, kLoad),
                                        {{10, {kSiteCoverFailed}}, {11, {kSiteDetailFailed}}}));
  EXPECT_EQ(WrongSavedCopies(host_), std::vector<std::string>{});
  const std::vector<std::string> covers = CoversNamed(host_.MasterLines(), host_.Temp());
  EXPECT_GE(covers.size(), 30u);
  const std::map<std::string, std::uintmax_t> in_temp = FilesIn(host_.Temp());
  for (const std::string& name : covers) {
    EXPECT_GT(in_temp.count(name) != 0 ? in_temp.at(name) : 0, 0u)
        << name << " is not in " << host_.Temp();
  }
  EXPECT_TRUE(host_.TempHas("9784899871019.jpg"));
  for (const char* work_file : {"GetKasumido.html", "GetKasumido2.html"}) {
    EXPECT_FALSE(host_.TempHas(work_file)) << "the work file " << work_file << " was left behind";
  }
  EXPECT_EQ(ShvIniProblems(host_.scratch.Read("host/SHV.INI")), "");

  Start();
  ASSERT_EQ(Finish(120s), 0) << "the second run ends by itself with exit code 0";
  // The missing detail page is tried again after the first comic page, though unchanged.
  EXPECT_EQ(host_.PlanLines(1), PlanLog(site_.Origin(),
                                        {kSkip, kSkip, kSkip, kSkip, kLoad, kLoad, kSkip, kSkip,
                                         kLoad, kLoad, kSkip, kSkip},
                                        {{3, {kSiteDetailRetried, kSiteDetailFailed}}}));
  // Next and last month's light novels and books changed: their books are written again.
  std::vector<std::string> twice = expected;
  for (const std::string& line : WithCodes(expected, {1006, 1007, 1008, 1009, 1010, 1011, 1012,
                                                      2005, 2006, 2007, 2008, 2009, 2010})) {
    twice.push_back(line);
  }
  EXPECT_EQ(host_.MasterLines(), twice);
}

TEST_F(WholeRun, OfTwoInstancesStartedTogetherExactlyOneRuns) {
  // The first listing page is held until the time-out, so the winner outlasts any start.
  site_.Hold("/comic/kongetsu.html");
  host_.WriteSettings(ComicsOnly(3));
  Start();
  std::unique_ptr<ChildProcess> first = std::move(program_);
  Start();
  std::unique_ptr<ChildProcess> second = std::move(program_);
  ASSERT_TRUE(
      PollUntil([&] { return !first->Running() || !second->Running(); }, Clock::now() + 30s));
  EXPECT_TRUE(first->Running() != second->Running()) << "both ended together";
  EXPECT_EQ(first->Wait(60s), 0);
  EXPECT_EQ(second->Wait(60s), 0);
  EXPECT_EQ(host_.Runs(), 1);
  for (const char* page :
       {"/comic/kongetsu.html", "/comic/raigetsu.html", "/comic/sengetsu.html"}) {
    EXPECT_EQ(site_.Count(page), 1) << page;
  }
  EXPECT_EQ(host_.PlanLines(0),
            PlanLog(site_.Origin(), {"", "", "", "失敗", "", "", "", kLoad, "", "", "", kLoad},
                    {{11, {kSiteDetailFailed}}}));
}

}  // namespace
}  // namespace kasumido::test
