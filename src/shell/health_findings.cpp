#include "shell/health_findings.h"

#include <algorithm>
#include <functional>

#include "kasumido/texts.h"
#include "shell/download_plan.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

constexpr std::string_view kFieldNames[kBookFieldCount] = {
    texts::kFieldISBN,   texts::kFieldTitle,       texts::kFieldAuthor,      texts::kFieldSeries,
    texts::kFieldPrice,  texts::kFieldClassCode,   texts::kFieldReleaseDate, texts::kFieldPages,
    texts::kFieldFormat, texts::kFieldDescription, texts::kFieldCover,
};

// The steps `step` of the last kRecentRunsCompared runs of `history` in which it was
// analysed to its end, newest first.
std::vector<const StepHealth*> RecentAnalysed(const std::vector<RunHealth>& history,
                                              std::size_t step) {
  std::vector<const StepHealth*> recent;
  for (auto run = history.rbegin(); run != history.rend(); ++run) {
    if (recent.size() == kRecentRunsCompared) break;
    if (run->steps[step].state == StepState::kAnalysed) recent.push_back(&run->steps[step]);
  }
  return recent;
}

// The median of `count` over `steps` (the lower middle for an even number); 0 for none.
int Median(const std::vector<const StepHealth*>& steps,
           const std::function<int(const StepHealth&)>& count) {
  if (steps.empty()) return 0;
  std::vector<int> counts;
  for (const StepHealth* step : steps) counts.push_back(count(*step));
  std::sort(counts.begin(), counts.end());
  return counts[(counts.size() - 1) / 2];
}

// `pattern` with each "%s" replaced by the next of `values`, in order. "%" is never a
// trail byte of Shift_JIS, so the search cannot start inside a character.
std::string Fill(std::string_view pattern, std::initializer_list<std::string> values) {
  std::string text;
  auto value = values.begin();
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    if (pattern[at] == '%' && at + 1 < pattern.size() && pattern[at + 1] == 's' &&
        value != values.end()) {
      text += *value++;
      ++at;
    } else {
      text += pattern[at];
    }
  }
  return text;
}

std::string Number(int value) { return std::to_string(value); }

// The layout findings of one step analysed to its end, against its recent runs.
void FindLayoutChanges(const StepHealth& now, const std::vector<const StepHealth*>& recent,
                       std::size_t step, std::vector<HealthFinding>& findings) {
  const int runs = static_cast<int>(recent.size());
  const int links = Median(recent, [](const StepHealth& s) { return s.links; });
  if (now.links == 0 && links >= 1) {
    findings.push_back({FindingKind::kNoLinks, step, BookField::kISBN, 0, 0, links, runs});
    return;  // no link, no book: the rest follows from it
  }
  const int books = Median(recent, [](const StepHealth& s) { return s.written; });
  // Books this machine could not write are missing for its own reasons.
  if (now.not_written == 0 && books >= kFewBooksMinMedian && now.written * 2 < books) {
    findings.push_back(
        {FindingKind::kFewBooks, step, BookField::kISBN, now.written, 0, books, runs});
  }
  if (now.written < kEmptyFieldMinBooks) return;
  int recent_books = 0;
  for (const StepHealth* s : recent) recent_books += s->written;
  if (recent_books < kEmptyFieldMinBooks) return;
  for (std::size_t field = 0; field < kBookFieldCount; ++field) {
    if (now.filled[field] != 0) continue;
    int recent_filled = 0;
    for (const StepHealth* s : recent) recent_filled += s->filled[field];
    const int percent = recent_filled * 100 / recent_books;
    if (percent >= kEmptyFieldRecentPercent) {
      findings.push_back({FindingKind::kFieldEmpty, step, static_cast<BookField>(field),
                          now.written, 0, percent, runs});
    }
  }
}

}  // namespace

