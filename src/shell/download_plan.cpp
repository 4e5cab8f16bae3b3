#include "shell/download_plan.h"

#include <optional>

#include "platform/files.h"
#include "shell/plan_health.h"
#include "shell/plan_retries.h"
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

bool IsLimitingStatus(int status) { return status == 403 || status == 429 || status == 503; }

// One page step; the plan has checked the stop request before it.
void RunPlanStep(PlanRun& run, std::size_t index, PlanRetries& retries, PlanHealth& health) {
  const PlanStep& step = kPlanSteps[index];
  run.SetPhaseCaption(step.caption);
  run.ClearSkipRequested();
  if (run.ReadHostSetting(step.gate_key) != "True") return;

  const std::string working_file = run.TempFolder() + std::string(kListingWorkFile);
  const std::string url = run.SiteOrigin() + std::string(step.page_path);
  RemoveFile(working_file);
  if (run.FetchUrl(url, working_file, DocumentKind::kPage) <= 0) {
    LogPage(run, url, texts::kWordFailed);
    health.Step(index).state = StepState::kFailed;
    if (IsLimitingStatus(run.LastReplyStatus())) ++health.Step(index).limiting;
    return;
  }

  const std::string saved_copy =
      JoinPath(JoinPath(run.HostFolder(), kOldFolderName), step.saved_copy);
  std::optional<PlanRetries::PageBooks> analysed;
  if (run.ReadHostSetting(host_keys::kCheckEditedChecked) != "False" &&
      SamePageText(run.Loop(), working_file, saved_copy)) {
    LogPage(run, url, texts::kWordUnchanged);
    health.Step(index).state = StepState::kUnchanged;
  } else {
    LogPage(run, url, texts::kWordDownload);
    const std::vector<LinkResult> results =
        run.AnalyseListing(run.SiteOrigin() + std::string(step.listing_folder), step.default_code);
    analysed = retries.NoteListing(step, results);
    const bool interrupted = run.SkipRequested() || run.StopRequested();
    health.NoteAnalysed(index, results, interrupted, url, working_file);
    if (interrupted) analysed.reset();
  }
  health.NoteRetried(index, retries.RetryRemembered(step));
  const bool list_saved = retries.Save();
  // A page whose missing books are not safely remembered is analysed again next time.
  if (analysed == PlanRetries::PageBooks::kComplete ||
      (analysed == PlanRetries::PageBooks::kRemembered && list_saved)) {
    SaveCopy(working_file, saved_copy);
  }
}

}  // namespace

std::size_t DownloadPlan(PlanRun& run) {
  run.ClearTitles();
  run.WriteLog(texts::kLogPlanStart);
  PlanRetries retries(run);
  PlanHealth health(run);
  for (std::size_t index = 0; index < kPlanSteps.size(); ++index) {
    if (run.StopRequested()) return health.Finish();
    RunPlanStep(run, index, retries, health);
  }
  RemoveFile(run.TempFolder() + std::string(kListingWorkFile));
  return health.Finish();
}

}  // namespace kasumido
