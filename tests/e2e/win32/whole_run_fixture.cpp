#include "e2e/win32/whole_run_fixture.h"

#include "e2e/win32/program_windows.h"
#include "support/poll_until.h"

namespace kasumido::test {
namespace {

// The run buttons' control identifiers, in RunButton's order: what the program's window
// names them (the window's first run button is 120).
constexpr int kFirstRunButtonId = 120;

}  // namespace

WholeRun::WholeRun() { site_.ServeWholeSite(); }

void WholeRun::Start(const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env) {
  program_ = host_.Start(site_.Origin(), args, env,
                         "program-" + std::to_string(++started_) + ".txt");
}

int WholeRun::Finish(std::chrono::seconds timeout) {
  return program_ == nullptr ? -1 : program_->Wait(timeout);
}

HWND WholeRun::DownloadWindow() {
  HWND window = WaitForWindow(L"TFormDLL", kDownloadCaption);
  EXPECT_NE(window, nullptr) << "no download window";
  return window;
}

void WholeRun::Click(RunButton button) {
  HWND window = DownloadWindow();
  if (window == nullptr) return;
  HWND control = FindControl(window, kFirstRunButtonId + static_cast<int>(button));
  ASSERT_NE(control, nullptr) << "no run button " << static_cast<int>(button);
  ClickControl(control);
}

std::array<bool, 4> WholeRun::Buttons() {
  std::array<bool, 4> enabled{};
  HWND window = DownloadWindow();
  for (std::size_t i = 0; i < enabled.size() && window != nullptr; ++i) {
    HWND control = FindControl(window, kFirstRunButtonId + static_cast<int>(i));
    enabled[i] = control != nullptr && IsWindowEnabled(control) != FALSE;
  }
  return enabled;
}

bool WholeRun::ButtonsBecome(const std::array<bool, 4>& wanted) {
  return PollUntil([&] { return Buttons() == wanted; }, Clock::now() + std::chrono::seconds(5));
}

std::map<std::string, std::string> ComicsOnly(int time_out_seconds) {
  return {{"DLLComic_Checked", "True"}, {"TimeOut_Text", std::to_string(time_out_seconds)}};
}

}  // namespace kasumido::test
