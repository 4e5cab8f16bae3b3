// TLS client sessions of the system's own TLS library (OpenSSL 3 on Linux, Schannel on
// Windows), without any input or output of their own: the caller carries the encrypted
// bytes between the session and its connection (IncomingRoom/CommitIncoming,
// Outgoing/ConsumeOutgoing) and reads and writes the plain bytes through it, so the
// event loop keeps owning the socket and nothing ever blocks.
//
// Every session verifies the server's certificate chain against the system's trust
// store and the server's name, always, and speaks TLS 1.2 at least. On Linux the store
// is OpenSSL's default one (SSL_CERT_FILE and SSL_CERT_DIR override it); on Windows the
// chain is checked explicitly with the SSL policy and the server's name, never left to
// the library's automatic validation.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kasumido {

enum class TlsFailureKind {
  kNone,
  kUntrusted,    // no trusted root for the chain (self-signed, unknown issuer, ...)
  kOtherHost,    // the certificate names another host
  kExpired,      // the certificate's validity has ended
  kNotYetValid,  // the certificate's validity has not begun
  kHandshake,    // the handshake failed otherwise: protocol version, no common cipher, ...
  kRecord,       // a record after the handshake could not be read
};

struct TlsFailure {
  TlsFailureKind Kind = TlsFailureKind::kNone;
  // The cause in the library's plain words: "self-signed certificate", "protocol
  // version", "no common cipher", "bad record mac", ...
  std::string Detail;
};

// What a session knows once its handshake has ended (or failed on the certificate).
struct TlsSessionInfo {
  std::string Version;  // "TLSv1.3"
  std::string Cipher;   // "TLS_AES_256_GCM_SHA384"
  std::string Subject;  // of the server's certificate: "CN = localhost"
  std::string Issuer;
  std::string ValidFrom;     // "2025-01-01 00:00:00 UTC"
  std::string ValidUntil;    // "2026-01-01 00:00:00 UTC"
  std::string Verification;  // "ok", or the failure in plain words
};

enum class TlsStep {
  kDone,        // the handshake has ended and the server's certificate is verified
  kWantsInput,  // more bytes from the server are needed (send Outgoing first)
  kFailed,      // Failure() says why
};

struct TlsRead {
  enum class Outcome {
    kData,        // Count plain bytes were read
    kWantsInput,  // nothing until more bytes arrive from the server
    kClosed,      // the server ended the session with TLS's closing alert
    kFailed,      // Failure() says why
  };
  Outcome Result = Outcome::kWantsInput;
  std::size_t Count = 0;
};

class TlsSession {
 public:
  virtual ~TlsSession() = default;

  // Moves the handshake on as far as the bytes received allow; its own bytes for the
  // server wait in Outgoing().
  virtual TlsStep Handshake() = 0;

  // Where bytes received from the server go: room for them (empty when the session
  // must be read first), then CommitIncoming with the count put there.
  virtual std::span<char> IncomingRoom() = 0;
  virtual void CommitIncoming(std::size_t count) = 0;
  // Bytes for the server, to send in this order; ConsumeOutgoing drops what was sent.
  virtual std::string_view Outgoing() = 0;
  virtual void ConsumeOutgoing(std::size_t count) = 0;

  // Plain bytes from the server, at most `size`, decrypted straight into `buffer`.
  // REQUIRES: the handshake is done.
  virtual TlsRead Read(char* buffer, std::size_t size) = 0;
  // True when Read would give bytes (or an outcome) without more input.
  virtual bool HoldsInput() const = 0;
  // Encrypts `plain` into Outgoing(). False when the session has failed.
  virtual bool Write(std::string_view plain) = 0;
  // Puts TLS's closing alert into Outgoing().
  virtual void Shutdown() = 0;

  virtual const TlsFailure& Failure() const = 0;
  virtual TlsSessionInfo Info() const = 0;
};

// A client session for `server_name` (a host name, sent for the server's choice of
// certificate and matched against it; a dotted address is matched as an address) at
// `peer` ("host:port" of the server), which tells servers apart for resuming an earlier
// session. Returns null with `failure` set when the library cannot start a session.
std::unique_ptr<TlsSession> StartTlsSession(const std::string& server_name, const std::string& peer,
                                            TlsFailure& failure);

}  // namespace kasumido
