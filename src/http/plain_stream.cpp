#include "http/plain_stream.h"

#include <algorithm>
#include <climits>

#include "http/http_client_texts.h"

namespace kasumido {

PlainStream::PlainStream(EventLoop& loop)
    : ByteStream("PlainStream"), queue_(loop), transport_(loop) {
  transport_.OnDnsLookupDone = [this](int error) {
    // A dotted address completes inside DnsLookup: the outcome goes on from the loop.
    queue_.Post(gate_.Bind([this, error] { HandleLookupDone(error); }));
  };
  transport_.OnSessionConnected = [this](int error) { HandleConnected(error); };
  transport_.OnDataAvailable = [this](int) { HandleDataAvailable(); };
  transport_.OnSessionClosed = [this](int error) { HandleClosed(error); };
  // Failures reach the user as the stream's end; the transport's texts are not needed.
  transport_.OnError = [](const std::string&) {};
}

void PlainStream::Open(const StreamEndpoint& endpoint) {
  endpoint_ = endpoint;
  phase_ = Phase::kResolving;
  transport_.LocalAddr = endpoint.LocalAddr;
  transport_.DnsLookup(endpoint.Host);
}

void PlainStream::HandleLookupDone(int error) {
  if (phase_ != Phase::kResolving) return;
  if (error != 0) {
    End({error, http_text::kCannotResolve});
    return;
  }
  phase_ = Phase::kConnecting;
  if (!gate_.Raise(OnResolved)) return;
  transport_.Addr = transport_.DnsResult();
  transport_.Port = endpoint_.Port;
  transport_.Proto = "tcp";
  transport_.LocalAddr = endpoint_.LocalAddr;
  if (transport_.Connect()) return;
  const int failure = transport_.LastError();
  End({failure, http_text::kCannotConnect + http_text::SocketFailure(failure)});
}

void PlainStream::HandleConnected(int error) {
  if (phase_ != Phase::kConnecting) return;
  if (error != 0) {
    End({error, http_text::SocketFailure(error)});  // the transport then closes the socket
    return;
  }
  phase_ = Phase::kOpen;
  gate_.Raise(OnOpened);
}

void PlainStream::HandleDataAvailable() {
  if (phase_ == Phase::kOpen) gate_.Raise(OnReadable);
}

// From the loop when the peer closed or reset the connection; inside Read or Write when
// they met a reset; inside Close and Abort, which have ended the stream already.
void PlainStream::HandleClosed(int error) {
  if (phase_ == Phase::kEnded) return;
  End({error, error == 0 ? std::string() : http_text::SocketFailure(error)});
}

std::size_t PlainStream::Read(char* buffer, std::size_t size) {
  if (phase_ != Phase::kOpen || size == 0) return 0;
  const int count =
      transport_.Receive(buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
  if (count > 0) return static_cast<std::size_t>(count);
  const int error = transport_.LastError();
  if (count < 0 && error != socket_error::kWouldBlock && phase_ == Phase::kOpen) {
    End({error, http_text::SocketFailure(error)});
    transport_.Abort();
  }
  return 0;
}

bool PlainStream::Write(std::string_view bytes) {
  if (phase_ != Phase::kOpen) return false;
  if (transport_.Send(bytes) >= 0) return true;
  if (phase_ == Phase::kOpen) {  // a failure that did not close the connection
    const int error = transport_.LastError();
    End({error, http_text::SocketFailure(error)});
    transport_.Abort();
  }
  return false;
}

void PlainStream::Close() {
  const bool resolving = phase_ == Phase::kResolving;
  phase_ = Phase::kEnded;
  gate_.Move();
  if (resolving) {
    transport_.Abort();  // drops the lookup
  } else {
    transport_.Close();
  }
}

void PlainStream::Abort() {
  phase_ = Phase::kEnded;
  gate_.Move();
  transport_.Abort();
}

void PlainStream::End(StreamEnd end) {
  phase_ = Phase::kEnded;
  PostEnd(queue_, std::move(end));
}

}  // namespace kasumido
