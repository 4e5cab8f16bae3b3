// The site's health as the download plan keeps it over one run: the history is loaded
// from the program's folder when the plan starts; what each step met is noted as it
// happens; at the end the run is compared with the recent runs, each finding written to
// the log as one plain line, and the run added to the history. A history that cannot be
// read or written never stops a run: it is started afresh, or the run is not kept.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "analysis/link_result.h"
#include "shell/download_plan.h"
#include "shell/health_history.h"

namespace kasumido {

class PlanHealth {
 public:
  // Loads the history. REQUIRES: `run` outlives the object.
  explicit PlanHealth(PlanRun& run);

  StepHealth& Step(std::size_t step) { return current_.steps[step]; }
  // Notes the listing page of `step` as analysed (or interrupted) with the results of its
  // links. A page that gave no link where the recent runs gave some is kept as evidence
  // (the working file `listing_file` from `url`).
  void NoteAnalysed(std::size_t step, const std::vector<LinkResult>& results, bool interrupted,
                    const std::string& url, const std::string& listing_file);
  void NoteRetried(std::size_t step, const std::vector<LinkResult>& results);

  // Compares the run with the history, logs each finding, keeps the run in the history
  // and answers the number of findings.
  std::size_t Finish();

 private:
  PlanRun& run_;
  HealthHistory history_;
  RunHealth current_;
};

}  // namespace kasumido
