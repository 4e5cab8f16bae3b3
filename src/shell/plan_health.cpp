#include "shell/plan_health.h"

#include "shell/health_findings.h"
#include "text/paths.h"

namespace kasumido {

PlanHealth::PlanHealth(PlanRun& run)
    : run_(run),
      history_(HealthHistory::Load(JoinPath(run.ProgramFolder(), kHealthHistoryFileName))),
      current_{HealthTimeNow(), {}} {}

void PlanHealth::NoteAnalysed(std::size_t step, const std::vector<LinkResult>& results,
                              bool interrupted, const std::string& url,
                              const std::string& listing_file) {
  StepHealth& health = current_.steps[step];
  health.state = interrupted ? StepState::kInterrupted : StepState::kAnalysed;
  health.links = static_cast<int>(results.size());
  for (const LinkResult& result : results) health.Note(result);
  if (!interrupted && results.empty() && LinksExpected(history_.Runs(), step)) {
    run_.KeepEvidence(url, listing_file, "listing page gave no detail link");
  }
}

void PlanHealth::NoteRetried(std::size_t step, const std::vector<LinkResult>& results) {
  for (const LinkResult& result : results) current_.steps[step].Note(result);
}

std::size_t PlanHealth::Finish() {
  const std::vector<HealthFinding> findings = FindHealthFindings(history_.Runs(), current_);
  for (const HealthFinding& finding : findings) run_.WriteLog(FindingLine(finding));
  history_.Add(current_);
  // The history only serves later comparisons: a run that cannot be kept loses nothing.
  (void)history_.Save();
  return findings.size();
}

}  // namespace kasumido
