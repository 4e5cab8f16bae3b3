#include "health_table.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/files.h"
#include "platform/utf8.h"
#include "shell/download_plan.h"
#include "shell/health_findings.h"
#include "text/paths.h"

namespace kasumido::inspect {
namespace {

constexpr char kStateLetters[] = "-FUAI";  // StepState order

char StateLetter(StepState state) { return kStateLetters[static_cast<int>(state)]; }

std::string Cell(const char* format, int a, int b = 0) {
  char text[32];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// Runs by steps: per step its state and the books written of the links found.
void WriteRunTable(const std::vector<RunHealth>& runs, std::ostream& out) {
  out << "Runs by steps: state and books written/links found (A analysed, U unchanged,\n"
         "F listing page failed, I interrupted, - not run); steps numbered as below\n";
  out << "run             ";
  for (std::size_t step = 0; step < kHealthSteps; ++step) out << Cell("%3d      ", int(step) + 1);
  out << '\n';
  for (const RunHealth& run : runs) {
    char started[20];
    std::snprintf(started, sizeof started, "%-16.16s", run.started.c_str());
    out << started;
    for (const StepHealth& step : run.steps) {
      out << "  " << StateLetter(step.state)
          << (step.state == StepState::kAnalysed || step.links > 0 || step.written > 0
                  ? Cell(" %2d/%-2d", step.written, step.links)
                  : std::string("      "));
    }
    out << '\n';
  }
}

// The newest run per step: its counts and, for the books written, the share that had
// each field.
void WriteStepTable(const RunHealth& run, std::ostream& out) {
  out << "\nNewest run (" << run.started
      << ") per step: counts, and the % of the books written with each field\n";
  out << " #  step          st links pages fail books limit";
  for (std::string_view name : kBookFieldNames) out << ' ' << name.substr(0, 5);
  out << '\n';
  for (std::size_t i = 0; i < kHealthSteps; ++i) {
    const StepHealth& step = run.steps[i];
    std::string name = Utf8FromSjis(StepName(i));
    // Each of the names' Japanese characters takes two columns on a terminal.
    const std::size_t columns = (name.size() / 3) * 2;
    name += std::string(columns < 12 ? 12 - columns : 0, ' ');
    out << Cell("%2d", int(i) + 1) << "  " << name << "  " << StateLetter(step.state)
        << Cell(" %5d", step.links) << Cell(" %5d", step.fetched) << Cell(" %4d", step.failed)
        << Cell(" %5d", step.written) << Cell(" %5d", step.limiting);
    for (std::size_t field = 0; field < kBookFieldCount; ++field) {
      const std::size_t width = std::min<std::size_t>(kBookFieldNames[field].size(), 5);
      const std::string rate =
          step.written == 0 ? "-" : std::to_string(step.filled[field] * 100 / step.written);
      out << ' ' << std::string(width > rate.size() ? width - rate.size() : 0, ' ') << rate;
    }
    out << '\n';
  }
}

}  // namespace

std::string FindHealthHistory(const std::string& folder) {
  const std::string here = JoinPath(folder, kHealthHistoryFileName);
  if (IsFile(here)) return here;
  // Path text is UTF-8 on Windows, where a plain string would name the folder in the
  // system's code page and lose what it cannot show.
  const auto utf8 = [](const std::u8string& text) { return std::string(text.begin(), text.end()); };
  std::error_code error;
  const std::filesystem::path where(std::u8string(folder.begin(), folder.end()));
  for (const auto& entry : std::filesystem::directory_iterator(where, error)) {
    const std::string sub = JoinPath(utf8(entry.path().u8string()), kHealthHistoryFileName);
    if (entry.is_directory(error) && IsFile(sub)) return sub;
  }
  return {};
}

void WriteHealthTables(const std::string& path, const std::vector<RunHealth>& runs,
                       std::ostream& out) {
  out << "Site health history " << path << ": " << runs.size() << " runs kept (at most "
      << kHealthRunsKept << "), oldest first\n\n";
  if (runs.empty()) return;
  WriteRunTable(runs, out);
  WriteStepTable(runs.back(), out);
  const std::vector<RunHealth> before(runs.begin(), runs.end() - 1);
  const std::vector<HealthFinding> findings = FindHealthFindings(before, runs.back());
  out << "\nFindings of the newest run against the " << before.size()
      << " before it: " << findings.size() << '\n';
  for (const HealthFinding& finding : findings) {
    out << "  " << Utf8FromSjis(FindingLine(finding)) << '\n';
  }
}

}  // namespace kasumido::inspect
