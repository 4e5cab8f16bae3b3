// TFormDLL: the controller and state of one download run, apart from any window. It owns
// the run's components (the HTTP client, the time-out timer, the run log), holds the run
// flags, and carries the run from the first activation to its end: START block, proxy
// choice, the twelve-step plan, closing the view. The window (or the console) is only a
// view: it renders the output channels through DownloadView and calls the handlers below
// for its buttons, its activation and its closing.
//
// One thread: the run is one long call (FormActivate) whose waits pump the event loop, so
// the button handlers, the timer and the client's socket events run nested inside it.
// They speak to the running code only through StopRequested, SkipRequested and Paused and
// by aborting the client's current request. Every exception that escapes a callback of
// the loop goes to AppException while the run state lives.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/http_client.h"
#include "platform/event_loop.h"
#include "shell/capture_store.h"
#include "shell/download_plan.h"
#include "shell/download_view.h"
#include "shell/host_settings.h"
#include "shell/log_file.h"

namespace kasumido {

// The run's request policy: at least this long between the starts of two requests, the
// requests of a relocation chain included.
inline constexpr Milliseconds kRequestSpacing{500};
// What one document may cost the run, whatever the server sends (the reasons for the
// figures are in fetch.cpp). A document past a limit is a failed fetch.
inline constexpr std::int64_t kMaxPageBytes = 4 * 1024 * 1024;
inline constexpr std::int64_t kMaxCoverBytes = 32 * 1024 * 1024;
inline constexpr Milliseconds kDocumentDeadline{300 * 1000};

// Where a run finds its world; main() fills it once, tests fill it with their own.
struct RunSetup {
  std::string program_file;  // the program's executable, absolute (its version record)
  std::string program_dir;   // the folder that holds it, absolute, without trailing "/"
  std::string site_origin;   // scheme and host of the publisher's site, no trailing "/"
  std::string temp_folder;   // the folder for work files, ending in "/"; empty when none
  Milliseconds document_deadline = kDocumentDeadline;  // tests shorten it
};

// The progress text of a transfer ends with this (ASCII, as the status bar shows it).
inline constexpr std::string_view kBytesSuffix = " Bytes";
inline constexpr std::string_view kLogFileName = "Shelvio.log";
inline constexpr std::string_view kMasterFileName = "ShelvioMas.csv";
inline constexpr Milliseconds kProblemShownFor{10000};

class FetchFile;  // the file that one fetch writes (fetch.cpp)

class TFormDLL final : public PlanRun {
 public:
  // Creates the run state with every flag cleared and the components in their creation
  // settings, and installs AppException as the loop's handler for unhandled exceptions.
  // REQUIRES: `loop` and `view` outlive the object.
  TFormDLL(EventLoop& loop, DownloadView& view, RunSetup setup);
  // Removes AppException from the loop; the run log writes its END line when it is on.
  ~TFormDLL() override;
  TFormDLL(const TFormDLL&) = delete;
  TFormDLL& operator=(const TFormDLL&) = delete;

  // ---- Components --------------------------------------------------------------------
  THttpClient HttpClient1;        // OnDocData is HttpClient1DocData
  std::unique_ptr<Timer> Timer1;  // the fetch's inactivity time-out; OnTimer is Timer1Timer
  TLogFile LogFile1;              // off until FormActivate

  // ---- Run-state fields --------------------------------------------------------------
  bool Activated() const { return activated_; }
  // The program's folder followed by "/.." (set by FormActivate).
  const std::string& HostDir() const { return host_dir_; }
  bool StopRequested() const override { return stop_requested_; }
  bool SkipRequested() const override { return skip_requested_; }
  bool Paused() const { return paused_; }
  const std::string& CurrentFileName() const { return current_file_name_; }
  // When the last fetch started; none before the first, which therefore does not wait.
  std::optional<TimePoint> LastRequestTime() const { return last_request_time_; }
  const RunSetup& Setup() const { return setup_; }

  // ---- Operations of the run -----------------------------------------------------------
  // Pumps the event loop while the host saves its settings (host_settings.h).
  std::string ReadHostSetting(std::string_view key) const override;
  // Pumps the event loop: waits out the request spacing and the transfer; buttons,
  // timers and socket events run meanwhile and may abort it.
  // Fetches `url` into the file `file` (created or truncated). Answers the body's size,
  // or 0 when the run is stopping, the server answered 400 or more, the request was
  // aborted (skip, stop, time-out, closing), the body was empty or could not be stored
  // whole; the file is removed whenever the answer is 0, and LastFetchFailure says why.
  // Throws EDocumentStreamError when the file cannot be created, and passes on any
  // failure other than EHttpException (the partly written file then removed as well).
  int FetchUrl(const std::string& url, const std::string& file, DocumentKind kind) override;
  std::string LastFetchFailure() const override { return last_fetch_failure_; }
  int LastReplyStatus() const override { return last_reply_status_; }
  // Keeps the page in `page_file` with the header of the last page fetched, in the
  // program's "captures" folder (capture_store.h); a page that cannot be kept is only
  // evidence lost.
  void KeepEvidence(const std::string& url, const std::string& page_file,
                    std::string_view why) override;
  // Pumps the event loop. The plan of twelve page steps (download_plan.h); answers the
  // number of the site health findings.
  std::size_t DownloadPlan();
  // Pumps the event loop. Creates the "old" folder, clears the stop and skip requests,
  // runs the plan (an exception out of it becomes the error line "霞堂書店失敗." in the
  // log), shows how many site health findings the plan made in the status text, and
  // disables the four run buttons. A host folder that cannot be written
  // (host_folder.h) is reported instead of running the plan: one error in the status bar
  // and, where it can be written, the log, shown for kProblemShownFor or until the view
  // closes.
  void RunDownload();

