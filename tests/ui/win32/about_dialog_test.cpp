// The Win32 version dialog: its texts from the program's own version record, its links,
// and the three ways to close it, as the main window and opened from the download window.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/about_content.h"
#include "platform/paths.h"
#include "platform/waits.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_event_loop.h"
#include "support/encoding.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/window_application.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;

// The child control showing `sjis`; null when there is none.
HWND ChildWithText(HWND dialog, const std::string& sjis) {
  return FindWindowExW(dialog, nullptr, nullptr, WideFromSjis(sjis).c_str());
}

TEST(Win32AboutDialog, ShowsTheVersionRecordAndOpensItsLinks) {
  const AboutContent content = ReadAboutContent(ProgramFile());
  ASSERT_EQ(test::Utf8FromSjis(content.version).rfind("バージョン 1.", 0), 0u);
  AboutDialog dialog(content, AboutRole::kOpenedFromWindow);
  for (const std::string* text :
       {&content.title, &content.version, &content.copy_left, &content.latest_version_note,
        &content.contact_note, &content.home_page, &content.board, &content.ok_caption}) {
    EXPECT_NE(ChildWithText(dialog.Handle(), *text), nullptr) << test::Utf8FromSjis(*text);
  }
  RECT client;
  GetClientRect(dialog.Handle(), &client);
  EXPECT_EQ(client.right, 334);
  EXPECT_EQ(client.bottom, 204);

  std::vector<std::string> opened;
  dialog.OnOpenLink = [&opened](const std::string& url) { opened.push_back(url); };
  dialog.Show();
  for (const std::string* text : {&content.home_page, &content.board, &content.contact_note}) {
    HWND label = ChildWithText(dialog.Handle(), *text);
    SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(0, STN_CLICKED),
                 reinterpret_cast<LPARAM>(label));
  }
  EXPECT_EQ(opened, (std::vector<std::string>{"https://kasumido.example/",
                                              "https://kasumido.example/bbs/"}));
  EXPECT_TRUE(dialog.Visible());
}

TEST(Win32AboutDialog, OkEscAndTheCloseBoxHideItAndEndTheLoopOnlyAsTheMainWindow) {
  const std::unique_ptr<EventLoop> loop = MakeEventLoop();
  const AboutContent content = ReadAboutContent(ProgramFile());
  const struct {
    const char* what;
    std::function<void(HWND dialog, HWND ok)> close;
  } ways[] = {
      {"OK", [](HWND, HWND ok) { SendMessageW(ok, BM_CLICK, 0, 0); }},
      // Through the message queue, as a key arrives: the loop's dialog navigation makes
      // it IDCANCEL.
      {"Esc", [](HWND, HWND ok) { PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close box", [](HWND dialog, HWND) { SendMessageW(dialog, WM_CLOSE, 0, 0); }},
  };
  for (const AboutRole role : {AboutRole::kMainWindow, AboutRole::kOpenedFromWindow}) {
    for (const auto& way : ways) {
      const WindowApplication application;  // no quit asked yet
      AboutDialog dialog(content, role);
      int closes = 0;
      dialog.OnClose = [&closes] { ++closes; };
      dialog.Show();
      way.close(dialog.Handle(), ChildWithText(dialog.Handle(), content.ok_caption));
      PumpUntil(
          *loop, [&] { return closes > 0; }, loop->Now() + 2s);
      EXPECT_EQ(closes, 1) << way.what;
      EXPECT_FALSE(dialog.Visible()) << way.what;
      EXPECT_EQ(WindowApplication::QuitRequested(), role == AboutRole::kMainWindow) << way.what;
      dialog.Show();  // only hidden: it can be shown again
      EXPECT_TRUE(dialog.Visible()) << way.what;
    }
  }
}

}  // namespace
}  // namespace kasumido
