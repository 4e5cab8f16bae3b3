// Whole runs in the test process, on Linux and under Wine, in folders named as users name
// them: the host's folder and the temporary folder in any script, beside decoys named as
// a best-fitting conversion would name them ("Zoë" as "Zoe", "¥" as "\"), and a
// temporary folder longer than MAX_PATH. The run works in exactly the folder it was given,
// and the master file names the cover in Shift_JIS by a path that opens it, or leaves the
// field empty and says so once in the log.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kasumido/texts.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/qt/qt_event_loop.h"
#include "shell/fake_download_view.h"
#include "shell/form_dll.h"
#include "support/host_layout.h"
#include "support/scratch_dir.h"
#include "support/steered_site.h"
#include "support/whole_run_expectations.h"

namespace kasumido {
namespace {

const std::string kComicNow = "/comic/kongetsu.html";
const std::string kCover = "/image/cover_4001.jpg";

struct Case {
  std::string host;
  std::string temp;
  std::vector<std::string> decoys;  // folders below the scratch folder the run must not touch
};

TEST(RunInFolders, WorksInExactlyItsOwnFoldersAndNamesTheCoverForTheHost) {
  const std::string long_temp = std::string(150, 't') + "/" + std::string(150, 'u');
  const Case cases[] = {
      {"Zoë/host", "temp", {"Zoe"}}, {"¥/host", "temp", {"host"}},  // "¥" best-fitted to "\" gives
                                                                    // "<scratch>\host"
      {"𠮷田/host", "temp", {}},     {"한글/host", "temp", {}},    {"😀/host", "temp", {}},
      {"host", "Zoë/temp", {"Zoe"}}, {"host", "𠮷田", {}},         {"host", long_temp, {}},
  };
  test::SteeredSite site;
  site.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001"});
  const std::string image =
      test::ReadFile(std::string(KASUMIDO_SOURCE_DIR) + "/samples/site" + kCover);
  ASSERT_FALSE(image.empty());
  const std::unique_ptr<EventLoop> loop = MakeEventLoop();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host + " TEMP=" + c.temp);
    test::HostLayout layout(c.host, c.temp);
    layout.WriteSettings({{"DLLComic_Checked", "True"}});
    std::vector<std::vector<std::string>> decoys;
    for (const std::string& decoy : c.decoys) {
      layout.scratch.Write(decoy + "/ShelvioMas.csv", "decoy\r\n");
      decoys.push_back(test::TreeSnapshot(layout.scratch.Path() / test::FsPath(decoy)));
    }
    {
      test::FakeDownloadView view;
      TFormDLL form(*loop, view, layout.Setup(site.Origin()));
      form.FormActivate();
    }
    const std::string master = layout.scratch.Read(c.host + "/ShelvioMas.csv");
    EXPECT_NE(master.find("pcd=4001"), std::string::npos) << master;
    EXPECT_NE(layout.SavedCopy("kasumido3.html"), "");
    const std::vector<std::string> log = layout.LogLines();
    const auto left_out = std::count_if(log.begin(), log.end(), [](const std::string& line) {
      return line.find("表紙画像保存不可") != std::string::npos;
    });
    // The cover is named by a path that opens it; only where the host can name no path
    // into the temporary folder is it left out, with one line in the log.
    const std::string field = test::LastCoverField(master);
    if (SjisPathForHost(layout.Temp())) {
      EXPECT_EQ(ReadWholeFile(PathFromSjis(field).value_or("")), image) << field;
      EXPECT_EQ(left_out, 0);
    } else {
      EXPECT_EQ(field, "");
      EXPECT_EQ(left_out, 1);
      EXPECT_FALSE(layout.TempHas("9784899874010.jpg"));
    }
    for (std::size_t i = 0; i < decoys.size(); ++i) {
      EXPECT_EQ(test::TreeSnapshot(layout.scratch.Path() / test::FsPath(c.decoys[i])), decoys[i]);
    }
  }
}

}  // namespace
}  // namespace kasumido
