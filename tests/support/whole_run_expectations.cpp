#include "support/whole_run_expectations.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/paths.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"

namespace kasumido::test {
namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::filesystem::path SourcePath(std::string_view relative) {
  return std::filesystem::path(KASUMIDO_SOURCE_DIR) / relative;
}

}  // namespace

const std::map<std::string, std::string> kWholeSiteSettings = {{"DLLBooks_Checked", "True"},
                                                               {"DLLBunko_Checked", "True"},
                                                               {"DLLComic_Checked", "True"},
                                                               {"CheckEdited_Checked", "True"},
                                                               {"TimeOut_Text", "10"}};

const std::vector<std::string> kPlanPages = {
    "/lnovel/kongetsu.html", "/book/kongetsu.html", "/bunko/kongetsu.html", "/comic/kongetsu.html",
    "/lnovel/raigetsu.html", "/book/raigetsu.html", "/bunko/raigetsu.html", "/comic/raigetsu.html",
    "/lnovel/sengetsu.html", "/book/sengetsu.html", "/bunko/sengetsu.html", "/comic/sengetsu.html"};

std::vector<std::string> ExpectedMasterLines(std::string_view file, const std::string& origin,
                                             const std::string& temp,
                                             const std::vector<std::string>& folders) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(SourcePath("samples/expected") / file));
  const std::string temp_folder = temp + PathSeparator();
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    bool wanted = folders.empty();
    for (const std::string& folder : folders) {
      if (line.find("\"{ORIGIN}" + folder) != std::string::npos) wanted = true;
    }
    if (wanted) {
      lines.push_back(ReplaceAll(ReplaceAll(line, "{ORIGIN}", origin), "{TEMP}/", temp_folder));
    }
  }
  return lines;
}

std::vector<std::string> WithCodes(const std::vector<std::string>& lines,
                                   const std::set<int>& codes) {
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    const std::size_t at = line.find("pcd=");
    if (at != std::string::npos && codes.count(std::stoi(line.substr(at + 4))) != 0) {
      kept.push_back(line);
    }
  }
  return kept;
}

std::vector<std::string> PlanLog(const std::string& origin, const std::vector<std::string>& words,
                                 const std::map<std::size_t, std::vector<std::string>>& after) {
  std::vector<std::string> lines = {"*** 霞堂書店DLL ***"};
  for (std::size_t i = 0; i < kPlanPages.size() && i < words.size(); ++i) {
    if (!words[i].empty()) lines.push_back(origin + kPlanPages[i] + " " + words[i]);
    const auto extra = after.find(i);
    if (extra == after.end()) continue;
    for (const std::string& line : extra->second) lines.push_back(origin + line);
  }
  lines.push_back("END");
  return lines;
}

const std::string kSiteCoverFailed = "/image/cover_3010.jpg 表紙画像取得失敗 (404 Not Found)";
const std::string kSiteDetailFailed =
    "/comic/detail/bk_detail.php?pcd=4099 詳細ページ取得失敗 (404 Not Found)";
const std::string kSiteDetailRetried = "/comic/detail/bk_detail.php?pcd=4099 再試行";

std::vector<std::string> WrongSavedCopies(const HostLayout& host) {
  const std::pair<const char*, const char*> copies[] = {
      {"kasumidoA.html", "lnovel/kongetsu.html"}, {"kasumido1.html", "book/kongetsu.html"},
      {"kasumido2.html", "bunko/kongetsu.html"},  {"kasumido3.html", "comic/kongetsu.html"},
      {"kasumido4.html", "book/raigetsu.html"},   {"kasumido5.html", "bunko/raigetsu.html"},
      {"kasumido6.html", "comic/raigetsu.html"},  {"kasumido7.html", "book/sengetsu.html"},
      {"kasumido8.html", "bunko/sengetsu.html"},  {"kasumido9.html", "comic/sengetsu.html"}};
  std::vector<std::string> wrong;
  for (const auto& [copy, page] : copies) {
    if (host.SavedCopy(copy) != ReadFile(SourcePath("samples/site") / page)) {
      wrong.push_back(std::string("old/") + copy + " is not " + page);
    }
  }
  return wrong;
}

std::string ComicRunsProblems(const HostLayout& host, const std::string& origin,
                              const std::string& settings, bool complete) {
  std::string problems;
  const std::vector<std::string> books =
      ExpectedMasterLines("master.csv.utf8", origin, host.Temp(), {"/comic/"});
  const std::vector<std::string> master = host.MasterLines();  // fails on a cut last line
  for (const std::string& line : master) {
    if (std::find(books.begin(), books.end(), line) == books.end()) {
      problems += "a master line that is no book's: " + line + "; ";
    }
  }
  for (const std::string& book : books) {
    if (complete && std::find(master.begin(), master.end(), book) == master.end()) {
      problems += "a book never written: " + book + "; ";
    }
  }
  const std::string list = host.scratch.Read("host/old/kasumidoRetry.txt");
  if (!list.empty() && (list.rfind("kasumido retry list 1\r\n", 0) != 0 ||
                        list.compare(list.size() - 2, 2, "\r\n") != 0)) {
    problems += "the retry list is not whole; ";
  }
  if (host.scratch.Read("host/Shelvio.ini") != settings) problems += "Shelvio.ini changed; ";
  return problems;
}

std::string HostShvIni() {
  return Sjis(
      "[TFormOption]\r\nLeft=10\r\n; "
      "設定\r\nTop=20\r\n\r\n[TFormMain]\r\nCaption=シェルヴィオ\r\n");
}

std::string ShvIniProblems(const std::string& ini) {
  std::string problems;
  const std::size_t start = ini.find("[TFormDLL]\r\n");
  if (start == std::string::npos) return "no section [TFormDLL]";
  std::size_t end = ini.find("\r\n[", start);
  end = end == std::string::npos ? ini.size() : end + 2;
  const std::string section = ini.substr(start, end - start);
  for (const char* key :
       {"FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos", "NormPos", "Visible"}) {
    if (section.find("\r\n" + std::string(key) + "=") == std::string::npos) {
      problems += std::string("[TFormDLL] has no ") + key + "; ";
    }
  }
  std::string rest = ini.substr(0, start) + ini.substr(end);
  while (rest.size() >= 4 && rest.compare(rest.size() - 4, 4, "\r\n\r\n") == 0)
    rest.resize(rest.size() - 2);
  if (rest != HostShvIni()) problems += "the host's bytes changed: " + Utf8FromSjis(rest);
  return problems;
}

std::string LastCoverField(const std::string& master) {
  const std::size_t end = master.rfind("\"\r\n");
  const std::size_t start = end == std::string::npos ? end : master.rfind(",\"", end);
  if (start == std::string::npos) return "(no line)";
  return master.substr(start + 2, end - start - 2);
}

}  // namespace kasumido::test
