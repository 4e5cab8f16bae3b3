// The site's health over the recent runs: for each run, what each of the plan's twelve
// steps met (listing page analysed or not, detail links, pages fetched and failed, books
// written and how many had each field, answers that suggest the site is limiting us).
// Findings compare the run with these records (health_findings.h).
//
// Kept in the program's own folder ("kasumidoHealth.txt", never among the host's files),
// the last kHealthRunsKept runs, replaced atomically. It is never needed for a run to work:
// a missing file is an empty history, and a damaged one keeps the runs it holds whole
// (none when its first line is not ours) and is written afresh at the run's end.
//
// File format (ASCII, CR LF): the line kHealthHistoryHeader; per run a line
// "run\t<yyyy-mm-dd hh:nn>" and then twelve step lines
// "<step 1-12>\t<state>\t<links>\t<fetched>\t<failed>\t<written>\t<not written>\t
// <limiting>\t<filled count per field, comma-separated in BookField order>".
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/book_fields.h"
#include "analysis/link_result.h"
#include "platform/files.h"

namespace kasumido {

inline constexpr std::string_view kHealthHistoryFileName = "kasumidoHealth.txt";
inline constexpr std::string_view kHealthHistoryHeader = "kasumido health history 1";
inline constexpr std::size_t kHealthRunsKept = 20;
inline constexpr std::size_t kHealthSteps = 12;

// What became of a step's listing page.
enum class StepState {
  kNotRun,       // its category is switched off, or the run ended before it
  kFailed,       // the site did not deliver the listing page
  kUnchanged,    // the page had not changed since the last run: not analysed
  kAnalysed,     // analysed to its end
  kInterrupted,  // its analysis was cut short by a skip or a stop
};

struct StepHealth {
  StepState state = StepState::kNotRun;
  int links = 0;        // detail links found on the listing page (and followed)
  int fetched = 0;      // detail pages that arrived (listing links and retried ones)
  int failed = 0;       // detail pages that never arrived
  int written = 0;      // books written
  int not_written = 0;  // pages that arrived but whose book this machine could not write
  int limiting = 0;     // 403, 429 and 503 answers, pages holding a challenge
  std::array<int, kBookFieldCount> filled{};  // books written with each field filled

  // Adds what became of one detail link.
  void Note(const LinkResult& result);
  bool operator==(const StepHealth&) const = default;
};

struct RunHealth {
  std::string started;  // local time the run started, "yyyy-mm-dd hh:nn"
  std::array<StepHealth, kHealthSteps> steps{};

  bool operator==(const RunHealth&) const = default;
};

class HealthHistory {
 public:
  enum class LoadState { kMissing, kLoaded, kDamaged };

  // Reads the history at `path`.
  static HealthHistory Load(std::string path);

  LoadState State() const { return state_; }
  // Oldest first; at most kHealthRunsKept.
  const std::vector<RunHealth>& Runs() const { return runs_; }
  // Adds the newest run, dropping the oldest beyond kHealthRunsKept.
  void Add(RunHealth run);
  // Replaces the file with the history atomically.
  FileWriteStatus Save() const;

  // The file's text for `runs`, and the runs of a file's text (false when any line is not
  // one the program writes; the runs read whole before it are kept).
  static std::string Serialize(const std::vector<RunHealth>& runs);
  static bool Parse(std::string_view text, std::vector<RunHealth>& runs);

 private:
  explicit HealthHistory(std::string path) : path_(std::move(path)) {}

  std::string path_;
  LoadState state_ = LoadState::kMissing;
  std::vector<RunHealth> runs_;
};

// The local time now as "yyyy-mm-dd hh:nn".
std::string HealthTimeNow();

}  // namespace kasumido
