// THttpClient: configuration, the synchronous fetch, the abort, and the steps of a
// request up to the sending of its head.
#include "http/http_client.h"

#include <exception>

#include "http/http_client_texts.h"
#include "http/http_request.h"
#include "platform/waits.h"

namespace kasumido {
namespace {

constexpr int kHttpNotFound = 404;

}  // namespace

const char* ToString(HttpState state) {
  switch (state) {
    case HttpState::Idle:
      return "Idle";
    case HttpState::Starting:
      return "Starting";
    case HttpState::Connected:
      return "Connected";
    case HttpState::Resolving:
      return "Resolving";
    case HttpState::Resolved:
      return "Resolved";
    case HttpState::AwaitingHeader:
      return "AwaitingHeader";
    case HttpState::AwaitingBody:
      return "AwaitingBody";
    case HttpState::Aborting:
      return "Aborting";
  }
  return "?";
}

const char* ToString(THttpRequest request) {
  switch (request) {
    case THttpRequest::None:
      return "None";
    case THttpRequest::Get:
      return "GET";
    case THttpRequest::Post:
      return "POST";
    case THttpRequest::Head:
      return "HEAD";
  }
  return "?";
}

THttpClient::THttpClient(EventLoop& loop)
    : loop_(loop),
      transport_(loop),
      deferred_(loop),
      deadline_timer_(loop.CreateTimer()),
      relocation_timer_(loop.CreateTimer()) {
  transport_.OnDnsLookupDone = [this](int error) { HandleLookupDone(error); };
  transport_.OnSessionConnected = [this](int error) { HandleSessionConnected(error); };
  transport_.OnDataAvailable = [this](int) { HandleDataAvailable(); };
  transport_.OnSessionClosed = [this](int error) { HandleSessionClosed(error); };
  // Failures are reported through the request's outcome; the text is not needed here.
  transport_.OnError = [](const std::string&) {};
  transport_.OnBgException = [this](const std::exception& error, bool&) {
    HandleBackgroundException(error);
  };
  deadline_timer_->OnTimer = [this] {
    deadline_timer_->SetEnabled(false);
    if (state_ != HttpState::Idle && !request_ended_) {
      EndRunningRequest(http_text::DeadlinePassed(deadline_timer_->Interval()));
    }
  };
  relocation_timer_->OnTimer = [this] {
    relocation_timer_->SetEnabled(false);
    StartRelocatedRequest();
  };
}

// The transport goes last and raises nothing while it is destroyed.
THttpClient::~THttpClient() = default;

bool THttpClient::SetState(HttpState state) {
  state_ = state;
  const std::uint64_t epoch = epoch_;
  return Raise(OnStateChange) && Current(epoch);
}

void THttpClient::TakeCredentials(const TargetChoice& choice) {
  if (choice.User) Username = *choice.User;
  if (choice.Password) Password = *choice.Password;
}

// ---- The synchronous fetch ------------------------------------------------------------

void THttpClient::FetchSync() {
  if (state_ != HttpState::Idle) throw EHttpException(http_text::kBusy, http_error::kBusy);
  DestructionWatch::Frame life(watch_);
  try {
    StartRequest();
  } catch (...) {
    if (life.Alive()) DropRequest();
    throw;
  }
  PumpUntil(loop_, [&] { return !life.Alive() || state_ == HttpState::Idle; });
  if (!life.Alive()) throw EHttpException(http_text::kAborted, kHttpNotFound);
  if (reply_status_ >= 400) throw EHttpException(reply_reason_, reply_status_);
}

void THttpClient::StartRequest() {
  ++request_serial_;
  ++epoch_;
  closed_handling_ = ClosedHandling::kNormal;
  request_type_ = THttpRequest::Get;
  reply_header_lines_.clear();
  request_done_error_ = 0;
  reply_status_ = 0;
  local_failure_ = false;
  doc_bytes_ = 0;
  header_line_count_ = 0;
  header_bytes_ = 0;
  chunk_count_ = 0;
  reply_content_length_ = -1;
  reply_content_type_.clear();
  relocation_count_ = 0;
  relocation_pending_ = false;
  in_header_ = false;
  request_ended_ = false;
  failure_reason_.clear();
  reader_.Clear();
  TargetChoice choice = TargetForUrl(URL, Proxy, ProxyPort);
  target_ = std::move(choice.Target);
  TakeCredentials(choice);
  StopTimers();
  if (Deadline > Milliseconds(0)) {
    deadline_timer_->SetInterval(Deadline);
    deadline_timer_->SetEnabled(true);
  }
  if (!SetState(HttpState::Starting)) return;
  StartResolving();
}

// ---- Resolving and connecting -----------------------------------------------------------

void THttpClient::StartResolving() {
  if (!SetState(HttpState::Resolving)) return;
  transport_.LocalAddr = LocalAddr;
  // A dotted address completes inside the call; a name completes from the loop.
  transport_.DnsLookup(target_.ConnectHost);
}

void THttpClient::HandleLookupDone(int error) {
  // An abort cancels the lookup, which then completes here with an error: ignored.
  if (state_ != HttpState::Resolving) return;
  if (error != 0) {
    request_done_error_ = error;
    SetLocalFailure(http_text::kCannotResolve);
    NormalClosedHandling(error);
    return;
  }
  if (!SetState(HttpState::Resolved)) return;
  transport_.Addr = transport_.DnsResult();
  transport_.Port = target_.ConnectPort;
  transport_.Proto = "tcp";
  transport_.LocalAddr = LocalAddr;
  if (transport_.Connect()) return;
  const int failure = transport_.LastError();
  request_done_error_ = failure;
  SetLocalFailure(http_text::kCannotConnect + http_text::SocketFailure(failure));
  transport_.Close();
  NormalClosedHandling(failure);
}

void THttpClient::HandleSessionConnected(int error) {
  if (state_ != HttpState::Resolved) return;
  if (error != 0) {
    request_done_error_ = error;
    SetLocalFailure(http_text::SocketFailure(error));
    NormalClosedHandling(error);  // the transport's closed event then finds it ended
    return;
  }
  const std::uint64_t epoch = epoch_;
  if (!SetState(HttpState::Connected)) return;
  if (!Raise(OnSessionConnected, 0) || !Current(epoch)) return;
  if (!SetState(HttpState::AwaitingHeader)) return;
  SendRequest();
}

void THttpClient::SendRequest() {
  RequestHead head;
  head.Method = ToString(request_type_);
  head.RequestPath = target_.RequestPath;
  head.Host = target_.TargetHost;
  head.Sender = Sender;
  head.Accept = Accept;
  head.Reference = Reference;
  head.AcceptLanguage = AcceptLanguage;
  head.Agent = Agent;
  head.NoCache = NoCache;
  head.ModifiedSince = ModifiedSince;
  head.Username = Username;
  head.Password = Password;
  head.ThroughProxy = target_.ThroughProxy;
  head.ProxyUsername = ProxyUsername;
  head.ProxyPassword = ProxyPassword;
  head.Cookie = Cookie;
  std::vector<std::string> lines = RequestLines(head);
  const std::uint64_t epoch = epoch_;
  if (!Raise(OnBeforeHeaderSend, head.Method, lines) || !Current(epoch)) return;
  // A send that fails has been reported; closing ends the request as the server would.
  if (transport_.Send(AssembleRequest(lines)) < 0) transport_.Close();
}

// ---- Abort --------------------------------------------------------------------------------

void THttpClient::AbortRequest() {
  if (state_ == HttpState::Aborting) return;  // an abort nested in an abort's events
  if (state_ == HttpState::Idle || request_ended_) {
    // The outcome is settled; only a connection still open is closed.
    if (transport_.State() != TSocketState::ssClosed) transport_.Close();
    return;
  }
  EndRunningRequest(http_text::kAborted);
}

void THttpClient::EndRunningRequest(const std::string& reason) {
  DestructionWatch::Frame life(watch_);
  try {
    AbortRunningRequest(reason);
  } catch (const std::exception& error) {
    // A handler failed inside the abort: the abort is finished all the same.
    if (!life.Alive()) return;
    loop_.ReportException(error);
    if (state_ != HttpState::Idle) DropRequest();
  }
}

void THttpClient::AbortRunningRequest(const std::string& reason) {
  const bool resolving = state_ == HttpState::Resolving && transport_.LookupRunning();
  ++epoch_;
  relocation_pending_ = false;
  closed_handling_ = ClosedHandling::kNormal;
  state_ = HttpState::Aborting;
  DestructionWatch::Frame life(watch_);
  if (!Raise(OnStateChange)) return;
  // The cancelled lookup completes at once with an error, which HandleLookupDone ignores.
  if (resolving) transport_.CancelDnsLookup();
  SetLocalFailure(reason);
  request_done_error_ = 3;
  if (resolving || transport_.State() == TSocketState::ssClosed) {
    NormalClosedHandling(0);
  } else {
    transport_.Close();  // its closed event raises OnHeaderEnd or OnDocEnd as they apply
  }
  if (life.Alive()) SetIdle();
}

}  // namespace kasumido
