// TLS sessions on OpenSSL 3, driven through a BIO pair: the bytes received from the
// server are read straight into the pair's buffer (no copy on the way in) and decrypted
// straight into the caller's buffer. One context for the process, rebuilt only when
// SSL_CERT_FILE or SSL_CERT_DIR change; it keeps the last session of each server for
// resumption, which a new connection offers and a server may take instead of a full
// handshake (its certificate was verified when the session began).
#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>

#include "platform/tls.h"

namespace kasumido {
namespace {

// Each direction of the BIO pair; a read from the socket takes at most this much.
constexpr std::size_t kPairBuffer = 64 * 1024;

std::string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

struct SslContextDeleter {
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SslSessionDeleter {
  void operator()(SSL_SESSION* session) const { SSL_SESSION_free(session); }
};
struct X509Deleter {
  void operator()(X509* certificate) const { X509_free(certificate); }
};

// The process's context and the sessions kept for resumption, by "name:peer".
struct SharedContext {
  std::unique_ptr<SSL_CTX, SslContextDeleter> context;
  std::string cert_file;
  std::string cert_dir;
  std::map<std::string, std::unique_ptr<SSL_SESSION, SslSessionDeleter>> sessions;
};

SharedContext& Shared() {
  static SharedContext shared;
  return shared;
}

// What the library's callbacks need of a connection: its key among the kept sessions,
// and the server's certificate as the chain check saw it (the library keeps none of a
// certificate it refused, and the tools show it).
struct ConnectionNotes {
  std::string session_key;
  std::unique_ptr<X509, X509Deleter> server_certificate;
};

int NotesIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

ConnectionNotes* NotesOf(const SSL* ssl) {
  return ssl == nullptr ? nullptr
                        : static_cast<ConnectionNotes*>(SSL_get_ex_data(ssl, NotesIndex()));
}

// A new session (after the handshake, or a TLS 1.3 ticket): kept for the next
// connection to the same server.
int KeepSession(SSL* ssl, SSL_SESSION* session) {
  const ConnectionNotes* notes = NotesOf(ssl);
  if (notes == nullptr) return 0;
  Shared().sessions[notes->session_key].reset(session);
  return 1;  // the reference is ours
}

// Called for each certificate of the chain as it is checked; changes no verdict.
int NoteServerCertificate(int verified, X509_STORE_CTX* store) {
  const auto* ssl = static_cast<const SSL*>(
      X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  ConnectionNotes* notes = NotesOf(ssl);
  X509* certificate = X509_STORE_CTX_get0_cert(store);
  if (notes != nullptr && !notes->server_certificate && certificate != nullptr &&
      X509_up_ref(certificate) == 1) {
    notes->server_certificate.reset(certificate);
  }
  return verified;
}

SSL_CTX* Context(std::string& problem) {
  SharedContext& shared = Shared();
  const std::string cert_file = EnvironmentText("SSL_CERT_FILE");
  const std::string cert_dir = EnvironmentText("SSL_CERT_DIR");
  if (shared.context && shared.cert_file == cert_file && shared.cert_dir == cert_dir) {
    return shared.context.get();
  }
  shared.sessions.clear();
  shared.context.reset(SSL_CTX_new(TLS_client_method()));
  SSL_CTX* context = shared.context.get();
  if (context == nullptr || SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1 ||
      SSL_CTX_set_default_verify_paths(context) != 1) {
    problem = "the TLS library could not start";
    shared.context.reset();
    return nullptr;
  }
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, NoteServerCertificate);
  SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(context, KeepSession);
  shared.cert_file = cert_file;
  shared.cert_dir = cert_dir;
  return context;
}

bool IsAddress(const std::string& name) {
  unsigned char address[16];
  return inet_pton(AF_INET, name.c_str(), address) == 1 ||
         inet_pton(AF_INET6, name.c_str(), address) == 1;
}

std::string NameText(const X509_NAME* name) {
  BIO* out = BIO_new(BIO_s_mem());
  if (out == nullptr) return {};
  X509_NAME_print_ex(out, name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
  char* data = nullptr;
  const long size = BIO_get_mem_data(out, &data);
  std::string text(data, static_cast<std::size_t>(size > 0 ? size : 0));
  BIO_free(out);
  return text;
}

std::string TimeText(const ASN1_TIME* time) {
  std::tm parts{};
  if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return {};
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
  return text;
}

// The handshake's failure in plain words from the library's last error.
std::string HandshakeCause(unsigned long error) {
  switch (ERR_GET_REASON(error)) {
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_UNSUPPORTED_SSL_VERSION:
      return "protocol version";
    case SSL_R_NO_SHARED_CIPHER:
    case SSL_R_NO_CIPHERS_AVAILABLE:
    case SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE:
    case SSL_R_NO_SUITABLE_SIGNATURE_ALGORITHM:
      return "no common cipher";
    default:
      break;
  }
  const char* reason = ERR_reason_error_string(error);
  return reason != nullptr ? reason : "unknown error";
}

TlsFailure VerificationFailure(long result, const std::string& server_name) {
  switch (result) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return {TlsFailureKind::kOtherHost, "not for " + server_name};
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return {TlsFailureKind::kExpired, X509_verify_cert_error_string(result)};
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return {TlsFailureKind::kNotYetValid, X509_verify_cert_error_string(result)};
    default:
      return {TlsFailureKind::kUntrusted, X509_verify_cert_error_string(result)};
  }
}

class OpenSslSession final : public TlsSession {
 public:
  OpenSslSession(SSL* ssl, BIO* network, std::string server_name, std::string session_key)
      : ssl_(ssl), network_(network), server_name_(std::move(server_name)) {
    notes_.session_key = std::move(session_key);
    SSL_set_ex_data(ssl_, NotesIndex(), &notes_);
  }
  ~OpenSslSession() override {
    SSL_free(ssl_);  // frees the pair's inner half
    BIO_free(network_);
  }
  OpenSslSession(const OpenSslSession&) = delete;
  OpenSslSession& operator=(const OpenSslSession&) = delete;

