// The Win32 download window: its placement through SHV.INI, its title list, and its
// buttons over a real run on the deterministic loop, clicked as a user clicks them.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/detail_analysis.h"
#include "app/window_mode.h"
#include "platform/win32/wide_text.h"
#include "support/encoding.h"
#include "support/host_layout.h"
#include "support/steered_site.h"
#include "support/test_event_loop.h"
#include "ui/win32/download_window.h"
#include "ui/win32/window_application.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using Buttons = std::array<bool, 4>;  // Play, Skip, Stop, Pause

const std::string kComicNow = "/comic/kongetsu.html";
const std::string kComicNext = "/comic/raigetsu.html";

class Win32DownloadWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<DownloadWindow> MakeWindow() {
    return std::make_unique<DownloadWindow>(loop_, layout_.scratch.File("host/plugin"),
                                            ProgramFile());
  }
  std::string Ini() const { return layout_.scratch.Read("host/SHV.INI"); }
  static RECT NormalRect(const DownloadWindow& window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window.Handle(), &placement);
    return placement.rcNormalPosition;
  }
  static std::string MemoText(const DownloadWindow& window) {
    const int length = GetWindowTextLengthW(window.MemoHandle());
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(window.MemoHandle(), text.data(), length + 1)));
    return test::Utf8FromSjis(SjisFromWide(text));
  }

  test::HostLayout layout_;
  test::TestEventLoop loop_;
};

TEST_F(Win32DownloadWindowTest, PlacementGoesThroughShvIniAndComesBackOntoAScreen) {
  struct Case {
    const char* what;
    std::function<void(HWND)> arrange;  // what the user did before the window closed
    std::string norm_pos;               // NormPos saved
    std::string show_cmd;               // ShowCmd saved
    RECT restored;                      // the next window's normal rectangle
    bool maximised;                     // and whether it shows maximised
  };
  const std::vector<Case> cases = {
      {"left at its first place", [](HWND) {}, "168,102,536,339", "1", {168, 102, 536, 339}, false},
      {"moved and resized",
       [](HWND window) { SetWindowPos(window, nullptr, 200, 150, 400, 260, SWP_NOZORDER); },
       "200,150,600,410",
       "1",
       {200, 150, 600, 410},
       false},
      {"maximised over a moved place",
       [](HWND window) {
         SetWindowPos(window, nullptr, 60, 70, 300, 200, SWP_NOZORDER);
         ShowWindow(window, SW_MAXIMIZE);
       },
       "60,70,360,270",
       "3",
       {60, 70, 360, 270},
       true},
  };
  const std::string kHostIni = "[Host]\r\nKey=" + test::Sjis("値") + "\r\n";
  for (const Case& c : cases) {
    // The host's own bytes in SHV.INI stay as they are around the window's section.
    layout_.scratch.Write("host/SHV.INI", kHostIni);
    {
      const std::unique_ptr<DownloadWindow> window = MakeWindow();
      window->Show();
      c.arrange(window->Handle());
      window->CloseView();
      EXPECT_FALSE(IsWindowVisible(window->Handle())) << c.what;
    }
    const std::string ini = Ini();
    EXPECT_EQ(ini.rfind(kHostIni, 0), 0u) << c.what << ": " << ini;
    EXPECT_NE(ini.find("NormPos=" + c.norm_pos + "\r\n"), std::string::npos) << c.what << ini;
    EXPECT_NE(ini.find("ShowCmd=" + c.show_cmd + "\r\n"), std::string::npos) << c.what << ini;
    const std::unique_ptr<DownloadWindow> restored = MakeWindow();
    restored->Show();
    const RECT normal = NormalRect(*restored);
    EXPECT_EQ((std::array{normal.left, normal.top, normal.right, normal.bottom}),
              (std::array{c.restored.left, c.restored.top, c.restored.right, c.restored.bottom}))
        << c.what;
    EXPECT_EQ(IsZoomed(restored->Handle()) != FALSE, c.maximised) << c.what;
  }
  // A placement off every screen gives the first place.
  layout_.scratch.Write("host/SHV.INI", "[TFormDLL]\r\nNormPos=9000,9000,9368,9237\r\n");
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  const RECT normal = NormalRect(*window);
  EXPECT_EQ((std::array{normal.left, normal.top, normal.right, normal.bottom}),
            (std::array<LONG, 4>{168, 102, 536, 339}));
}

