// The page fetch of the run: FetchUrl with its request spacing, inactivity time-out and
// status texts, and the two handlers that run while it waits.
#include <algorithm>
#include <climits>
#include <cstdio>

#include "http/document_stream.h"
#include "http/http_exception.h"
#include "http/retry_after.h"
#include "kasumido/texts.h"
#include "platform/files.h"
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

}  // namespace

void TFormDLL::WaitForRequestSlot() {
  if (last_request_time_) {
    const TimePoint slot = *last_request_time_ + kRequestSpacing;
    const TimePoint now = loop_.Now();
    if (now < slot) PumpFor(loop_, std::chrono::ceil<Milliseconds>(slot - now));
  }
  last_request_time_ = loop_.Now();
}

int TFormDLL::FetchUrl(const std::string& url, const std::string& file) {
  server_back_off_.reset();
  if (stop_requested_) return 0;
  WaitForRequestSlot();
  // A stop pressed during the spacing wait starts no request either.
  if (stop_requested_) return 0;

  HttpClient1.URL = url;
  FetchFile target(file);  // throws when the file cannot be created
  current_file_name_ = FileNameOf(file);
  int answer = 0;
  try {
    answer = Transfer(url, target);
  } catch (...) {
    Timer1->SetEnabled(false);
    HttpClient1.DocStream = nullptr;
    target.Close();
    RemoveFile(file);
    throw;
  }
  if (answer == 0) RemoveFile(file);
  return answer;
}

int TFormDLL::Transfer(const std::string& url, FetchFile& target) {
  HttpClient1.DocStream = &target;
  Timer1->SetInterval(Milliseconds(static_cast<std::int64_t>(settings_.TimeOutSeconds()) * 1000));
  Timer1->SetEnabled(true);
  view_.SetStatusHint(url);
  int answer = 0;
  try {
    HttpClient1.FetchSync();
    answer = static_cast<int>(std::min<std::int64_t>(target.Size(), INT_MAX));
    view_.SetStatusText(ReceivedText(target.Size()));
  } catch (const EHttpException&) {
    view_.SetStatusText(current_file_name_ + ": " + std::to_string(HttpClient1.ReplyStatus()) +
                        " " + HttpClient1.ReplyReason());
    server_back_off_ = ServerBackOff(HttpClient1.ReplyStatus(), HttpClient1.ReplyHeaderLines(),
                                     std::chrono::system_clock::now());
  }
  Timer1->SetEnabled(false);
  HttpClient1.DocStream = nullptr;
  if (!target.Close() || target.Size() != HttpClient1.DocByteCount()) {
    // Bytes the file did not take: the document is incomplete.
    view_.SetStatusText(current_file_name_ + ": " + target.Failure());
    answer = 0;
  }
  return answer;
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
  HttpClient1.AbortRequest();
  Timer1->SetEnabled(false);
}

}  // namespace kasumido