bool LinksExpected(const std::vector<RunHealth>& history, std::size_t step) {
  const std::vector<const StepHealth*> recent = RecentAnalysed(history, step);
  return Median(recent, [](const StepHealth& s) { return s.links; }) >= 1;
}

std::vector<HealthFinding> FindHealthFindings(const std::vector<RunHealth>& history,
                                              const RunHealth& current) {
  std::vector<HealthFinding> findings;
  if (history.empty()) return findings;
  int limiting_elsewhere = 0;  // in steps below the threshold each
  for (std::size_t step = 0; step < kHealthSteps; ++step) {
    const StepHealth& now = current.steps[step];
    const std::vector<const StepHealth*> recent = RecentAnalysed(history, step);
    const int runs = static_cast<int>(recent.size());
    if (now.limiting < kLimitingAnswersMin) limiting_elsewhere += now.limiting;
    if (now.limiting >= kLimitingAnswersMin) {
      const int usual = Median(recent, [](const StepHealth& s) { return s.limiting; });
      findings.push_back(
          {FindingKind::kSiteLimiting, step, BookField::kISBN, now.limiting, 0, usual, runs});
      continue;
    }
    const int asked = now.fetched + now.failed;
    if (now.failed >= kFailingPagesMin && now.failed * 2 >= asked) {
      const int usual = Median(recent, [](const StepHealth& s) { return s.failed; });
      findings.push_back(
          {FindingKind::kPagesFailing, step, BookField::kISBN, now.failed, asked, usual, runs});
    }
    if (now.state == StepState::kAnalysed && !recent.empty()) {
      FindLayoutChanges(now, recent, step, findings);
    }
  }
  // A site that turns every page away answers each listing page once.
  if (limiting_elsewhere >= kLimitingAnswersMin) {
    int usual = 0;
    for (const StepHealth& step : history.back().steps) usual += step.limiting;
    findings.push_back(
        {FindingKind::kSiteLimiting, kWholeRun, BookField::kISBN, limiting_elsewhere, 0, usual, 1});
  }
  return findings;
}

std::string HealthStatusText(std::size_t findings) {
  if (findings == 0) return std::string(texts::kStatusHealthClear);
  return Fill(texts::kStatusHealthFindings, {std::to_string(findings)});
}

std::string StepName(std::size_t step) {
  if (step == kWholeRun) return std::string(texts::kHealthWholeRun);
  std::string_view caption = kPlanSteps[step].caption;
  if (caption.ends_with(texts::kWordDownload)) {
    caption.remove_suffix(texts::kWordDownload.size());
  }
  return std::string(caption);
}

std::string FindingLine(const HealthFinding& f) {
  const std::string step = StepName(f.step);
  std::string line(texts::kHealthPrefix);
  switch (f.kind) {
    case FindingKind::kNoLinks:
      return line + Fill(texts::kHealthNoLinks, {step, Number(f.recent_runs), Number(f.recent)});
    case FindingKind::kFewBooks:
      return line + Fill(texts::kHealthFewBooks, {step, Number(f.figure), Number(f.recent_runs),
                                                  Number(f.recent), Number(kFewBooksMinMedian)});
    case FindingKind::kFieldEmpty:
      return line + Fill(texts::kHealthFieldEmpty,
                         {step, std::string(kFieldNames[static_cast<int>(f.field)]),
                          Number(f.figure), Number(f.recent_runs), Number(f.recent),
                          Number(kEmptyFieldRecentPercent), Number(kEmptyFieldMinBooks)});
    case FindingKind::kPagesFailing:
      return line + Fill(texts::kHealthPagesFailing,
                         {step, Number(f.figure), Number(f.of), Number(f.recent_runs),
                          Number(f.recent), Number(kFailingPagesMin)});
    case FindingKind::kSiteLimiting:
      return line +
             Fill(texts::kHealthSiteLimiting, {step, Number(f.figure), Number(f.recent_runs),
                                               Number(f.recent), Number(kLimitingAnswersMin)});
  }
  return line;
}

}  // namespace kasumido
