// THttpClient: the end of a connection and of a request. An ended connection ends the
// request, follows a pending relocation, or turns a reply cut short into a failure; the
// return to Idle and the restart after a relocation are queued to the event loop, and a
// relocation's request waits on a timer for the slot that RequestSlot gives it.
#include <exception>

#include "http/http_client.h"
#include "http/http_client_texts.h"

namespace kasumido {
namespace {

constexpr int kHttpNotFound = 404;

}  // namespace

// The stream ended by itself, from the loop: the peer closed it, reset it, or it failed
// (name, connection, TLS, a proxy's refusal of the tunnel).
void THttpClient::HandleEnded(const StreamEnd& end) {
  stream_open_ = false;
  // A handshake that failed still tells what it saw of the server.
  if (const TlsSessionInfo* security = stream_->Security(); security && !security_) {
    security_ = *security;
  }
  if (state_ == HttpState::Idle || state_ == HttpState::Aborting || request_ended_) return;
  if (state_ == HttpState::Resolving || state_ == HttpState::Resolved) {
    // It never carried the request.
    request_done_error_ = end.error;
    if (end.status >= 400) {
      reply_status_ = end.status;
      reply_reason_ = end.reason;
      local_failure_ = true;
      relocation_pending_ = false;
      EndRequest();
    } else {
      Fail(end.reason);
    }
    return;
  }
  if (end.error == 0) end_reason_ = end.reason;
  ConnectionEnded(end.error);
}

void THttpClient::CloseConnection() {
  if (stream_open_) {
    stream_open_ = false;
    stream_->Close();
  }
  ConnectionEnded(0);
}

void THttpClient::ConnectionEnded(int error) {
  if (error != 0) request_done_error_ = error;
  if (request_ended_) return;
  if (in_header_) {
    // The connection ended before the header's empty line.
    in_header_ = false;
    if (header_line_count_ > 0 && !Raise(OnHeaderEnd)) return;
    if (state_ == HttpState::Aborting) return;
    if (!failure_reason_.empty()) {
      Fail(failure_reason_);
    } else if (relocation_pending_) {
      FollowRelocation();
    } else {
      Fail(end_reason_.empty() ? std::string(http_text::kHeaderNotEnded) : end_reason_);
    }
    return;
  }
  if (chunk_count_ > 0 && !Raise(OnDocEnd)) return;
  if (state_ == HttpState::Aborting) return;
  const std::string failure = failure_reason_.empty() ? BodyEndFailure(error) : failure_reason_;
  if (!failure.empty()) {
    Fail(failure);
  } else {
    EndRequest();
  }
}

std::string THttpClient::BodyEndFailure(int error) const {
  // An error page has its server's status, however much of it was read.
  if (state_ != HttpState::AwaitingBody || reply_status_ >= 400) return {};
  // A reset leaves no way to tell whether the body was whole.
  if (error != 0) return http_text::SocketFailure(error);
  const std::optional<std::int64_t> length = BodyLength();
  if (length && doc_bytes_ < *length) return http_text::BodyEndedEarly(doc_bytes_, *length);
  // Without a length, only a clean end (on TLS with its closing alert) makes it whole.
  return end_reason_;
}

void THttpClient::FollowRelocation() {
  relocation_pending_ = false;
  if (relocation_count_ >= kMaxRelocations) {
    Fail(http_text::kTooManyRelocations);
    return;
  }
  // A control byte would be sent in the request line and the Host header.
  if (!SendableTarget(relocation_.Target)) {
    Fail(http_text::kUnsendableRelocation);
    return;
  }
  ++relocation_count_;
  gate_.Move();
  request_type_ = THttpRequest::Get;
  target_ = relocation_.Target;
  if (target_.ThroughProxy) {
    ProxyEndpoint proxy = ProxyEndpointOf(Proxy, ProxyPort);
    target_.ConnectHost = std::move(proxy.Host);
    target_.ConnectPort = std::move(proxy.Port);
  }
  TakeCredentials(relocation_);
  if (!Raise(OnLocationChange, relocation_value_)) return;
  reply_header_lines_.clear();
  header_line_count_ = 0;
  chunk_count_ = 0;
  in_header_ = false;
  reader_.Clear();
  header_bytes_ = 0;
  end_reason_.clear();
  failure_reason_.clear();
  reply_content_length_ = -1;
  reply_content_type_.clear();
  reply_status_ = 0;
  // From the loop, not nested in the event that ended the connection.
  deferred_.Post(gate_.Bind([this] { StartRelocatedRequest(); }));
}

void THttpClient::StartRelocatedRequest() {
  if (state_ == HttpState::Idle || request_ended_) return;
  try {
    const TimePoint slot = RequestSlot ? RequestSlot() : loop_.Now();
    // Read after the slot: a slot granted "now" is never later than this.
    const TimePoint now = loop_.Now();
    if (slot > now) {
      relocation_timer_->SetInterval(std::chrono::ceil<Milliseconds>(slot - now));
      relocation_timer_->SetEnabled(true);
      return;
    }
    OpenConnection();
  } catch (const std::exception& error) {
    Fail(error.what());
  }
}

void THttpClient::DropConnection(const std::string& reason) {
  if (state_ == HttpState::Idle || state_ == HttpState::Aborting || request_ended_) return;
  if (stream_open_) {
    stream_open_ = false;
    stream_->Abort();
  }
  if (failure_reason_.empty()) failure_reason_ = reason;
  ConnectionEnded(0);
}

void THttpClient::Fail(const std::string& reason) {
  SetLocalFailure(reason);
  relocation_pending_ = false;
  EndRequest();
}

void THttpClient::SetLocalFailure(std::string reason) {
  reply_status_ = kHttpNotFound;
  reply_reason_ = std::move(reason);
  local_failure_ = true;
}

void THttpClient::EndRequest() {
  if (request_ended_) return;
  request_ended_ = true;
  gate_.Move();
  deferred_.Post(gate_.Bind([this] { SetIdle(); }));
}

void THttpClient::SetIdle() {
  if (state_ == HttpState::Idle) return;
  request_ended_ = true;
  StopTimers();
  const THttpRequest request = request_type_;
  const int error = request_done_error_;
  request_type_ = THttpRequest::None;
  deferred_.Post([this, request, error] { Raise(OnRequestDone, request, error); });
  SetState(HttpState::Idle);
}

// Ends the request without events: for a start or an abort that a failing handler broke
// off. The connection, if any, is reset.
void THttpClient::DropRequest() {
  gate_.Move();
  relocation_pending_ = false;
  request_ended_ = true;
  state_ = HttpState::Idle;
  request_type_ = THttpRequest::None;
  StopTimers();
  RetireStream();
}

void THttpClient::StopTimers() {
  deadline_timer_->SetEnabled(false);
  relocation_timer_->SetEnabled(false);
}

void THttpClient::RetireStream() {
  if (stream_ == nullptr) return;
  if (stream_open_) {
    stream_open_ = false;
    stream_->Abort();
  }
  retired_.push_back(std::move(stream_));
  deferred_.Post([this] { DestroyRetiredStreams(); });
}

// A stream whose event is still running (a handler that pumps the loop) waits for the
// next retirement or the client's end.
void THttpClient::DestroyRetiredStreams() {
  std::erase_if(retired_,
                [](const std::unique_ptr<ByteStream>& stream) { return !stream->Raising(); });
}

}  // namespace kasumido
