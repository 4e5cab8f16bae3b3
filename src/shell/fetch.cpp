// The page fetch of the run: FetchUrl with its request spacing, inactivity time-out and
// status texts, and the two handlers that run while it waits.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>

#include "http/document_stream.h"
#include "http/http_client_texts.h"
#include "http/http_exception.h"
#include "http/retry_after.h"
#include "kasumido/texts.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "platform/waits.h"
#include "shell/form_dll.h"
#include "text/paths.h"

namespace kasumido {

// The file of one fetch. It remembers the first write failure, which the HTTP client
// swallows (the transfer then simply ends), so that a document cut short by a full disk
// is never taken for a whole one.
class FetchFile final : public DocumentStream {
 public:
  explicit FetchFile(const std::string& path) : file_(path) {}

  void Write(const char* data, std::size_t size) override {
    try {
      file_.Write(data, size);
    } catch (const EDocumentStreamError& error) {
      if (failure_.empty()) failure_ = error.what();
      throw;
    }
  }
  // Closes the file; false (with the reason in Failure()) when a write or the close
  // failed.
  bool Close() {
    try {
      file_.Close();
    } catch (const EDocumentStreamError& error) {
      if (failure_.empty()) failure_ = error.what();
    }
    return failure_.empty();
  }
  std::int64_t Size() const { return file_.Size(); }
  const std::string& Failure() const { return failure_; }

