// THttpClient: the end of a connection and of a request. A closed connection ends the
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

void THttpClient::HandleSessionClosed(int error) {
  if (state_ == HttpState::Idle) return;  // a connection closed after its request ended
  if (closed_handling_ == ClosedHandling::kRelocation) {
    RelocationClosedHandling();
  } else {
    NormalClosedHandling(error);
  }
}

void THttpClient::NormalClosedHandling(int error) {
  if (error != 0) request_done_error_ = error;
  if (request_ended_) return;
  const std::uint64_t epoch = epoch_;
  if (in_header_) {
    // The connection closed before the header's empty line.
    in_header_ = false;
    if (header_line_count_ > 0 && (!Raise(OnHeaderEnd) || !Current(epoch))) return;
    if (state_ == HttpState::Aborting) return;
    if (!failure_reason_.empty()) {
      Fail(failure_reason_);
    } else if (relocation_pending_) {
      RelocationClosedHandling();
    } else {
      Fail(http_text::kHeaderNotEnded);
    }
    return;
  }
  if (chunk_count_ > 0 && (!Raise(OnDocEnd) || !Current(epoch))) return;
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
  return {};
}

void THttpClient::RelocationClosedHandling() {
  relocation_pending_ = false;
  closed_handling_ = ClosedHandling::kNormal;
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
  const std::uint64_t epoch = ++epoch_;
  request_type_ = THttpRequest::Get;
  target_ = relocation_.Target;
  if (target_.ThroughProxy) {
    ProxyEndpoint proxy = ProxyEndpointOf(Proxy, ProxyPort);
    target_.ConnectHost = std::move(proxy.Host);
    target_.ConnectPort = std::move(proxy.Port);
  }
  TakeCredentials(relocation_);
  if (!Raise(OnLocationChange, relocation_value_) || !Current(epoch)) return;
  reply_header_lines_.clear();
  header_line_count_ = 0;
  chunk_count_ = 0;
  in_header_ = false;
  reader_.Clear();
  header_bytes_ = 0;
  reply_content_length_ = -1;
  reply_content_type_.clear();
  reply_status_ = 0;
  // From the loop, not nested in the transport's closing.
  deferred_.Post([this, serial = request_serial_, epoch] {
    if (serial == request_serial_ && Current(epoch)) StartRelocatedRequest();
  });
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
    StartResolving();
  } catch (const std::exception& error) {
    Fail(error.what());
  }
}

// An exception left one of the client's transport handlers (a line too long, a broken
// reply, a document that cannot be written, a failing event handler). The transport
// drops the connection next; its closed event ends the request with this text. Without
// a connection there is no closed event to wait for, so the request ends here.
void THttpClient::HandleBackgroundException(const std::exception& error) {
  if (state_ == HttpState::Idle || state_ == HttpState::Aborting || request_ended_) return;
  if (failure_reason_.empty()) failure_reason_ = error.what();
  if (transport_.State() == TSocketState::ssClosed) Fail(failure_reason_);
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
  ++epoch_;
  deferred_.Post([this, serial = request_serial_] {
    if (serial == request_serial_) SetIdle();
  });
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
  ++request_serial_;
  ++epoch_;
  relocation_pending_ = false;
  request_ended_ = true;
  state_ = HttpState::Idle;
  request_type_ = THttpRequest::None;
  StopTimers();
  transport_.Abort();
}

void THttpClient::StopTimers() {
  deadline_timer_->SetEnabled(false);
  relocation_timer_->SetEnabled(false);
}

}  // namespace kasumido
