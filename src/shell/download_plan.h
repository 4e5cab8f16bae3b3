// The body of a download run: twelve fixed page steps, one per listing page of the site
// (four categories for this month, next month and last month). A step whose category
// switch is on fetches its listing page into the working file, leaves it out when the
// edited-page check finds it unchanged against its saved copy in "old", and otherwise
// hands it to the listing analysis. With the check on, the request for a listing page
// carries the validators that came with the page last analysed to its end
// (listing_validators.h), and a 304 counts as unchanged. After a listing page was
// analysed or found unchanged (never when the site did not answer it), the step tries
// again the detail links of its
// folder whose books earlier runs could not write (plan_retries.h). A page whose analysis
// was neither skipped nor stopped, and whose missing books are all remembered in the
// retry list, becomes the new saved copy. The switches are read afresh at every step, so
// the host can change them while a run is on. Exceptions from a step are not caught here.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/link_result.h"
#include "analysis/run_access.h"
#include "analysis/work_files.h"
#include "kasumido/texts.h"
#include "platform/event_loop.h"
#include "shell/host_settings.h"
#include "shell/listing_validators.h"

namespace kasumido {

// The host's folder of saved listing pages.
inline constexpr std::string_view kOldFolderName = "old";

// One row of the plan. Texts are Shift_JIS; paths are appended to the site origin (page
// and folder); the saved copy is a file name in the host's "old" folder.
struct PlanStep {
  std::string_view caption;
  std::string_view gate_key;
  std::string_view page_path;
  std::string_view saved_copy;
  std::string_view listing_folder;
  int default_code;
};

// Steps 5 and 6 share one saved copy, and so do steps 9 and 10: each compares against
// whatever page was saved last under that name.
inline constexpr std::array<PlanStep, 12> kPlanSteps = {{
    {texts::kCaptionLnovelThisMonth, host_keys::kDllBooksChecked, "/lnovel/kongetsu.html",
     "kasumidoA.html", "/lnovel/", 193},
    {texts::kCaptionBookThisMonth, host_keys::kDllBooksChecked, "/book/kongetsu.html",
     "kasumido1.html", "/book/", 0},
    {texts::kCaptionBunkoThisMonth, host_keys::kDllBunkoChecked, "/bunko/kongetsu.html",
     "kasumido2.html", "/bunko/", 193},
    {texts::kCaptionComicThisMonth, host_keys::kDllComicChecked, "/comic/kongetsu.html",
     "kasumido3.html", "/comic/", 79},
    {texts::kCaptionLnovelNextMonth, host_keys::kDllBooksChecked, "/lnovel/raigetsu.html",
     "kasumido4.html", "/lnovel/", 193},
    {texts::kCaptionBookNextMonth, host_keys::kDllBooksChecked, "/book/raigetsu.html",
     "kasumido4.html", "/book/", 0},
    {texts::kCaptionBunkoNextMonth, host_keys::kDllBunkoChecked, "/bunko/raigetsu.html",
     "kasumido5.html", "/bunko/", 193},
    {texts::kCaptionComicNextMonth, host_keys::kDllComicChecked, "/comic/raigetsu.html",
     "kasumido6.html", "/comic/", 79},
    {texts::kCaptionLnovelLastMonth, host_keys::kDllBooksChecked, "/lnovel/sengetsu.html",
     "kasumido7.html", "/lnovel/", 193},
    {texts::kCaptionBookLastMonth, host_keys::kDllBooksChecked, "/book/sengetsu.html",
     "kasumido7.html", "/book/", 0},
    {texts::kCaptionBunkoLastMonth, host_keys::kDllBunkoChecked, "/bunko/sengetsu.html",
     "kasumido8.html", "/bunko/", 193},
    {texts::kCaptionComicLastMonth, host_keys::kDllComicChecked, "/comic/sengetsu.html",
     "kasumido9.html", "/comic/", 79},
}};

// The run as the plan sees it: what the analyses reach (flags, fetch, log, title list,
// folders) and the few things only the plan touches. The run controller implements it;
// tests use fakes.
class PlanRun : public RunAccess {
 public:
  virtual void ClearSkipRequested() = 0;
  // One value of the host settings, read afresh.
  // Pumps the event loop while the host saves its settings (host_settings.h).
  virtual std::string ReadHostSetting(std::string_view key) const = 0;
  // Pumps the event loop. The listing analysis of the working file: one result per detail
  // link followed.
  virtual std::vector<LinkResult> AnalyseListing(const std::string& listing_folder_url,
                                                 int default_code) = 0;
  // Pumps the event loop. Follows one detail link of a listing page of the folder, as the
  // listing analysis does (FollowDetailLink).
  virtual LinkResult FollowLink(const std::string& listing_folder_url, const std::string& link,
                                int default_code) = 0;
  // The phase caption of the view.
  virtual void SetPhaseCaption(std::string_view caption) = 0;
  virtual EventLoop& Loop() = 0;
  // The host's folder; the saved copies lie below its "/old".
  virtual const std::string& HostFolder() const = 0;
  // The program's own folder, where it keeps the site's health history and the pages kept
  // as evidence.
  virtual const std::string& ProgramFolder() const = 0;
  // Sends `validators` with the request of the next FetchUrl (If-None-Match,
  // If-Modified-Since), not with the requests of its relocations.
  virtual void SendValidatorsWithNextFetch(const PageValidators& validators) = 0;
  // The validators of the reply to the last page fetched; empty when it had none.
  virtual PageValidators LastPageValidators() const = 0;
};

// Pumps the event loop: button handlers, timers and network events run nested inside.
// Clears the title list, logs the start line and runs the twelve steps in order, then
// deletes the working file. A stop ends the plan at the start of the next step (without
// the final clean-up). Either way the run is then compared with the recent runs: each
// finding is a log line (plan_health.h), and the answer is their number. Exceptions from
// a step end the plan and reach the caller.
std::size_t DownloadPlan(PlanRun& run);

}  // namespace kasumido
