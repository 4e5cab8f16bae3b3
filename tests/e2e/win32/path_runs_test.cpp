// kasumido.exe started from host folders named as users name them (Zoë, 𠮷田, 한글, an
// emoji, ¥) beside the folders a best-fitting conversion would turn those names into,
// and with a temporary folder of such a name or of 300 bytes: the program works in
// exactly the folder it was started from, and the master file names the cover in
// Shift_JIS by a path the host opens it by (here Wine's short names); kasumido-inspect.exe
// reads the run's health history from such a folder.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "support/child_process.h"
#include "support/host_layout.h"
#include "support/scratch_dir.h"
#include "support/steered_site.h"
#include "support/whole_run_expectations.h"

namespace kasumido::test {
namespace {

using namespace std::chrono_literals;

struct Case {
  std::string host;
  std::string temp;
  std::vector<std::string> decoys;  // folders the run must not touch
};

TEST(PathRuns, KasumidoExeWorksInExactlyTheFolderItWasStartedFrom) {
  const Case cases[] = {
      {"Zoë/host", "temp", {"Zoe"}},
      {"¥/host", "temp", {"host"}},  // "¥" best-fitted to "\" names "<scratch>\host"
      {"𠮷田 한글 😀/host", "temp", {}},
      {"host", "Zoë", {"Zoe"}},
      {"host", std::string(150, 't') + "\\" + std::string(150, 'u'), {}},
  };
  SteeredSite site;
  site.Listing("/comic/kongetsu.html", {"detail/bk_detail.php?pcd=4001"});
  const std::string image =
      ReadFile(std::string(KASUMIDO_SOURCE_DIR) + "/samples/site/image/cover_4001.jpg");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host + " TEMP=" + c.temp);
    HostLayout host(c.host, c.temp);
    host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "10"}});
    std::vector<std::vector<std::string>> decoys;
    for (const std::string& decoy : c.decoys) {
      for (const char* name : {"Shelvio.ini", "ShelvioMas.csv", "Shelvio.log", "SHV.INI"}) {
        host.scratch.Write(decoy + "/" + name, "decoy\r\n");
      }
      decoys.push_back(TreeSnapshot(host.scratch.Path() / FsPath(decoy)));
    }
    const auto program = host.Start(site.Origin());
    ASSERT_EQ(program->Wait(90s), 0);

    const std::string master = host.scratch.Read(c.host + "/ShelvioMas.csv");
    EXPECT_NE(master.find("pcd=4001"), std::string::npos) << master;
    const std::string field = LastCoverField(master);
    EXPECT_EQ(ReadWholeFile(PathFromSjis(field).value_or("")), image) << field;
    EXPECT_EQ(host.Runs(), 1);
    EXPECT_NE(host.SavedCopy("kasumido3.html"), "");
    EXPECT_FALSE(host.TempHas("GetKasumido2.html"));
    // The inspector, given the host folder as the user types it, finds the run's history.
    ChildProcess inspector(std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-inspect.exe",
                           {"health", host.scratch.File(c.host)},
                           host.scratch.Path() / "inspect.txt");
    EXPECT_EQ(inspector.Wait(30s), 0) << inspector.Output();
    EXPECT_NE(inspector.Output().find("Runs by steps"), std::string::npos) << inspector.Output();
    for (std::size_t i = 0; i < decoys.size(); ++i) {
      EXPECT_EQ(TreeSnapshot(host.scratch.Path() / FsPath(c.decoys[i])), decoys[i]);
    }
  }
}

}  // namespace
}  // namespace kasumido::test
