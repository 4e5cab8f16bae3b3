#include "http/tls_stream.h"

#include "http/http_client_texts.h"

namespace kasumido {

TlsStream::TlsStream(EventLoop& loop, std::unique_ptr<ByteStream> inner, std::string server_name,
                     std::string peer)
    : LayeredStream("TlsStream", loop, std::move(inner)),
      server_name_(std::move(server_name)),
      peer_(std::move(peer)) {}

void TlsStream::HandleInnerOpened() {
  TlsFailure failure;
  session_ = StartTlsSession(server_name_, peer_, failure);
  if (session_ == nullptr) {
    End({0, http_text::TlsFailureText(failure)});
    inner_->Abort();
    return;
  }
  phase_ = Phase::kHandshaking;
  Shake();
}

void TlsStream::Shake() {
  for (;;) {
    const TlsStep step = session_->Handshake();
    if (step == TlsStep::kDone) {
      // The handshake's last flight (a resumed session's Finished) goes out with the
      // reader's first bytes, in one segment: sent alone first, it would hold the request
      // back until the server acknowledged it, a delayed acknowledgement later.
      info_ = session_->Info();
      phase_ = Phase::kOpen;
      if (!gate_.Raise(OnOpened) || !Push()) return;
      if (session_->HoldsInput()) RaiseReadable();
      return;
    }
    if (!Push()) return;  // the inner stream's end follows
    if (step == TlsStep::kFailed) {
      info_ = session_->Info();
      Fail();
      return;
    }
    if (!Pull()) return;  // wait for the inner stream's next bytes
  }
}

void TlsStream::HandleInnerReadable() {
  if (phase_ == Phase::kHandshaking) {
    Shake();
  } else if (phase_ == Phase::kOpen) {
    RaiseReadable();
  }
}

void TlsStream::RaiseReadable() {
  read_dry_ = false;
  if (!gate_.Raise(OnReadable)) return;
  if (phase_ == Phase::kOpen && !read_dry_) {
    queue_.Post(gate_.Bind([this] { RaiseReadable(); }));
  }
}

void TlsStream::HandleInnerEnded(const StreamEnd& end) {
  switch (phase_) {
    case Phase::kConnecting:  // no connection, or the proxy refused the tunnel
      End(end);
      return;
    case Phase::kHandshaking: {
      const TlsFailure failure{TlsFailureKind::kHandshake,
                               end.error != 0 ? http_text::SocketFailure(end.error)
                                              : std::string(http_text::kServerClosed)};
      End({end.error, http_text::TlsFailureText(failure)});
      return;
    }
    case Phase::kOpen:
      // Every record that arrived has been read: the closing alert was not among them.
      End({end.error, end.error != 0 ? end.reason : std::string(http_text::kClosedWithoutAlert)});
      return;
    case Phase::kEnded:
      return;
  }
}

std::size_t TlsStream::Read(char* buffer, std::size_t size) {
  if (phase_ != Phase::kOpen || size == 0) return 0;
  for (;;) {
    const TlsRead read = session_->Read(buffer, size);
    switch (read.Result) {
      case TlsRead::Outcome::kData:
        return read.Count;
      case TlsRead::Outcome::kClosed:
        End({});
        inner_->Close();
        return 0;
      case TlsRead::Outcome::kFailed:
        Fail();
        return 0;
      case TlsRead::Outcome::kWantsInput:
        if (!Push() || !Pull()) {
          read_dry_ = true;
          return 0;
        }
        break;
    }
  }
}

bool TlsStream::Write(std::string_view bytes) {
  if (phase_ != Phase::kOpen) return false;
  if (!session_->Write(bytes)) {
    Fail();
    return false;
  }
  return Push();
}

bool TlsStream::Pull() {
  const std::span<char> room = session_->IncomingRoom();
  if (room.empty()) return false;
  const std::size_t count = inner_->Read(room.data(), room.size());
  if (count == 0) return false;
  session_->CommitIncoming(count);
  return true;
}

bool TlsStream::Push() {
  const std::string_view bytes = session_->Outgoing();
  if (bytes.empty()) return true;
  const std::size_t size = bytes.size();
  if (!inner_->Write(bytes)) return false;
  session_->ConsumeOutgoing(size);
  return true;
}

void TlsStream::Fail() {
  End({0, http_text::TlsFailureText(session_->Failure())});
  Push();  // the alert that tells the server why, when the session made one
  inner_->Close();
}

void TlsStream::Close() {
  const bool open = phase_ == Phase::kOpen;
  phase_ = Phase::kEnded;
  gate_.Move();
  if (open) {
    session_->Shutdown();
    Push();
  }
  inner_->Close();
}

}  // namespace kasumido
