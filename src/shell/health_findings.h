// The findings of a run: what, compared with the recent runs, suggests that the site's
// pages changed so that the program reads less from them, or that the site is limiting
// us. Each is one plain line of the run log, beginning with "サイト点検: ", naming the
// step's category and month, the count or field, the figure, the recent figure and the
// threshold. No history means no finding; a run like the recent ones raises none.
//
// A step is compared with the last kRecentRunsCompared kept runs in which its listing page
// was analysed to its end; only a step analysed to its end in this run is compared, since
// an unchanged, failed or interrupted page says nothing about the page's layout.
// - No links: the listing page gave no detail link, where the recent median is 1 or more
//   (links in at least half of the recent runs).
// - Few books: fewer than half the recent median of books written, the median being at
//   least kFewBooksMinMedian (so that one book more or less in a small month is no news).
// - Field empty: a field empty for every one of at least kEmptyFieldMinBooks books, where
//   it was filled for at least kEmptyFieldRecentPercent % of the recent runs' books.
// - Pages failing: at least kFailingPagesMin detail pages that never arrived, half or more
//   of those the step asked for (any step; the site's failure, not the layout's).
// - Site limiting: at least kLimitingAnswersMin answers of 403, 429 or 503, or pages that
//   hold a challenge, in one step. It is reported apart, and a step that has it raises no
//   other finding: its missing books and fields are the limit's doing, not the layout's.
//   Answers spread over steps that stay below it each (a site that turns away every
//   listing page) count for the whole run, against the run before.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "analysis/book_fields.h"
#include "shell/health_history.h"

namespace kasumido {

inline constexpr std::size_t kRecentRunsCompared = 5;
inline constexpr int kFewBooksMinMedian = 2;
inline constexpr int kEmptyFieldMinBooks = 3;
inline constexpr int kEmptyFieldRecentPercent = 80;
inline constexpr int kFailingPagesMin = 3;
inline constexpr int kLimitingAnswersMin = 3;

// The step of a finding about the whole run.
inline constexpr std::size_t kWholeRun = kHealthSteps;

enum class FindingKind { kNoLinks, kFewBooks, kFieldEmpty, kPagesFailing, kSiteLimiting };

struct HealthFinding {
  FindingKind kind = FindingKind::kNoLinks;
  std::size_t step = 0;                // index into the plan's steps
  BookField field = BookField::kISBN;  // kFieldEmpty only
  int figure = 0;       // this run's count: links, books, books with the field empty,
                        // failed pages, limiting answers
  int of = 0;           // kPagesFailing: pages asked for
  int recent = 0;       // the recent median; kFieldEmpty: the recent fill rate in %
  int recent_runs = 0;  // how many recent runs the recent figure comes from

  bool operator==(const HealthFinding&) const = default;
};

// The findings of `current` against `history` (oldest first, `current` not in it), in
// step order.
std::vector<HealthFinding> FindHealthFindings(const std::vector<RunHealth>& history,
                                              const RunHealth& current);

// Whether a listing page of step `step` that gave no link is a finding: the recent runs
// of the step gave links (the first rule above).
bool LinksExpected(const std::vector<RunHealth>& history, std::size_t step);

// The log line of `finding` (Shift_JIS), "サイト点検: " first.
std::string FindingLine(const HealthFinding& finding);

// The status text at the end of a run with `findings` findings (Shift_JIS).
std::string HealthStatusText(std::size_t findings);

// The step's category and month as the findings name it (Shift_JIS, "ラノベ今月"); for
// kWholeRun the whole run.
std::string StepName(std::size_t step);

}  // namespace kasumido
