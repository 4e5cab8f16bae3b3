// A byte stream that speaks TLS over another byte stream (a plain connection, or a
// proxy's tunnel): once the inner stream is open it shakes hands with the server
// through the system's TLS session (platform/tls.h), which verifies the certificate
// and the server's name, and only then is it open itself. Bytes received go from the
// inner stream straight into the session and are decrypted straight into the reader's
// buffer, so a large read stays one read.
//
// Its end: the server's closing alert is a clean end; a connection that ends without
// it is "the connection closed without TLS's closing alert" (a document of known
// length has ended before, at its length); a handshake or record failure, or a socket
// error, fails the stream with its reason.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "http/layered_stream.h"

namespace kasumido {

enum class TlsPhase { kConnecting, kHandshaking, kOpen, kEnded };

class TlsStream final : public LayeredStream<TlsPhase> {
 public:
  // `server_name`: the name sent to the server and matched against its certificate;
  // `peer`: the server's "host:port". REQUIRES: `loop` outlives the stream.
  TlsStream(EventLoop& loop, std::unique_ptr<ByteStream> inner, std::string server_name,
            std::string peer);

  std::size_t Read(char* buffer, std::size_t size) override;
  bool Write(std::string_view bytes) override;
  void Close() override;
  const TlsSessionInfo* Security() const override { return info_ ? &*info_ : nullptr; }

 private:
  using Phase = TlsPhase;

  void HandleInnerOpened() override;
  void HandleInnerReadable() override;
  void HandleInnerEnded(const StreamEnd& end) override;
  // Moves the handshake on as far as the bytes received allow.
  void Shake();
  // Raises OnReadable; again from the loop while the reader leaves bytes behind.
  void RaiseReadable();
  // Moves received bytes from the inner stream into the session: false when none came.
  bool Pull();
  // Sends what the session has for the server: false when the inner stream refused it.
  bool Push();
  // The session failed: the stream ends with its reason and the connection is closed.
  void Fail();

  std::string server_name_;
  std::string peer_;
  std::unique_ptr<TlsSession> session_;
  std::optional<TlsSessionInfo> info_;
  bool read_dry_ = false;  // the last Read found nothing more to give
};

}  // namespace kasumido
