// Whole runs in folders named as users name them: a host folder and a temporary folder in
// any script, beside a decoy folder whose name a best-fitting conversion would make of
// them, and a temporary folder of 300 bytes. The program works in exactly the folder it
// was started from, and the master file names each cover in Shift_JIS by a path the host
// can open (on Linux "/tmp" always is one; a run that has none is an in-process test).
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "support/scratch_dir.h"
#include "support/steered_site.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;

const std::string kComicNow = "/comic/kongetsu.html";
constexpr std::string_view kCoverName = "9784899874010.jpg";

// A host folder that is not the program's, named as a best-fitting conversion names
// "Zoë": every byte of it must stay as it is.
constexpr std::string_view kDecoy = "Zoe/host";

enum class Cover { kInTemp, kInTmpdir };

struct Case {
  const char* host;
  std::string temp;
  const char* tmpdir;  // TMPDIR below the scratch folder; null: unset
  Cover cover;
};

// The one book of the steered site, with its cover where `folder` says (empty: left out).
std::string ExpectedLine(const std::string& origin, const std::string& folder) {
  std::string line;
  for (const std::string& each : ExpectedMasterLines("master.csv.utf8", origin, "{TEMP}")) {
    if (each.find("pcd=4001\"") != std::string::npos) line = each;
  }
  const std::string field = "\"{TEMP}/" + std::string(kCoverName) + "\"";
  EXPECT_NE(line.find(field), std::string::npos) << line;
  line.replace(line.find(field), field.size(),
               folder.empty() ? "\"\"" : "\"" + folder + "/" + std::string(kCoverName) + "\"");
  return line;
}

TEST(PathRun, WorksInExactlyItsOwnFolderWhateverItsNameAndNamesCoversForTheHost) {
  const Case cases[] = {
      {"Zoë/host", "temp", nullptr, Cover::kInTemp},
      {"𠮷田/host", "temp", nullptr, Cover::kInTemp},
      {"한글/host", "temp", nullptr, Cover::kInTemp},
      {"😀/host", "temp", nullptr, Cover::kInTemp},
      {"¥/host", "temp", nullptr, Cover::kInTemp},
      {"host", "一時フォルダ", nullptr, Cover::kInTemp},  // named in Shift_JIS in the master file
      {"host", "Zoë-temp", "tmpdir", Cover::kInTmpdir},   // the first folder the host can name
      {"host", std::string(150, 't') + "/" + std::string(150, 'u'), nullptr, Cover::kInTemp},
  };
  test::SteeredSite site;
  site.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001"});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.host) + " TEMP=" + c.temp);
    HostLayout host(c.host, c.temp);
    host.WriteSettings({{"DLLComic_Checked", "True"}});
    for (const char* name : {"Shelvio.ini", "ShelvioMas.csv", "Shelvio.log", "SHV.INI"}) {
      host.scratch.Write(std::string(kDecoy) + "/" + name, "decoy\r\n");
    }
    const std::vector<std::string> decoy = test::TreeSnapshot(host.scratch.Path() / kDecoy);
    std::map<std::string, std::string> env;
    if (c.tmpdir) {
      env["TMPDIR"] = host.scratch.File(c.tmpdir);
      std::filesystem::create_directories(test::FsPath(env["TMPDIR"]));
    }
    const auto run = host.Start(site.Origin(), {}, env);
    ASSERT_EQ(run->Wait(60s), 0);

    const std::string cover_folder = c.cover == Cover::kInTemp ? host.Temp() : env["TMPDIR"];
    EXPECT_EQ(host.MasterLines(),
              std::vector<std::string>{ExpectedLine(site.Origin(), cover_folder)});
    for (const std::string& line : host.LogLines()) {
      EXPECT_EQ(line.find("表紙画像保存不可"), std::string::npos) << line;
    }
    EXPECT_EQ(host.TempHas(kCoverName), c.cover == Cover::kInTemp);
    EXPECT_NE(host.SavedCopy("kasumido3.html"), "");
    EXPECT_EQ(test::TreeSnapshot(host.scratch.Path() / kDecoy), decoy);
  }
}

}  // namespace
}  // namespace kasumido::e2e
