// The retry list as the download plan uses it over one run. The list is loaded when the
// plan starts (a damaged one is logged and started afresh); what became of each detail
// link of a step is noted in it; after a step's listing page was analysed or found
// unchanged, the remembered links of that step's folder that this run has not followed
// yet are tried again; and the list is saved after each step that changed it.
//
// Log lines: "<URL> 再試行" before a remembered link is tried again; error lines when a
// link is given up, when a missing book cannot be remembered, and when the list cannot
// be written or was damaged.
#pragma once

#include <string>
#include <vector>

#include "analysis/link_result.h"
#include "shell/download_plan.h"
#include "shell/retry_list.h"

namespace kasumido {

class PlanRetries {
 public:
  // What the books of an analysed listing page need before the page may become the saved
  // copy: nothing (every book written or none to write), the list saved (some books
  // missing, all remembered), or never (a missing book could not be remembered).
  enum class PageBooks { kComplete, kRemembered, kNotRemembered };

  // Loads the list from the host's "old" folder. REQUIRES: `run` outlives the object.
  explicit PlanRetries(PlanRun& run);

  // Notes the results of the analysis of `step`'s listing page.
  PageBooks NoteListing(const PlanStep& step, const std::vector<LinkResult>& results);

  // Tries again, one by one until a stop or skip, the remembered links of `step`'s folder
  // and default code that this run has not followed yet, notes their results and answers
  // them.
  // Pumps the event loop: button handlers and timers may run before this returns.
  std::vector<LinkResult> RetryRemembered(const PlanStep& step);

  // Writes the list when it changed. False, with an error line in the log, when it could
  // not be written; true when it was written or unchanged.
  bool Save();

 private:
  // Notes one result; logs a link given up or not remembered. False when the link's book
  // is missing and not remembered.
  bool Note(const PlanStep& step, const LinkResult& result);
  std::string UrlOf(const PlanStep& step, const std::string& link) const;

  PlanRun& run_;
  RetryList list_;
};

}  // namespace kasumido
