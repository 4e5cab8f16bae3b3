// A byte stream made over another one (TLS over a connection, a proxy's tunnel over
// its connection): it owns the inner stream, takes the inner stream's events as its own
// (under its own gate, so the lifetime rule covers both) and ends the two together.
// `Phase` is the layer's own course; it must have a kConnecting start and a kEnded end.
#pragma once

#include <memory>
#include <utility>

#include "http/byte_stream.h"

namespace kasumido {

template <typename Phase>
class LayeredStream : public ByteStream {
 public:
  void Open(const StreamEndpoint& endpoint) override { inner_->Open(endpoint); }
  void Abort() override {
    phase_ = Phase::kEnded;
    gate_.Move();
    inner_->Abort();
  }

 protected:
  // REQUIRES: `loop` outlives the stream.
  LayeredStream(const char* name, EventLoop& loop, std::unique_ptr<ByteStream> inner)
      : ByteStream(name), queue_(loop), inner_(std::move(inner)) {
    // The inner stream's events are this stream's too: it must outlive them.
    inner_->OnResolved = [this] {
      const EventGate::Scope scope(gate_);
      gate_.Raise(OnResolved);
    };
    inner_->OnOpened = [this] {
      const EventGate::Scope scope(gate_);
      if (phase_ == Phase::kConnecting) HandleInnerOpened();
    };
    inner_->OnReadable = [this] {
      const EventGate::Scope scope(gate_);
      HandleInnerReadable();
    };
    inner_->OnEnded = [this](const StreamEnd& end) {
      const EventGate::Scope scope(gate_);
      if (phase_ != Phase::kEnded) HandleInnerEnded(end);
    };
  }

  // The inner stream's events, while this stream goes on.
  virtual void HandleInnerOpened() = 0;
  virtual void HandleInnerReadable() = 0;
  virtual void HandleInnerEnded(const StreamEnd& end) = 0;

  // Ends this stream's course; OnEnded follows from the loop.
  void End(StreamEnd end) {
    phase_ = Phase::kEnded;
    PostEnd(queue_, std::move(end));
  }

  CallQueue queue_;
  std::unique_ptr<ByteStream> inner_;
  Phase phase_ = Phase::kConnecting;
};

}  // namespace kasumido
