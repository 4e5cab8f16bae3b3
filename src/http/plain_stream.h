// A byte stream over one plain TCP connection of TSocketTransport. It resolves the
// host, connects, and turns the transport's events into the stream's (http/byte_stream.h):
// the transport raises some of its events inside the calls that cause them, the stream
// raises its own only from the loop.
#pragma once

#include <string>

#include "http/byte_stream.h"
#include "http/event_gate.h"
#include "http/socket_transport.h"

namespace kasumido {

class PlainStream final : public ByteStream {
 public:
  // REQUIRES: `loop` outlives the stream.
  explicit PlainStream(EventLoop& loop);
  // Drops the connection without any event.
  ~PlainStream() override = default;

  void Open(const StreamEndpoint& endpoint) override;
  std::size_t Read(char* buffer, std::size_t size) override;
  bool Write(std::string_view bytes) override;
  void Close() override;
  void Abort() override;

 private:
  enum class Phase { kIdle, kResolving, kConnecting, kOpen, kEnded };

  void HandleLookupDone(int error);
  void HandleConnected(int error);
  void HandleDataAvailable();
  void HandleClosed(int error);
  // Ends the stream; OnEnded follows from the loop.
  void End(StreamEnd end);

  CallQueue queue_;
  TSocketTransport transport_;
  StreamEndpoint endpoint_;
  Phase phase_ = Phase::kIdle;
};

}  // namespace kasumido
