// kasumido.exe started with "/c" or "/C": the version dialog alone, nothing fetched or
// logged, the end when its OK button is clicked.
#include <thread>

#include "e2e/win32/program_windows.h"
#include "e2e/win32/whole_run_fixture.h"

namespace kasumido::test {
namespace {

using namespace std::chrono_literals;

TEST_F(WholeRun, SlashCShowsTheVersionDialogAloneAndEndsAtOk) {
  host_.WriteSettings(ComicsOnly(10));
  for (const char* argument : {"/c", "/C"}) {
    SCOPED_TRACE(argument);
    Start({argument});
    HWND dialog = WaitForWindow(L"TAboutForm", kAboutCaption);
    ASSERT_NE(dialog, nullptr);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(FindWindowW(L"TFormDLL", nullptr), nullptr) << "the download window is open";
    HWND ok = FindControl(dialog, IDCANCEL);  // OK is also the dialog's Esc button
    ASSERT_NE(ok, nullptr);
    ClickControl(ok);
    EXPECT_EQ(Finish(15s), 0);
  }
  EXPECT_EQ(site_.Targets(), std::vector<std::string>{});
  EXPECT_FALSE(std::filesystem::exists(host_.Host("Shelvio.log"))) << "a run log was written";
}

}  // namespace
}  // namespace kasumido::test