  // ---- Handlers (named after the control and its event) --------------------------------
  // Pumps the event loop. The first activation runs the whole download and then closes
  // the view; later activations do nothing.
  void FormActivate();
  // The view is closing: stop, abort the request, switch the time-out off.
  void FormClose();
  // Pumps the event loop. Holds the run inside this call (itself nested in one of the
  // run's waits) until Resume, Skip, Stop or closing ends the pause.
  void ButtonPauseClick();
  void ButtonPlayClick();
  void ButtonSkipClick();
  void ButtonStopClick();
  void SpeedButtonURLClick();
  void Timer1Timer();
  void HttpClient1DocData();
  // An exception nothing else handled: its message becomes the status text and hint and
  // an error line of the log. Never throws.
  void AppException(const std::exception& error);

  // ---- What the plan and the analyses reach (PlanRun, RunAccess) --------------------
  void ClearSkipRequested() override { skip_requested_ = false; }
  // Pumps the event loop. The listing analysis of the working file.
  std::vector<LinkResult> AnalyseListing(const std::string& listing_folder_url,
                                         int default_code) override;
  // Pumps the event loop. One detail link followed again.
  LinkResult FollowLink(const std::string& listing_folder_url, const std::string& link,
                        int default_code) override;
  void SetPhaseCaption(std::string_view caption) override { view_.SetPhaseCaption(caption); }
  EventLoop& Loop() override { return loop_; }
  const std::string& HostFolder() const override { return host_dir_; }
  const std::string& ProgramFolder() const override { return setup_.program_dir; }
  void SendValidatorsWithNextFetch(const PageValidators& validators) override {
    next_validators_ = validators;
  }
  PageValidators LastPageValidators() const override {
    return ValidatorsOf(last_page_reply_header_);
  }
  void WriteLog(std::string_view message) override { LogFile1.WriteLog(message, false); }
  void WriteErrorLog(std::string_view message) override { LogFile1.WriteLog(message, true); }
  size_t TitleCount() const override;
  void ClearTitles() override { view_.ClearTitles(); }
  void AddTitle(std::string_view line) override { view_.AddTitle(line); }
  // Pumps the event loop.
  void YieldToUI() override;
  // Pumps the event loop.
  void Wait(std::chrono::milliseconds duration) override;
  // When the last fetch was answered with 429 or 503, shows that the site asked to slow
  // down and for how long, and waits that long (ServerBackOff: Retry-After, 5 s when the
  // reply named none, at most 120 s); Stop or Skip ends the wait at once, and a pause
  // holds the run inside it. Returns at once after any other outcome.
  // Pumps the event loop: button handlers and timers may run before this returns.
  void WaitBeforeRetry() override;
  std::string TempFolder() const override { return setup_.temp_folder; }
  std::string SiteOrigin() const override { return setup_.site_origin; }
  // "ShelvioMas.csv" in the host's folder.
  std::string MasterFilePath() const override;

 private:
  void SetRunButtons(bool enabled);
  // Says in the log what the temporary folder costs the run: none at all ends it before
  // anything is fetched (false, an error line); one the host cannot name leaves every
  // cover out (one error line).
  bool CheckTempFolder();
  // Pumps the event loop.
  void ReportHostFolderProblem(const std::string& problem);
  // Pumps the event loop: waits until the request spacing since the last fetch has passed.
  void WaitForRequestSlot();
  // When the next request may start; a time not after now counts as its start.
  TimePoint ClaimRequestSlot();
  // The request spacing as the client asks for it before each relocation. The time-out
  // starts afresh with the relocated request: the spacing wait is no silence of the
  // server's.
  TimePoint RelocationSlot();
  // Pumps the event loop: the GET into an open file; the answer of FetchUrl.
  int Transfer(const std::string& url, FetchFile& target);
  // Why the request that FetchSync just ended with an EHttpException failed.
  std::string RequestFailure() const;

  EventLoop& loop_;
  DownloadView& view_;
  RunSetup setup_;
  HostSettings settings_;

  bool activated_ = false;
  std::string host_dir_;
  bool stop_requested_ = false;
  bool skip_requested_ = false;
  bool paused_ = false;
  std::string current_file_name_;
  std::optional<TimePoint> last_request_time_;
  std::string last_fetch_failure_;
  int last_reply_status_ = 0;
  std::vector<std::string> last_page_reply_header_;  // of the last page fetched
  // The validators for the next fetch's request, and those the running fetch's first
  // request still has to send.
  std::optional<PageValidators> next_validators_;
  std::optional<PageValidators> sending_validators_;
  CaptureStore captures_;
  // The time-out of the running fetch, in seconds, and whether it has cut the transfer.
  int time_out_seconds_ = 0;
  bool timed_out_ = false;
  // The wait the server asked for in its answer to the last fetch.
  std::optional<Milliseconds> server_back_off_;
};

}  // namespace kasumido
