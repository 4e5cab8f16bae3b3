// THttpClient: configuration, the synchronous fetch, the abort, and the steps of a
// request up to the sending of its head.
#include "http/http_client.h"

#include <exception>

#include "http/http_client_texts.h"
#include "http/http_request.h"
#include "http/request_target.h"
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
      deferred_(loop),
      deadline_timer_(loop.CreateTimer()),
      relocation_timer_(loop.CreateTimer()) {
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

// The streams go without raising anything.
THttpClient::~THttpClient() = default;

bool THttpClient::SetState(HttpState state) {
  state_ = state;
  return Raise(OnStateChange);
}

void THttpClient::TakeCredentials(const TargetChoice& choice) {
  if (choice.User) Username = *choice.User;
  if (choice.Password) Password = *choice.Password;
}

// ---- The synchronous fetch ------------------------------------------------------------

void THttpClient::FetchSync() {
  if (state_ != HttpState::Idle) throw EHttpException(http_text::kBusy, http_error::kBusy);
  const EventGate::Scope running(gate_);
  try {
    StartRequest();
  } catch (...) {
    DropRequest();
    throw;
  }
  PumpUntil(loop_, [&] { return state_ == HttpState::Idle; });
  if (reply_status_ >= 400) throw EHttpException(reply_reason_, reply_status_);
}

void THttpClient::StartRequest() {
  gate_.Move();
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
  end_reason_.clear();
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
  OpenConnection();
}

// ---- Connecting -------------------------------------------------------------------------

void THttpClient::OpenConnection() {
  RetireStream();
  security_.reset();
  if (!SetState(HttpState::Resolving)) return;
  const std::string tunnel_request =
      target_.Tunnel.empty() ? std::string()
                             : AssembleRequest(TunnelRequestLines(target_.Tunnel, Agent,
                                                                  ProxyUsername, ProxyPassword));
  stream_ = MakeByteStream(loop_, target_, tunnel_request);
  stream_->OnResolved = [this] { HandleResolved(); };
  stream_->OnOpened = [this] { HandleOpened(); };
  stream_->OnReadable = [this] { HandleReadable(); };
  stream_->OnEnded = [this](const StreamEnd& end) { HandleEnded(end); };
  stream_open_ = true;
  stream_->Open(StreamEndpoint{target_.ConnectHost, target_.ConnectPort, LocalAddr});
}

void THttpClient::HandleResolved() {
  if (state_ == HttpState::Resolving) SetState(HttpState::Resolved);
}

void THttpClient::HandleOpened() {
  if (state_ != HttpState::Resolved) return;
  if (const TlsSessionInfo* security = stream_->Security()) security_ = *security;
  if (!SetState(HttpState::Connected) || !Raise(OnSessionConnected, 0)) return;
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
  // Through a tunnel the proxy sees only the tunnel's request, which carries its own.
  head.ThroughProxy = target_.ThroughProxy && target_.Tunnel.empty();
  head.ProxyUsername = ProxyUsername;
  head.ProxyPassword = ProxyPassword;
  head.Cookie = Cookie;
  std::vector<std::string> lines = RequestLines(head);
  if (!Raise(OnBeforeHeaderSend, head.Method, lines)) return;
  // A stream that cannot take the request ends, and its end ends the request.
  stream_->Write(AssembleRequest(lines));
}

// ---- Abort --------------------------------------------------------------------------------

void THttpClient::AbortRequest() {
  if (state_ == HttpState::Aborting) return;  // an abort nested in an abort's events
  if (state_ == HttpState::Idle || request_ended_) {
    // The outcome is settled; only a connection still open is closed.
    if (stream_open_) {
      stream_open_ = false;
      stream_->Close();
    }
    return;
  }
  EndRunningRequest(http_text::kAborted);
}

void THttpClient::EndRunningRequest(const std::string& reason) {
  try {
    AbortRunningRequest(reason);
  } catch (const std::exception& error) {
    // A handler failed inside the abort: the abort is finished all the same.
    loop_.ReportException(error);
    if (state_ != HttpState::Idle) DropRequest();
  }
}

void THttpClient::AbortRunningRequest(const std::string& reason) {
  gate_.Move();
  relocation_pending_ = false;
  state_ = HttpState::Aborting;
  if (!Raise(OnStateChange)) return;
  SetLocalFailure(reason);
  request_done_error_ = 3;
  // Dropping the connection raises nothing; its end is handled here, raising
  // OnHeaderEnd or OnDocEnd as they apply.
  if (stream_open_) {
    stream_open_ = false;
    stream_->Abort();
  }
  ConnectionEnded(0);
  SetIdle();
}

}  // namespace kasumido
