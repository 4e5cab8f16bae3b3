// The Win32 version dialog: its texts from the program's own version record, its links,
// its layout and icon at the screen's scale, and the three ways to close it, as the main
// window and opened from the download window.
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
#include "ui/win32/dpi.h"
#include "ui/win32/win32_controls.h"
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

// The pixel of `picture` at the point (x, y) of the icon's 32-unit design grid.
COLORREF IconPixel(HBITMAP picture, int size, double x, double y) {
  HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, picture);
  const COLORREF pixel =
      GetPixel(dc, static_cast<int>(x * size / 32), static_cast<int>(y * size / 32));
  SelectObject(dc, old);
  DeleteDC(dc);
  return pixel;
}

TEST(Win32AboutDialog, ItsSizePlacesFontAndIconFollowTheScreensScale) {
  const AboutContent content = ReadAboutContent(ProgramFile());
  AboutDialog dialog(content, AboutRole::kOpenedFromWindow);
  const int dpi = WindowDpi(dialog.Handle());
  RECT client;
  GetClientRect(dialog.Handle(), &client);
  EXPECT_EQ(client.right, Scaled(334, dpi));
  EXPECT_EQ(client.bottom, Scaled(204, dpi));
  // Each control's top-left corner at 96 dpi; the OK button's size too.
  const struct {
    const std::string* text;
    POINT place;
  } labels[] = {{&content.title, {80, 8}},      {&content.version, {80, 32}},
                {&content.copy_left, {80, 56}}, {&content.latest_version_note, {8, 76}},
                {&content.home_page, {32, 96}}, {&content.contact_note, {8, 120}},
                {&content.board, {32, 144}},    {&content.ok_caption, {127, 169}}};
  for (const auto& label : labels) {
    HWND control = ChildWithText(dialog.Handle(), *label.text);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, Scaled(label.place.x, dpi)) << test::Utf8FromSjis(*label.text);
    EXPECT_EQ(rect.top, Scaled(label.place.y, dpi)) << test::Utf8FromSjis(*label.text);
    EXPECT_GE(rect.bottom - rect.top, Scaled(12, dpi)) << test::Utf8FromSjis(*label.text);
    LOGFONTW font{};
    GetObjectW(FontOf(control), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -Scaled(12, dpi)) << test::Utf8FromSjis(*label.text);
    if (label.text == &content.ok_caption) {
      EXPECT_EQ(rect.right - rect.left, Scaled(75, dpi));
      EXPECT_EQ(rect.bottom - rect.top, Scaled(25, dpi));
    }
  }
  // ImageMain: 64 pixels at 96 dpi, holding the whole icon drawn at that size: the first
  // haze band, the cover near the bottom and the page edge at the bottom right, where a
  // smaller picture stretched would show only the icon's top-left part.
  HWND image_main = GetWindow(dialog.Handle(), GW_CHILD);
  while (image_main != nullptr && SendMessageW(image_main, STM_GETIMAGE, IMAGE_BITMAP, 0) == 0) {
    image_main = GetWindow(image_main, GW_HWNDNEXT);  // the first picture: ImageMain
  }
  ASSERT_NE(image_main, nullptr);
  const auto picture =
      reinterpret_cast<HBITMAP>(SendMessageW(image_main, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP bitmap{};
  ASSERT_NE(GetObjectW(picture, sizeof bitmap, &bitmap), 0);
  const int size = Scaled(64, dpi);
  EXPECT_EQ(bitmap.bmWidth, size);
  EXPECT_EQ(bitmap.bmHeight, size);
  const COLORREF haze = IconPixel(picture, size, 16, 10);
  EXPECT_GT(GetRValue(haze), 230);
  EXPECT_LT(GetGValue(haze), 225);
  const COLORREF cover = IconPixel(picture, size, 22, 25.5);
  EXPECT_GT(GetBValue(cover), GetRValue(cover) + 50);
  const COLORREF page = IconPixel(picture, size, 27, 29.5);
  EXPECT_GT(GetGValue(page), 235);
  EXPECT_GT(GetRValue(page), 235);
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
