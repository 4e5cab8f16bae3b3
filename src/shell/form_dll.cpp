#include "shell/form_dll.h"

#include <utility>

#include "analysis/listing_analysis.h"
#include "kasumido/texts.h"
#include "platform/files.h"
#include "platform/open_document.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "platform/waits.h"
#include "shell/download_plan.h"
#include "shell/health_findings.h"
#include "shell/health_history.h"
#include "shell/host_folder.h"
#include "text/paths.h"
#include "text/sjis.h"

namespace kasumido {

TFormDLL::TFormDLL(EventLoop& loop, DownloadView& view, RunSetup setup)
    : HttpClient1(loop),  // creation settings: the client's defaults (agent, accept, port 80)
      Timer1(loop.CreateTimer()),
      LogFile1(setup.program_file),
      loop_(loop),
      view_(view),
      setup_(std::move(setup)),
      settings_(setup_.program_dir, &loop),
      captures_(JoinPath(setup_.program_dir, kCaptureFolderName)) {
  loop_.OnUnhandledException = [this](const std::exception& error) { AppException(error); };
  HttpClient1.OnDocData = [this](const char*, std::size_t) { HttpClient1DocData(); };
  HttpClient1.RequestSlot = [this] { return RelocationSlot(); };
  HttpClient1.OnBeforeHeaderSend = [this](const std::string&, std::vector<std::string>& lines) {
    if (!sending_validators_) return;
    for (std::string& line : ConditionalRequestLines(*sending_validators_)) {
      lines.push_back(std::move(line));
    }
    sending_validators_.reset();  // the validators belong to the first URL only
  };
  Timer1->OnTimer = [this] { Timer1Timer(); };
}

TFormDLL::~TFormDLL() {
  loop_.OnUnhandledException = nullptr;
  Timer1->SetEnabled(false);
}

std::string TFormDLL::ReadHostSetting(std::string_view key) const {
  return settings_.ReadHostSetting(key);
}

std::size_t TFormDLL::DownloadPlan() { return kasumido::DownloadPlan(*this); }

void TFormDLL::FormActivate() {
  if (activated_) return;
  activated_ = true;
  host_dir_ = JoinPath(setup_.program_dir, "..");
  LogFile1.SetLogFileName(JoinPath(host_dir_, kLogFileName));
  LogFile1.SetActive(true);
  const ProxySetting proxy = ChooseProxy(settings_);
  HttpClient1.Proxy = proxy.Proxy;
  HttpClient1.ProxyPort = proxy.ProxyPort;
  try {
    RunDownload();
  } catch (...) {
    view_.CloseView();
    throw;
  }
  view_.CloseView();
}

void TFormDLL::RunDownload() {
  MakeFolder(JoinPath(host_dir_, kOldFolderName));
  stop_requested_ = false;
  skip_requested_ = false;
  if (const std::optional<std::string> problem =
          HostFolderWriteProblem(host_dir_, MasterFilePath())) {
    ReportHostFolderProblem(*problem);
    return;
  }
  view_.SetPhaseCaption(texts::kCaptionRunStart);
  try {
    if (CheckTempFolder()) view_.SetStatusText(HealthStatusText(DownloadPlan()));
  } catch (...) {
    LogFile1.WriteLog(texts::kLogRunFailed, true);
  }
  SetRunButtons(false);
}

bool TFormDLL::CheckTempFolder() {
  if (setup_.temp_folder.empty()) {
    LogFile1.WriteLog(texts::kLogNoTempFolder, true);
    return false;
  }
  if (!SjisPathForHost(setup_.temp_folder)) {
    LogFile1.WriteLog(ShiftJisForDisplay(setup_.temp_folder) + " " +
                          std::string(texts::kWordCoverNotSaved) +
                          " (no name the host can open: every cover is left out)",
                      true);
  }
  return true;
}

void TFormDLL::ReportHostFolderProblem(const std::string& problem) {
  const std::string message = std::string(texts::kHostFolderNotWritable) + " " + problem;
  view_.SetStatusText(message);
  view_.SetStatusHint(message);
  LogFile1.WriteLog(message, true);
  SetRunButtons(false);
  // The log lies in the same folder and may be as unwritable: the window stays a while
  // with the message before it closes, unless its user closes it first.
  PumpUntil(
      loop_, [this] { return stop_requested_; }, loop_.Now() + kProblemShownFor);
}

std::vector<LinkResult> TFormDLL::AnalyseListing(const std::string& listing_folder_url,
                                                 int default_code) {
  return AnalyzeListingPage(listing_folder_url, default_code, *this);
}

LinkResult TFormDLL::FollowLink(const std::string& listing_folder_url, const std::string& link,
                                int default_code) {
  return FollowDetailLink(listing_folder_url, link, default_code, *this);
}

void TFormDLL::KeepEvidence(const std::string& url, const std::string& page_file,
                            std::string_view why) {
  const std::optional<std::string> page = ReadWholeFile(page_file, kMaxPageBytes);
  if (!page) return;
  std::string error;
  (void)captures_.Keep({url, std::string(why), HealthTimeNow(), last_page_reply_header_, *page},
                       error);
}

size_t TFormDLL::TitleCount() const {
  const int count = view_.TitleCount();
  return count < 0 ? 0 : static_cast<size_t>(count);
}

void TFormDLL::YieldToUI() { kasumido::YieldToUI(loop_); }

void TFormDLL::Wait(std::chrono::milliseconds duration) { PumpFor(loop_, duration); }

std::string TFormDLL::MasterFilePath() const {
  return JoinPath(JoinPath(setup_.program_dir, ".."), kMasterFileName);
}

void TFormDLL::FormClose() {
  stop_requested_ = true;
  HttpClient1.AbortRequest();
  Timer1->SetEnabled(false);
}

void TFormDLL::ButtonPauseClick() {
  paused_ = true;
  view_.SetButtonEnabled(RunButton::kPlay, true);
  view_.SetButtonEnabled(RunButton::kPause, false);
  PumpUntil(loop_, [this] { return !paused_ || stop_requested_ || skip_requested_; });
  paused_ = false;
  // After a stop every run button stays disabled.
  if (!stop_requested_) {
    view_.SetButtonEnabled(RunButton::kPlay, false);
    view_.SetButtonEnabled(RunButton::kPause, true);
  }
}

void TFormDLL::ButtonPlayClick() { paused_ = false; }

void TFormDLL::ButtonSkipClick() {
  skip_requested_ = true;
  HttpClient1.AbortRequest();
  const std::string caption = view_.PhaseCaption();
  if (!SjisContains(caption, texts::kCaptionSkipSuffix)) {
    view_.SetPhaseCaption(caption + std::string(texts::kCaptionSkipSuffix));
  }
  LogFile1.WriteLog(texts::kLogSkipPressed, false);
}

void TFormDLL::ButtonStopClick() {
  stop_requested_ = true;
  HttpClient1.AbortRequest();
  SetRunButtons(false);
  LogFile1.WriteLog(texts::kLogStopPressed, false);
}

void TFormDLL::SpeedButtonURLClick() { OpenDocument(setup_.site_origin + "/", ""); }

void TFormDLL::AppException(const std::exception& error) {
  const char* message = error.what();
  view_.SetStatusHint(message);
  view_.SetStatusText(message);
  LogFile1.WriteLog(message, true);
}

void TFormDLL::SetRunButtons(bool enabled) {
  for (RunButton button :
       {RunButton::kPlay, RunButton::kSkip, RunButton::kStop, RunButton::kPause}) {
    view_.SetButtonEnabled(button, enabled);
  }
}

}  // namespace kasumido