TEST_F(Win32DownloadWindowTest, TitleListHoldsOneLinePerTitleAndIsClearedPastAHundred) {
  struct Case {
    const char* what;
    std::vector<std::string> titles;
    int lines;         // TitleCount at the end
    std::string memo;  // the memo's text, or only its end after "..."
  };
  const auto many = [](int count, const std::string& title, const std::string& last) {
    std::vector<std::string> titles(static_cast<std::size_t>(count), title);
    titles.push_back(last);
    return titles;
  };
  const std::vector<Case> cases = {
      {"plain titles",
       {"恋する魔導書 3", "星屑の航海士 上"},
       2,
       "恋する魔導書 3\r\n星屑の航海士 上"},
      {"an empty title is a line", {"a", "", "b"}, 3, "a\r\n\r\nb"},
      {"every line break counts", {"a\r\nb", "c\rd", "e\nf"}, 6, "a\r\nb\r\nc\r\nd\r\ne\r\nf"},
      {"a hundred and one stay", many(100, "t", "last"), 101, "...t\r\nlast"},
      {"the hundred and second clears first", many(101, "t", "last"), 1, "last"},
      {"a title with line breaks counts its lines", many(50, "a\r\nb", "c"), 101, "...b\r\nc"},
      {"past a hundred lines the next clears first", many(51, "a\r\nb", "c"), 1, "c"},
  };
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  layout_.WriteSettings({});
  TFormDLL form(loop_, *window, layout_.Setup("http://127.0.0.1:9"));
  for (const Case& c : cases) {
    window->ClearTitles();
    for (const std::string& title : c.titles) EchoTitle(form, test::Sjis(title));
    EXPECT_EQ(window->TitleCount(), c.lines) << c.what;
    const std::string memo = MemoText(*window);
    if (c.memo.rfind("...", 0) == 0) {
      const std::string end = c.memo.substr(3);
      EXPECT_EQ(memo.substr(memo.size() - std::min(memo.size(), end.size())), end) << c.what;
    } else {
      EXPECT_EQ(memo, c.memo) << c.what;
    }
  }
}

TEST_F(Win32DownloadWindowTest, ButtonsFollowARunThroughPauseResumeSkipAndStop) {
  test::SteeredSite site;
  site.Hold(kComicNow);
  site.Hold(kComicNext);
  layout_.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "20"}});
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  auto form = std::make_unique<TFormDLL>(loop_, *window, layout_.Setup(site.Origin()));
  ConnectDownloadWindow(*window, *form);
  const auto states = [&window] {
    Buttons now{};
    for (std::size_t i = 0; i < now.size(); ++i) {
      now[i] = window->ButtonEnabled(static_cast<RunButton>(i));
    }
    return now;
  };
  // A click as the user makes it: through the button's own messages, from the loop, so a
  // pause click holds its handler (and the run beneath it) until the pause ends.
  const auto click = [&](RunButton button) {
    loop_.Post([&window, button] { SendMessageW(window->ButtonHandle(button), BM_CLICK, 0, 0); });
  };
  struct Step {
    const char* what;
    std::function<bool()> ready;
    std::function<void()> act;
  };
  const std::vector<Step> steps = {
      {"the first listing in transfer", [&] { return site.Count(kComicNow) == 1; },
       [&] {
         EXPECT_EQ(states(), (Buttons{false, true, true, true}));
         click(RunButton::kPause);
       }},
      {"paused", [&] { return form->Paused(); },
       [&] {
         EXPECT_EQ(states(), (Buttons{true, true, true, false}));
         click(RunButton::kPlay);
       }},
      {"resumed", [&] { return !form->Paused() && states()[3]; }, [&] { click(RunButton::kSkip); }},
      {"the next listing in transfer", [&] { return site.Count(kComicNext) == 1; },
       [&] { click(RunButton::kPause); }},
      {"paused again", [&] { return form->Paused(); }, [&] { click(RunButton::kStop); }},
      {"stopped during the pause", [&] { return form->StopRequested() && !form->Paused(); },
       [&] {
         EXPECT_EQ(states(), (Buttons{false, false, false, false}));
       }},
  };
  std::size_t next = 0;
  const std::unique_ptr<Timer> user = loop_.CreateTimer();
  user->SetInterval(5ms);
  user->OnTimer = [&] {
    while (next < steps.size() && steps[next].ready()) steps[next++].act();
  };
  user->SetEnabled(true);
  WindowApplication application;
  window->Show();
  application.Exec(loop_);  // the first activation runs the download and ends the loop
  user->OnTimer();
  EXPECT_EQ(next, steps.size()) << "never came to: "
                                << steps[std::min(next, steps.size() - 1)].what;
  EXPECT_EQ(states(), (Buttons{false, false, false, false}));
  EXPECT_FALSE(IsWindowVisible(window->Handle()));
  form.reset();
  const std::string origin = site.Origin();
  EXPECT_EQ(layout_.PlanLines(),
            (std::vector<std::string>{"*** 霞堂書店DLL ***", "スキップボタン押下",
                                      origin + kComicNow + " 失敗", "停止ボタン押下",
                                      origin + kComicNext + " 失敗", "END"}));
}

}  // namespace
}  // namespace kasumido
