// What the page analyses need from the download run, and nothing more: the stop and skip
// requests, the page fetch, the run log, the title list, the event loop's yield and
// timed waits, and the run's folders and site origin. The run state implements it; tests
// implement it with a fake. Every call is made on the one GUI thread.
//
// The methods that pump the event loop (FetchUrl, YieldToUI, Wait) let button and timer
// handlers run nested inside the call; after them the analyses look at the flags again.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace kasumido {

// What a fetched document is for, which sets how large it may be: a page is read whole
// into memory by the analyses; a cover image is only stored.
enum class DocumentKind { kPage, kCover };

class RunAccess {
 public:
  virtual ~RunAccess() = default;

  // The Stop button (or closing the window) asked the whole run to end.
  virtual bool StopRequested() const = 0;
  // The Skip button asked to abandon the current listing page.
  virtual bool SkipRequested() const = 0;

  // Downloads `url` into the file at `file` (created or truncated) and answers the number
  // of body bytes received. 0 means failure (stop requested, error status, abort, empty
  // body, a document larger than `kind` allows); the file no longer exists then. Any
  // exception other than the network's own (for example a file that cannot be created)
  // reaches the caller; the analyses count it as a failed download.
  // Pumps the event loop: button handlers and timers may run before this returns.
  virtual int FetchUrl(const std::string& url, const std::string& file, DocumentKind kind) = 0;
  // Why the last FetchUrl that failed (answered 0 or threw) failed, in plain words for a
  // log line: printable text without line ends, for example "404 Not Found", "Connection
  // refused (Error #10061)", "no data for 60 s", "stopped" or "skipped". Empty until a
  // fetch has failed; a successful fetch leaves it as it was.
  virtual std::string LastFetchFailure() const = 0;
  // The status the server gave the last FetchUrl, whether it succeeded or not; 0 when no
  // server answered it (a refused connection, a time-out, a stop).
  virtual int LastReplyStatus() const { return 0; }

  // Keeps the page just fetched into `page_file` from `url`, with the server's status and
  // header, as evidence of what a page of the site looked like when it gave less than it
  // should (`why`, plain ASCII words); bounded and never needed by the run. A run that
  // keeps nothing keeps this default.
  virtual void KeepEvidence(const std::string& /*url*/, const std::string& /*page_file*/,
                            std::string_view /*why*/) {}

  // Appends `message` (Shift_JIS) to the run log as one plain line. Never fails.
  virtual void WriteLog(std::string_view message) = 0;
  // Appends `message` (Shift_JIS) to the run log as one error line (marked as an error
  // for the host). Never fails.
  virtual void WriteErrorLog(std::string_view message) = 0;

  // The window's title list: how many lines it holds, clearing it, and adding one line
  // (Shift_JIS). AddTitle may throw when the list cannot take the line.
  virtual size_t TitleCount() const = 0;
  virtual void ClearTitles() = 0;
  virtual void AddTitle(std::string_view line) = 0;

  // Lets the window handle its pending events without blocking.
  // Pumps the event loop: button handlers and timers may run before this returns.
  virtual void YieldToUI() = 0;
  // Waits `duration`, handling events as they come (never spinning).
  // Pumps the event loop: button handlers and timers may run before this returns.
  virtual void Wait(std::chrono::milliseconds duration) = 0;
  // Called after a failed download when another attempt at the same URL follows. When the
  // server answered that download asking to slow down, waits the time it asked for,
  // ending at once on stop or skip; otherwise returns at once. A run that never backs
  // off keeps this default.
  // Pumps the event loop: button handlers and timers may run before this returns.
  virtual void WaitBeforeRetry() {}

  // The folder for work files and cover images, ending in "/".
  virtual std::string TempFolder() const = 0;
  // Scheme and host of the publisher's site, without a trailing "/"; cover URLs are this
  // followed by the image path of the page.
  virtual std::string SiteOrigin() const = 0;
  // Full path of the host's master file ("ShelvioMas.csv" one folder above the program's
  // folder), resolved by the run.
  virtual std::string MasterFilePath() const = 0;
};

}  // namespace kasumido
