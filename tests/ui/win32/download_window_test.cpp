// The Win32 download window: its placement through SHV.INI, its layout at the screen's
// scale, its title list, and its buttons over a real run on the deterministic loop,
// clicked as a user clicks them. The suite runs at 96 and at 192 dpi.
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
#include "ui/win32/dpi.h"
#include "ui/win32/win32_controls.h"
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

// The first place at the screen's scale: 168, 102 at 96 dpi.
RECT FirstPlace(const DownloadWindow& window) {
  RECT outer;
  GetWindowRect(window.Handle(), &outer);
  const int dpi = WindowDpi(window.Handle());
  return {Scaled(168, dpi), Scaled(102, dpi), Scaled(168, dpi) + outer.right - outer.left,
          Scaled(102, dpi) + outer.bottom - outer.top};
}

std::string NormPos(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
         std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

TEST_F(Win32DownloadWindowTest, PlacementGoesThroughShvIniAndComesBackOntoAScreen) {
  const RECT first = FirstPlace(*MakeWindow());
  // Sizes above the least size at 96 and at 192 dpi.
  struct Case {
    const char* what;
    std::function<void(HWND)> arrange;  // what the user did before the window closed
    std::string norm_pos;               // NormPos saved
    std::string show_cmd;               // ShowCmd saved
    RECT restored;                      // the next window's normal rectangle
    bool maximised;                     // and whether it shows maximised
  };
  const std::vector<Case> cases = {
      {"left at its first place", [](HWND) {}, NormPos(first), "1", first, false},
      {"moved and resized",
       [](HWND window) { SetWindowPos(window, nullptr, 200, 150, 560, 330, SWP_NOZORDER); },
       "200,150,760,480",
       "1",
       {200, 150, 760, 480},
       false},
      {"maximised over a moved place",
       [](HWND window) {
         SetWindowPos(window, nullptr, 60, 70, 520, 310, SWP_NOZORDER);
         ShowWindow(window, SW_MAXIMIZE);
       },
       "60,70,580,380",
       "3",
       {60, 70, 580, 380},
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
  EXPECT_EQ(NormPos(normal), NormPos(first));
  // One saved at 96 dpi comes back as large on the screen at this scale.
  layout_.scratch.Write("host/SHV.INI",
                        "[TFormDLL]\r\nPixelsPerInch=96\r\nNormPos=100,60,500,360\r\n");
  const int dpi = WindowDpi(window->Handle());
  EXPECT_EQ(NormPos(NormalRect(*MakeWindow())),
            NormPos({Scaled(100, dpi), Scaled(60, dpi), Scaled(500, dpi), Scaled(360, dpi)}));
}

int GetClientRectHeight(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  return client.bottom;
}

// A control's rectangle in its window's client area.
RECT ClientRectOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetAncestor(control, GA_ROOT), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Each edge of `actual` is `design` (at 96 dpi) at `dpi`, give or take `slack` pixels.
void ExpectScaled(const RECT& actual, const RECT& design, int dpi, const char* what,
                  int slack = 1) {
  const std::array<LONG, 4> edges{actual.left, actual.top, actual.right, actual.bottom};
  const std::array<LONG, 4> wanted{Scaled(design.left, dpi), Scaled(design.top, dpi),
                                   Scaled(design.right, dpi), Scaled(design.bottom, dpi)};
  for (std::size_t i = 0; i < edges.size(); ++i) {
    EXPECT_NEAR(edges[i], wanted[i], slack) << what << " edge " << i << " at " << dpi << " dpi";
  }
}

TEST_F(Win32DownloadWindowTest, EveryPlaceSizeAndFontFollowsTheScreensScale) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  window->Show();
  const int dpi = WindowDpi(window->Handle());
  RECT client;
  GetClientRect(window->Handle(), &client);
  // The client area: what the 368 x 237 window leaves inside its frame at 96 dpi.
  const SIZE frame = OuterSizeForClient({0, 0}, WS_OVERLAPPEDWINDOW, WS_EX_CONTROLPARENT, 96);
  EXPECT_NEAR(client.right, Scaled(368 - frame.cx, dpi), 1);
  EXPECT_NEAR(client.bottom, Scaled(237 - frame.cy, dpi), 1);

  // Designed at 96 dpi, counted from the client area's top, or its bottom for the run
  // buttons (above the 24-high status bar).
  const int bottom = MulDiv(client.bottom, 96, dpi);
  const struct {
    const char* what;
    HWND control;
    RECT design;
  } controls[] = {
      {"Panel1", GetDlgItem(window->Handle(), 100), {0, 0, 0, 41}},
      {"SpeedButtonURL", GetDlgItem(GetDlgItem(window->Handle(), 100), 110), {304, 8, 327, 30}},
      {"SpeedButtonAbout", GetDlgItem(GetDlgItem(window->Handle(), 100), 111), {328, 8, 351, 30}},
      {"ButtonPlay", window->ButtonHandle(RunButton::kPlay), {8, bottom - 49, 89, bottom - 24}},
      {"ButtonSkip", window->ButtonHandle(RunButton::kSkip), {97, bottom - 49, 178, bottom - 24}},
      {"ButtonStop", window->ButtonHandle(RunButton::kStop), {184, bottom - 49, 265, bottom - 24}},
      {"ButtonPause",
       window->ButtonHandle(RunButton::kPause),
       {272, bottom - 49, 353, bottom - 24}},
  };
  for (const auto& c : controls) {
    RECT design = c.design;
    if (design.right == 0) design.right = MulDiv(client.right, 96, dpi);
    ExpectScaled(ClientRectOf(c.control), design, dpi, c.what, 2);
  }
  LOGFONTW font{};
  ASSERT_NE(GetObjectW(FontOf(window->ButtonHandle(RunButton::kStop)), sizeof font, &font), 0);
  EXPECT_EQ(font.lfHeight, -Scaled(12, dpi));
  for (HWND control : {window->MemoHandle(), GetDlgItem(window->Handle(), 100)}) {
    EXPECT_EQ(FontOf(control), FontOf(window->ButtonHandle(RunButton::kStop)));
  }

  // Moved to a monitor of half the scale (a larger one would not fit the test's screen):
  // laid out anew at the suggested rectangle.
  RECT suggested;
  GetWindowRect(window->Handle(), &suggested);
  suggested.right = suggested.left + (suggested.right - suggested.left) / 2;
  suggested.bottom = suggested.top + (suggested.bottom - suggested.top) / 2;
  const int half = dpi / 2;
  SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(half, half),
               reinterpret_cast<LPARAM>(&suggested));
  RECT now;
  GetWindowRect(window->Handle(), &now);
  EXPECT_EQ(NormPos(now), NormPos(suggested));
  const int half_bottom = MulDiv(GetClientRectHeight(window->Handle()), 96, half);
  ExpectScaled(ClientRectOf(window->ButtonHandle(RunButton::kSkip)),
               {97, half_bottom - 49, 178, half_bottom - 24}, half, "ButtonSkip after the move", 2);
  ASSERT_NE(GetObjectW(FontOf(window->ButtonHandle(RunButton::kStop)), sizeof font, &font), 0);
  EXPECT_EQ(font.lfHeight, -Scaled(12, half));
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