  TlsStep Handshake() override {
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl_);
    if (result == 1) return TlsStep::kDone;
    const int error = SSL_get_error(ssl_, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
      return TlsStep::kWantsInput;
    }
    const long verified = SSL_get_verify_result(ssl_);
    if (verified != X509_V_OK) {
      failure_ = VerificationFailure(verified, server_name_);
    } else {
      failure_ = {TlsFailureKind::kHandshake, HandshakeCause(ERR_peek_last_error())};
    }
    return TlsStep::kFailed;
  }

  std::span<char> IncomingRoom() override {
    char* room = nullptr;
    const int size = BIO_nwrite0(network_, &room);
    if (size <= 0) return {};
    return {room, static_cast<std::size_t>(size)};
  }
  void CommitIncoming(std::size_t count) override {
    char* room = nullptr;
    BIO_nwrite(network_, &room, static_cast<int>(count));
  }

  std::string_view Outgoing() override {
    TakeOutgoing();
    return outgoing_;
  }
  void ConsumeOutgoing(std::size_t count) override { outgoing_.erase(0, count); }

  TlsRead Read(char* buffer, std::size_t size) override {
    ERR_clear_error();
    std::size_t count = 0;
    if (SSL_read_ex(ssl_, buffer, size, &count) == 1) return {TlsRead::Outcome::kData, count};
    switch (SSL_get_error(ssl_, 0)) {
      case SSL_ERROR_WANT_READ:
      case SSL_ERROR_WANT_WRITE:
        return {TlsRead::Outcome::kWantsInput, 0};
      case SSL_ERROR_ZERO_RETURN:
        return {TlsRead::Outcome::kClosed, 0};
      default: {
        const char* reason = ERR_reason_error_string(ERR_peek_last_error());
        failure_ = {TlsFailureKind::kRecord, reason != nullptr ? reason : "unreadable record"};
        return {TlsRead::Outcome::kFailed, 0};
      }
    }
  }

  bool HoldsInput() const override { return SSL_pending(ssl_) > 0; }

  bool Write(std::string_view plain) override {
    while (!plain.empty()) {
      ERR_clear_error();
      std::size_t written = 0;
      if (SSL_write_ex(ssl_, plain.data(), plain.size(), &written) == 1) {
        plain.remove_prefix(written);
        continue;
      }
      if (SSL_get_error(ssl_, 0) != SSL_ERROR_WANT_WRITE) return false;
      TakeOutgoing();  // the pair's buffer is full: make room
    }
    return true;
  }

  void Shutdown() override {
    ERR_clear_error();
    SSL_shutdown(ssl_);
  }

  const TlsFailure& Failure() const override { return failure_; }

  TlsSessionInfo Info() const override {
    TlsSessionInfo info;
    info.Version = SSL_get_version(ssl_);
    if (const SSL_CIPHER* cipher = SSL_get_current_cipher(ssl_)) {
      info.Cipher = SSL_CIPHER_get_name(cipher);
    }
    X509* certificate = SSL_get0_peer_certificate(ssl_);
    if (certificate == nullptr) certificate = notes_.server_certificate.get();
    if (certificate != nullptr) {
      info.Subject = NameText(X509_get_subject_name(certificate));
      info.Issuer = NameText(X509_get_issuer_name(certificate));
      info.ValidFrom = TimeText(X509_get0_notBefore(certificate));
      info.ValidUntil = TimeText(X509_get0_notAfter(certificate));
    }
    const long verified = SSL_get_verify_result(ssl_);
    info.Verification = verified == X509_V_OK ? "ok" : X509_verify_cert_error_string(verified);
    return info;
  }

 private:
  // Moves what the library has written for the server out of the pair's buffer.
  void TakeOutgoing() {
    for (;;) {
      char* data = nullptr;
      const int size = BIO_nread0(network_, &data);
      if (size <= 0) return;
      outgoing_.append(data, static_cast<std::size_t>(size));
      BIO_nread(network_, &data, size);
    }
  }

  SSL* ssl_;
  BIO* network_;  // our half of the pair
  std::string server_name_;
  ConnectionNotes notes_;  // what the callbacks see of this connection (its ex data)
  std::string outgoing_;
  TlsFailure failure_;
};

}  // namespace

std::unique_ptr<TlsSession> StartTlsSession(const std::string& server_name, const std::string& peer,
                                            TlsFailure& failure) {
  std::string problem;
  SSL_CTX* context = Context(problem);
  if (context == nullptr) {
    failure = {TlsFailureKind::kHandshake, problem};
    return nullptr;
  }
  SSL* ssl = SSL_new(context);
  BIO* inner = nullptr;
  BIO* network = nullptr;
  if (ssl == nullptr || BIO_new_bio_pair(&inner, kPairBuffer, &network, kPairBuffer) != 1) {
    SSL_free(ssl);
    failure = {TlsFailureKind::kHandshake, "the TLS library could not start a session"};
    return nullptr;
  }
  SSL_set_bio(ssl, inner, inner);
  SSL_set_connect_state(ssl);
  if (IsAddress(server_name)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), server_name.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, server_name.c_str());
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    SSL_set1_host(ssl, server_name.c_str());
  }
  const std::string key = server_name + " " + peer;
  const auto kept = Shared().sessions.find(key);
  if (kept != Shared().sessions.end()) SSL_set_session(ssl, kept->second.get());
  return std::make_unique<OpenSslSession>(ssl, network, server_name, key);
}

}  // namespace kasumido
