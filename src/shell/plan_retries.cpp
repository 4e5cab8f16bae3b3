#include "shell/plan_retries.h"

#include "analysis/failure_log.h"
#include "kasumido/texts.h"
#include "text/paths.h"

namespace kasumido {
namespace {

std::string RetryListPath(const std::string& host_folder) {
  return JoinPath(JoinPath(host_folder, kOldFolderName), kRetryListFileName);
}

}  // namespace

PlanRetries::PlanRetries(PlanRun& run)
    : run_(run), list_(RetryList::Load(RetryListPath(run.HostFolder()))) {
  if (list_.State() == RetryList::LoadState::kDamaged) {
    LogFailure(run_, LogLineKind::kError, kRetryListFileName, texts::kWordRetryListDamaged, "");
  }
}

std::string PlanRetries::UrlOf(const PlanStep& step, const std::string& link) const {
  return run_.SiteOrigin() + std::string(step.listing_folder) + link;
}

bool PlanRetries::Note(const PlanStep& step, const LinkResult& result) {
  switch (list_.Note(step.listing_folder, step.default_code, result)) {
    case RetryList::Change::kGivenUp:
      LogFailure(run_, LogLineKind::kError, UrlOf(step, result.link), texts::kWordRetryGivenUp,
                 std::to_string(kRetryRunLimit) + std::string(texts::kRetryGivenUpRunsSuffix));
      return true;
    case RetryList::Change::kNotKept:
      LogFailure(run_, LogLineKind::kError, UrlOf(step, result.link), texts::kWordRetryNotKept,
                 list_.Links().size() >= kRetryListCapacity
                     ? "the list holds " + std::to_string(kRetryListCapacity) + " links"
                     : std::string("the link is too long or holds a line break"));
      return false;
    default:
      return true;
  }
}

PlanRetries::PageBooks PlanRetries::NoteListing(const PlanStep& step,
                                                const std::vector<LinkResult>& results) {
  PageBooks books = PageBooks::kComplete;
  for (const LinkResult& result : results) {
    if (!Note(step, result)) {
      books = PageBooks::kNotRemembered;
    } else if (BookMissing(result.outcome) && books == PageBooks::kComplete) {
      books = PageBooks::kRemembered;
    }
  }
  return books;
}

std::vector<LinkResult> PlanRetries::RetryRemembered(const PlanStep& step) {
  const std::string folder_url = run_.SiteOrigin() + std::string(step.listing_folder);
  std::vector<LinkResult> results;
  for (const std::string& link : list_.Pending(step.listing_folder, step.default_code)) {
    if (run_.StopRequested() || run_.SkipRequested()) break;
    run_.WriteLog(folder_url + link + " " + std::string(texts::kWordRetry));
    results.push_back(run_.FollowLink(folder_url, link, step.default_code));
    Note(step, results.back());
    run_.YieldToUI();
  }
  return results;
}

bool PlanRetries::Save() {
  if (!list_.Changed()) return true;
  const FileWriteStatus status = list_.Save();
  if (!status) {
    LogFailure(run_, LogLineKind::kError, kRetryListFileName, texts::kWordRetryListNotSaved,
               status.error);
  }
  return status.ok;
}

}  // namespace kasumido
