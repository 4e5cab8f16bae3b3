// The fixture of the whole runs of kasumido.exe: a host layout (support/host_layout.h)
// with the real program in its plug-in folder, a steered copy of the sample site
// (support/steered_site.h) on a loopback port of the suite's own, and verbs to start the
// program, wait for its windows and its end, and click its run buttons. A new whole-run
// case is a TEST_F of WholeRun: arrange the site (Hold, Answer, Listing), write the
// settings, Start, act, Finish, then check the host's files through host_.
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/download_view.h"
#include "support/host_layout.h"
#include "support/steered_site.h"

namespace kasumido::test {

// The caption of the download window and of the version dialog.
inline constexpr char kDownloadCaption[] = "霞堂書店データダウンロード中...";
inline constexpr char kAboutCaption[] = "バージョン情報";

class WholeRun : public ::testing::Test {
 protected:
  // The site serves the whole sample site unless a case arranges otherwise.
  WholeRun();

  // Starts the program with `args`, the site as its origin and the layout's temporary
  // folder; `env` on top.
  void Start(const std::vector<std::string>& args = {},
             const std::map<std::string, std::string>& env = {});
  // Waits up to `timeout` for the program's end; its exit code (-1, and the test fails,
  // when it did not end).
  int Finish(std::chrono::seconds timeout);
  // The program's download window, waiting for it; null (and the test fails) when none.
  HWND DownloadWindow();
  // Clicks a run button of the download window where the window shows it.
  void Click(RunButton button);
  // Whether each run button is enabled, in RunButton's order (Play, Skip, Stop, Pause).
  std::array<bool, 4> Buttons();
  // Waits up to 5 s for the buttons to be `wanted`.
  bool ButtonsBecome(const std::array<bool, 4>& wanted);

  HostLayout host_;
  SteeredSite site_;
  std::unique_ptr<ChildProcess> program_;

 private:
  int started_ = 0;
};

// The settings of a run over the comic pages only, with the given time-out in seconds.
std::map<std::string, std::string> ComicsOnly(int time_out_seconds);

}  // namespace kasumido::test
