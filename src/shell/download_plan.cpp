#include "shell/download_plan.h"

#include <optional>

#include "platform/files.h"
#include "shell/listing_validators.h"
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

// What the plan keeps over the run besides its steps.
struct PlanKeepers {
  PlanRetries retries;
  PlanHealth health;
  ListingValidators validators;
};

enum class ListingFetch { kFailed, kNotModified, kFetched };

// Fetches the listing page of `step` into `working_file`. With the edited-page check on
// and a saved copy in place, the validators that came with the page last analysed at
// `url` go with the request; a 304 then means the page has not changed since.
// Pumps the event loop: button handlers and timers may run before this returns.
ListingFetch FetchListing(PlanRun& run, const std::string& url, const std::string& working_file,
                          const std::string& saved_copy, const ListingValidators& validators) {
  const bool conditional =
      run.ReadHostSetting(host_keys::kCheckEditedChecked) != "False" && IsFile(saved_copy);
  if (conditional) run.SendValidatorsWithNextFetch(validators.For(url));
  RemoveFile(working_file);
  if (run.FetchUrl(url, working_file, DocumentKind::kPage) > 0) return ListingFetch::kFetched;
  return conditional && run.LastReplyStatus() == 304 ? ListingFetch::kNotModified
                                                     : ListingFetch::kFailed;
}

// One page step; the plan has checked the stop request before it.
void RunPlanStep(PlanRun& run, std::size_t index, PlanKeepers& keepers) {
  const PlanStep& step = kPlanSteps[index];
  run.SetPhaseCaption(step.caption);
  run.ClearSkipRequested();
  if (run.ReadHostSetting(step.gate_key) != "True") return;

  const std::string working_file = run.TempFolder() + std::string(kListingWorkFile);
  const std::string url = run.SiteOrigin() + std::string(step.page_path);
  const std::string saved_copy =
      JoinPath(JoinPath(run.HostFolder(), kOldFolderName), step.saved_copy);
  StepHealth& health = keepers.health.Step(index);
  const ListingFetch fetch = FetchListing(run, url, working_file, saved_copy, keepers.validators);
  if (fetch == ListingFetch::kFailed) {
    LogPage(run, url, texts::kWordFailed);
    health.state = StepState::kFailed;
    if (IsLimitingStatus(run.LastReplyStatus())) ++health.limiting;
    return;
  }
  const PageValidators received = run.LastPageValidators();

  std::optional<PlanRetries::PageBooks> analysed;
  if (fetch == ListingFetch::kNotModified ||
      (run.ReadHostSetting(host_keys::kCheckEditedChecked) != "False" &&
       SamePageText(run.Loop(), working_file, saved_copy))) {
    LogPage(run, url, texts::kWordUnchanged);
    health.state = StepState::kUnchanged;
  } else {
    LogPage(run, url, texts::kWordDownload);
    const std::vector<LinkResult> results =
        run.AnalyseListing(run.SiteOrigin() + std::string(step.listing_folder), step.default_code);
    analysed = keepers.retries.NoteListing(step, results);
    const bool interrupted = run.SkipRequested() || run.StopRequested();
    keepers.health.NoteAnalysed(index, results, interrupted, url, working_file);
    if (interrupted) analysed.reset();
  }
  keepers.health.NoteRetried(index, keepers.retries.RetryRemembered(step));
  const bool list_saved = keepers.retries.Save();
  // A page whose missing books are not safely remembered is analysed again next time.
  if (analysed == PlanRetries::PageBooks::kComplete ||
      (analysed == PlanRetries::PageBooks::kRemembered && list_saved)) {
    SaveCopy(working_file, saved_copy);
    (void)keepers.validators.Keep(url, received);
  }
}

}  // namespace

std::size_t DownloadPlan(PlanRun& run) {
  run.ClearTitles();
  run.WriteLog(texts::kLogPlanStart);
  PlanKeepers keepers{PlanRetries(run), PlanHealth(run),
                      ListingValidators::Load(JoinPath(JoinPath(run.HostFolder(), kOldFolderName),
                                                       kValidatorsFileName))};
  for (std::size_t index = 0; index < kPlanSteps.size(); ++index) {
    if (run.StopRequested()) return keepers.health.Finish();
    RunPlanStep(run, index, keepers);
  }
  RemoveFile(run.TempFolder() + std::string(kListingWorkFile));
  return keepers.health.Finish();
}

}  // namespace kasumido
