#include "text/ui_wait.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace kasumido {
namespace {

constexpr Milliseconds kWaitSlice{100};
constexpr double kLongestWaitMinutes = 365.0 * 24 * 60;

bool OpenForReading(const std::string& path, std::ifstream& file) {
  file.close();
  file.clear();
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return false;
  file.open(path, std::ios::in | std::ios::binary);
  return file.is_open();
}

}  // namespace

void YieldToUI(EventLoop& loop) { loop.ProcessPendingEvents(); }

void WaitMinutes(EventLoop& loop, double minutes) {
  if (!(minutes > 0)) return;  // also NaN
  const double milliseconds = std::min(minutes, kLongestWaitMinutes) * 60'000.0;
  const TimePoint until = loop.Now() + Milliseconds(std::llround(milliseconds));
  for (TimePoint now = loop.Now(); now < until; now = loop.Now()) {
    const auto left = std::chrono::ceil<Milliseconds>(until - now);
    loop.WaitForEvents(std::clamp(left, Milliseconds(1), kWaitSlice));
  }
}

bool ResetWithRetry(EventLoop& loop, const std::string& path, int n, std::ifstream& file) {
  for (int attempt = 0;; ++attempt) {
    if (OpenForReading(path, file)) return true;
    if (attempt >= n) break;
    WaitMinutes(loop, 1);
  }
  file.close();
  file.clear();
  return false;
}

}  // namespace kasumido