 private:
  FileDocumentStream file_;
  std::string failure_;
};

namespace {

std::string ReceivedText(std::int64_t size) {
  char text[64];
  std::snprintf(text, sizeof text, "Received %lld bytes", static_cast<long long>(size));
  return text;
}

// A server's text made fit for one line of the run log: printable ASCII only (any other
// byte, a CR or a byte that might begin a double-byte character, becomes "?"), at most
// 200 bytes.
std::string PrintableText(std::string_view text) {
  constexpr std::size_t kLongest = 200;
  std::string printable(text.substr(0, kLongest));
  for (char& c : printable) {
    if (c < 0x20 || c > 0x7E) c = '?';
  }
  return printable;
}

constexpr const char* kStopped = "stopped";
constexpr const char* kSkipped = "skipped";

}  // namespace

// The limits of a document:
// - A page is read whole into memory by the analyses, whose element list takes up to
//   about 6.5 times the page's size (a page of nothing but tiny tags; 2.5 times for a
//   page like the publisher's), and a listing page stays in memory while each of its
//   detail pages is analysed: 4 MB for each keeps a whole run under 100 MiB whatever
//   the pages hold (72 MiB measured with both pages at the limit), while the
//   publisher's listing and detail pages weigh tens to a few hundred KB.
// - A cover is only stored, never read: 32 MB is a hundred times a cover image and still
//   far from filling a disk; a server that streams without end is cut there.
// - 300 s for a whole document holds even when the time-out is off ("TimeOut_Text" 0) or
//   a server trickles a byte now and then: a 4 MB page needs only 14 KB/s and a large
//   cover of a few MB some tens of KB/s to arrive in time, and a chain of 20 relocations
//   spends 10 s of it on the request spacing.

TimePoint TFormDLL::ClaimRequestSlot() {
  const TimePoint now = loop_.Now();
  if (last_request_time_ && now < *last_request_time_ + kRequestSpacing) {
    return *last_request_time_ + kRequestSpacing;
  }
  last_request_time_ = now;
  return now;
}

TimePoint TFormDLL::RelocationSlot() {
  const TimePoint slot = ClaimRequestSlot();
  if (slot <= loop_.Now() && Timer1->Enabled()) Timer1->SetEnabled(true);
  return slot;
}

void TFormDLL::WaitForRequestSlot() {
  for (TimePoint slot = ClaimRequestSlot(); slot > loop_.Now(); slot = ClaimRequestSlot()) {
    PumpFor(loop_, std::chrono::ceil<Milliseconds>(slot - loop_.Now()));
  }
}

int TFormDLL::FetchUrl(const std::string& url, const std::string& file, DocumentKind kind) {
  server_back_off_.reset();
  last_reply_status_ = 0;
  // Validators go with this fetch only, whatever becomes of it.
  const std::optional<PageValidators> validators = std::exchange(next_validators_, std::nullopt);
  // A stop pressed before the fetch or during its spacing wait starts no request.
  if (!stop_requested_) WaitForRequestSlot();
  if (stop_requested_) {
    last_fetch_failure_ = kStopped;
    return 0;
  }

  sending_validators_ = validators;
  HttpClient1.URL = url;
  HttpClient1.MaxBodyBytes = kind == DocumentKind::kCover ? kMaxCoverBytes : kMaxPageBytes;
  HttpClient1.Deadline = setup_.document_deadline;
  std::optional<FetchFile> target;
  try {
    target.emplace(file);
  } catch (const std::exception& error) {
    last_fetch_failure_ = error.what();
    throw;
  }
  current_file_name_ = ShiftJisForDisplay(FileNameOf(file));
  int answer = 0;
  try {
    answer = Transfer(url, *target);
  } catch (const std::exception& error) {
    last_fetch_failure_ = error.what();
    Timer1->SetEnabled(false);
    HttpClient1.DocStream = nullptr;
    target->Close();
    RemoveFile(file);
    throw;
  }
  sending_validators_.reset();
  if (kind == DocumentKind::kPage) last_page_reply_header_ = HttpClient1.ReplyHeaderLines();
  if (answer == 0) RemoveFile(file);
  return answer;
}

int TFormDLL::Transfer(const std::string& url, FetchFile& target) {
  HttpClient1.DocStream = &target;
  time_out_seconds_ = settings_.TimeOutSeconds();
  timed_out_ = false;
  Timer1->SetInterval(Milliseconds(static_cast<std::int64_t>(time_out_seconds_) * 1000));
  Timer1->SetEnabled(true);
  view_.SetStatusHint(url);
  int answer = 0;
  std::string failure;
  try {
    HttpClient1.FetchSync();
    answer = static_cast<int>(std::min<std::int64_t>(target.Size(), INT_MAX));
    view_.SetStatusText(ReceivedText(target.Size()));
    if (answer == 0) {
      failure = HttpClient1.ReplyStatus() == 0
                    ? std::string("no reply")
                    : "empty document (" + std::to_string(HttpClient1.ReplyStatus()) + " " +
                          PrintableText(HttpClient1.ReplyReason()) + ")";
    }
  } catch (const EHttpException&) {
    view_.SetStatusText(current_file_name_ + ": " + std::to_string(HttpClient1.ReplyStatus()) +
                        " " + HttpClient1.ReplyReason());
    server_back_off_ = ServerBackOff(HttpClient1.ReplyStatus(), HttpClient1.ReplyHeaderLines(),
                                     std::chrono::system_clock::now());
    failure = RequestFailure();
  }
  Timer1->SetEnabled(false);
  HttpClient1.DocStream = nullptr;
  last_reply_status_ = HttpClient1.LocalFailure() ? 0 : HttpClient1.ReplyStatus();
  if (!target.Close() || target.Size() != HttpClient1.DocByteCount()) {
    // Bytes the file did not take: the document is incomplete.
    view_.SetStatusText(current_file_name_ + ": " + target.Failure());
    failure = target.Failure();
    answer = 0;
  }
  if (answer == 0) last_fetch_failure_ = failure;
  return answer;
}

std::string TFormDLL::RequestFailure() const {
  if (!HttpClient1.LocalFailure()) {
    return std::to_string(HttpClient1.ReplyStatus()) + " " +
           PrintableText(HttpClient1.ReplyReason());
  }
  if (HttpClient1.ReplyReason() != http_text::kAborted) return HttpClient1.ReplyReason();
  if (timed_out_) return "no data for " + std::to_string(time_out_seconds_) + " s";
  if (stop_requested_) return kStopped;
  if (skip_requested_) return kSkipped;
  return HttpClient1.ReplyReason();
}

void TFormDLL::WaitBeforeRetry() {
  if (!server_back_off_) return;
  const Milliseconds wait = *server_back_off_;
  server_back_off_.reset();
  if (wait <= Milliseconds(0)) return;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait).count();
  view_.SetStatusText(std::string(texts::kStatusSlowDownPrefix) + std::to_string(seconds) +
                      std::string(texts::kStatusSlowDownSuffix));
  PumpUntil(
      loop_, [this] { return stop_requested_ || skip_requested_; }, loop_.Now() + wait);
}

void TFormDLL::HttpClient1DocData() {
  Timer1->SetEnabled(false);
  view_.SetStatusText(current_file_name_ + ": " + std::to_string(HttpClient1.DocByteCount()) +
                      std::string(kBytesSuffix));
  Timer1->SetEnabled(true);  // restarts the countdown
}

void TFormDLL::Timer1Timer() {
  timed_out_ = true;
  HttpClient1.AbortRequest();
  Timer1->SetEnabled(false);
}

}  // namespace kasumido
