// Sending and receiving: the send queue, the receive loop and the readiness
// notifications of a connected socket.
#include <algorithm>
#include <cstdint>

#include "http/socket_transport.h"
#include "platform/sockets.h"

namespace kasumido {
namespace {

bool IsClosingSendError(int error) {
  using namespace socket_error;
  return error == kInvalidArgument || error == kNotSocket || error == kConnectionAborted ||
         error == kConnectionReset || error == kNotConnected;
}

}  // namespace

// ---- Sending --------------------------------------------------------------------------

int TSocketTransport::Send(const void* data, int count) {
  if (count < 0) count = 0;
  return Send(std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(count)));
}

int TSocketTransport::Send(std::string_view bytes) {
  if (state_ != TSocketState::ssConnected) {
    SocketError(socket_error::kNotConnected, "Send");
    return -1;
  }
  if (bytes.empty()) return 0;
  send_queue_.Append(bytes);
  switch (TryToSend()) {
    case SendResult::kDrained:
      PostDataSent();
      break;
    case SendResult::kPending:
      write_notifier_->SetEnabled(true);
      break;
    case SendResult::kClosed:
    case SendResult::kFailed:
      return -1;
  }
  return static_cast<int>(std::min<std::size_t>(bytes.size(), INT32_MAX));
}

TSocketTransport::SendResult TSocketTransport::TryToSend() {
  while (!send_queue_.Empty()) {
    const std::string_view front = send_queue_.Front();
    int error = 0;
    const std::ptrdiff_t sent = SendOnSocket(socket_, front.data(), front.size(), error);
    if (sent >= 0) {
      send_queue_.Consume(static_cast<std::size_t>(sent));
      continue;
    }
    if (error == socket_error::kWouldBlock) return SendResult::kPending;
    last_error_ = error;
    if (IsClosingSendError(error)) {
      ReleaseSocket(CloseMode::kGraceful);
      FireSessionClosed(error);
      return SendResult::kClosed;
    }
    SocketError(error, "TryToSend failed");
    return SendResult::kFailed;
  }
  return SendResult::kDrained;
}

// OnDataSent after a Send that emptied the queue at once: from the loop, once.
void TSocketTransport::PostDataSent() {
  if (data_sent_posted_) return;
  data_sent_posted_ = true;
  deferred_.Post(gate_.Bind([this] {
    data_sent_posted_ = false;
    if (send_queue_.Empty()) Notify(OnDataSent, 0);
  }));
}

void TSocketTransport::HandleWritable() {
  if (state_ == TSocketState::ssConnecting) {
    FinishConnect(PendingSocketError(socket_));
    return;
  }
  if (state_ != TSocketState::ssConnected) {
    write_notifier_->SetEnabled(false);
    return;
  }
  if (TryToSend() != SendResult::kDrained) return;
  write_notifier_->SetEnabled(false);
  Notify(OnDataSent, 0);
}

// ---- Receiving ------------------------------------------------------------------------

int TSocketTransport::Receive(void* buffer, int size) {
  if (socket_ == kInvalidSocket) {
    SocketError(socket_error::kNotConnected, "recv");
    return -1;
  }
  if (size <= 0) return 0;
  int error = 0;
  const std::ptrdiff_t count =
      ReceiveFromSocket(socket_, static_cast<char*>(buffer), static_cast<std::size_t>(size), error);
  if (count >= 0) {
    read_count_ += count;
    return static_cast<int>(count);
  }
  last_error_ = error;
  if (error != socket_error::kWouldBlock) SocketError(error, "recv");
  return -1;
}

int TSocketTransport::RcvdCount() const {
  if (socket_ == kInvalidSocket) return 0;
  return static_cast<int>(std::min<std::size_t>(BytesWaiting(socket_), INT32_MAX));
}

void TSocketTransport::HandleReadable() {
  if (state_ != TSocketState::ssConnected) return;
  // The loop never raises the notifier again while this runs, though the handlers below
  // may pump it.
  if (!ReceiveLoop()) return;
  // Everything waiting has been read: tell a close or a reset by the peer from a pause.
  int peek_error = 0;
  const std::ptrdiff_t peeked = PeekSocket(socket_, peek_error);
  if (peeked == 0 || (peeked < 0 && peek_error != socket_error::kWouldBlock)) {
    const int error = peeked == 0 ? 0 : peek_error;
    ReleaseSocket(CloseMode::kGraceful);
    FireSessionClosed(error);
  }
}

// Raises OnDataAvailable while bytes are waiting and the handler takes some; without a
// handler the bytes are read and dropped. False when the connection's course moved.
bool TSocketTransport::ReceiveLoop() {
  for (;;) {
    const std::int64_t read_before = read_count_;
    const std::uint64_t course = gate_.Course();
    if (OnDataAvailable) {
      if (!Notify(OnDataAvailable, 0)) return false;
    } else {
      char dropped[1024];
      Receive(dropped, sizeof dropped);
      if (!gate_.Holds(course)) return false;
    }
    if (ComponentOptions.count(TSocketOption::soNoReceiveLoop) != 0) return true;
    // A handler that took nothing waits for the next notification.
    if (read_count_ == read_before || RcvdCount() == 0) return true;
  }
}

}  // namespace kasumido
