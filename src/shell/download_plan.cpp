#include "shell/download_plan.h"

#include "platform/files.h"
#include "shell/same_page_text.h"
#include "text/paths.h"

namespace kasumido {
namespace {

void LogPage(PlanRun& run, const std::string& url, std::string_view word) {
  std::string line = url;
  line += ' ';
  line += word;
  run.WriteLog(line);
}

// Replaces the saved copy by the working file. The copy is written under a temporary
// name and renamed over the old one, so a copy cut short by a crash never stands as the
// saved page: the comparison stops at the end of the shorter file, and a truncated copy
// would make a changed page look unchanged. A failure only means that the page counts
// as changed on the next run.
void SaveCopy(const std::string& working_file, const std::string& saved_copy) {
  (void)CopyFile(working_file, saved_copy);
}

// One page step; the plan has checked the stop request before it.
void RunPlanStep(PlanRun& run, const PlanStep& step) {
  run.SetPhaseCaption(step.caption);
  run.ClearSkipRequested();
  if (run.ReadHostSetting(step.gate_key) != "True") return;

  const std::string working_file = run.TempFolder() + std::string(kListingWorkFile);
  const std::string url = run.SiteOrigin() + std::string(step.page_path);
  RemoveFile(working_file);
  if (run.FetchUrl(url, working_file, DocumentKind::kPage) <= 0) {
    LogPage(run, url, texts::kWordFailed);
    return;
  }

  const std::string saved_copy =
      JoinPath(JoinPath(run.HostFolder(), kOldFolderName), step.saved_copy);
  if (run.ReadHostSetting(host_keys::kCheckEditedChecked) != "False" &&
      SamePageText(run.Loop(), working_file, saved_copy)) {
    LogPage(run, url, texts::kWordUnchanged);
    return;
  }

  LogPage(run, url, texts::kWordDownload);
  run.AnalyseListing(run.SiteOrigin() + std::string(step.listing_folder), step.default_code);
  if (!run.SkipRequested() && !run.StopRequested()) SaveCopy(working_file, saved_copy);
}

}  // namespace

void DownloadPlan(PlanRun& run) {
  run.ClearTitles();
  run.WriteLog(texts::kLogPlanStart);
  for (const PlanStep& step : kPlanSteps) {
    if (run.StopRequested()) return;
    RunPlanStep(run, step);
  }
  RemoveFile(run.TempFolder() + std::string(kListingWorkFile));
}

}  // namespace kasumido
