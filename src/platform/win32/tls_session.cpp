// TLS sessions on Schannel through SSPI. Schannel's own validation is switched off
// (SCH_CRED_MANUAL_CRED_VALIDATION: under Wine it accepts any certificate); once the
// handshake has ended the server's chain is built against the system's stores
// (CertGetCertificateChain) and checked with the SSL policy and the server's name
// (CertVerifyCertificateChainPolicy), and the session fails unless both pass. TLS 1.2
// (what SCHANNEL_CRED offers and Wine speaks). One credentials handle for the process,
// so Schannel may resume a session with a server it has met. secur32 is loaded from the
// system folder on the first https request: loading it sets up every security package,
// which a run over plain HTTP has no use for.
#define SECURITY_WIN32
#include <windows.h>
// After windows.h, which they need.
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/tls.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

constexpr std::size_t kMinimumRoom = 17 * 1024;  // one whole record and its framing
constexpr std::size_t kLargestInput = 256 * 1024;

std::string CodeText(SECURITY_STATUS status) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
  return text;
}

// SSPI's functions, from secur32.dll in the system folder (never one beside the program),
// loaded once; nullptr, with the reason, when it cannot be loaded.
const SecurityFunctionTableW* Sspi(std::string& problem) {
  static const SecurityFunctionTableW* const table = []() -> const SecurityFunctionTableW* {
    const auto initialize = LibraryFunction<INIT_SECURITY_INTERFACE_W>(
        LoadSystemLibrary(L"secur32.dll"), "InitSecurityInterfaceW");
    return initialize != nullptr ? initialize() : nullptr;
  }();
  if (table == nullptr) problem = "the system's TLS (secur32.dll) could not be loaded";
  return table;
}

// The process's credentials: client, no certificate of its own, manual validation.
CredHandle* Credentials(const SecurityFunctionTableW& sspi, std::string& problem) {
  static CredHandle handle;
  static bool acquired = false;
  if (acquired) return &handle;
  SCHANNEL_CRED credentials{};
  credentials.dwVersion = SCHANNEL_CRED_VERSION;
  credentials.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  credentials.dwFlags =
      SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
  TimeStamp expiry;
  const SECURITY_STATUS status = sspi.AcquireCredentialsHandleW(
      nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &credentials,
      nullptr, nullptr, &handle, &expiry);
  if (status != SEC_E_OK) {
    problem = "Schannel refused the credentials (" + CodeText(status) + ")";
    return nullptr;
  }
  acquired = true;
  return &handle;
}

TlsFailure HandshakeFailure(SECURITY_STATUS status) {
  switch (status) {
    case SEC_E_UNSUPPORTED_FUNCTION:
      return {TlsFailureKind::kHandshake, "protocol version"};
    case SEC_E_ALGORITHM_MISMATCH:
      return {TlsFailureKind::kHandshake, "no common cipher"};
    case SEC_E_ILLEGAL_MESSAGE:
      return {TlsFailureKind::kHandshake,
              "the server's answer broke the protocol (" + CodeText(status) + ")"};
    default:
      return {TlsFailureKind::kHandshake, "Schannel error " + CodeText(status)};
  }
}

// TLS 1.2 records show their content type. Schannel's codes for a failed handshake are
// coarse (under Wine one internal error for all), so the cause is read from what the
// server sent: its alert, or records of a version older than TLS 1.2.
constexpr unsigned char kAlertRecord = 0x15;
constexpr unsigned char kHandshakeRecord = 0x16;

std::string CauseFromRecords(std::string_view input) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(input[at]); };
  if (input.size() >= 7 && byte(0) == kAlertRecord) {
    switch (byte(6)) {
      case 70:  // protocol_version
        return "protocol version";
      case 40:  // handshake_failure
      case 71:  // insufficient_security
        return "no common cipher";
      default:
        return "the server's alert " + std::to_string(byte(6));
    }
  }
  // A server's records carry the version it chose.
  if (input.size() >= 3 && byte(0) == kHandshakeRecord && (byte(1) << 8 | byte(2)) < 0x0303) {
    return "protocol version";
  }
  return {};
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string NameText(const CERT_NAME_BLOB& name) {
  auto& blob = const_cast<CERT_NAME_BLOB&>(name);
  const DWORD size = CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0);
  std::wstring text(size, L'\0');
  CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text.data(), size);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return Utf8FromWide(text);
}

std::string TimeText(const FILETIME& time) {
  SYSTEMTIME parts;
  if (!FileTimeToSystemTime(&time, &parts)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", parts.wYear, parts.wMonth,
                parts.wDay, parts.wHour, parts.wMinute, parts.wSecond);
  return text;
}

bool IsSelfSigned(const CERT_CONTEXT* certificate) {
  return CertCompareCertificateName(X509_ASN_ENCODING, &certificate->pCertInfo->Subject,
                                    &certificate->pCertInfo->Issuer) != FALSE;
}

// The chain of `certificate` checked against the system's stores with the SSL policy for
// `server_name`: kNone when it passes.
TlsFailure CheckChain(const CERT_CONTEXT* certificate, const std::string& server_name) {
  CERT_CHAIN_PARA chain_para{};
  chain_para.cbSize = sizeof chain_para;
  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  const CERT_CHAIN_CONTEXT* chain = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chain_para,
                               0, nullptr, &chain)) {
    return {TlsFailureKind::kUntrusted, "no chain could be built"};
  }
  std::wstring name = Wide(server_name);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = name.data();
  CERT_CHAIN_POLICY_PARA policy_para{};
  policy_para.cbSize = sizeof policy_para;
  policy_para.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  const BOOL checked =
      CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy_para, &status);
  CertFreeCertificateChain(chain);
  if (!checked) return {TlsFailureKind::kUntrusted, "the chain could not be checked"};
  switch (static_cast<HRESULT>(status.dwError)) {
    case 0:
      return {};
    case CERT_E_CN_NO_MATCH:
      return {TlsFailureKind::kOtherHost, "not for " + server_name};
    case CERT_E_EXPIRED: {
      FILETIME now;
      GetSystemTimeAsFileTime(&now);
      const bool early = CompareFileTime(&now, &certificate->pCertInfo->NotBefore) < 0;
      return {early ? TlsFailureKind::kNotYetValid : TlsFailureKind::kExpired, "outside its dates"};
    }
    case CERT_E_UNTRUSTEDROOT:
      return {TlsFailureKind::kUntrusted,
              IsSelfSigned(certificate) ? "self-signed certificate" : "untrusted root"};
    case CERT_E_CHAINING:
      return {TlsFailureKind::kUntrusted, "unable to get the issuer's certificate"};
    case TRUST_E_CERT_SIGNATURE:
      return {TlsFailureKind::kUntrusted, "a signature in the chain does not verify"};
    case CERT_E_WRONG_USAGE:
      return {TlsFailureKind::kUntrusted, "not a certificate for a server"};
    case CRYPT_E_REVOKED:
      return {TlsFailureKind::kUntrusted, "revoked"};
    default:
      return {TlsFailureKind::kUntrusted,
              "chain policy error " + CodeText(static_cast<SECURITY_STATUS>(status.dwError))};
  }
}

class SchannelSession final : public TlsSession {
 public:
  SchannelSession(const SecurityFunctionTableW& sspi, CredHandle* credentials,
                  std::string server_name)
      : sspi_(sspi), credentials_(credentials), server_name_(std::move(server_name)) {
    input_.resize(64 * 1024);
  }
  ~SchannelSession() override {
    if (certificate_ != nullptr) CertFreeCertificateContext(certificate_);
    if (have_context_) sspi_.DeleteSecurityContext(&context_);
  }
  SchannelSession(const SchannelSession&) = delete;
  SchannelSession& operator=(const SchannelSession&) = delete;

  TlsStep Handshake() override {
    for (;;) {
      const SECURITY_STATUS status = Step();
      if (status == SEC_E_OK) return Verify() ? TlsStep::kDone : TlsStep::kFailed;
      if (status == SEC_E_INCOMPLETE_MESSAGE) return TlsStep::kWantsInput;
      if (status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS) {
        if (filled_ == 0) return TlsStep::kWantsInput;
        continue;  // more of the server's flight is here already
      }
      failure_ = HandshakeFailure(status);
      const std::string cause = CauseFromRecords(std::string_view(input_.data(), filled_));
      if (!cause.empty()) failure_.Detail = cause;
      return TlsStep::kFailed;
    }
  }

  std::span<char> IncomingRoom() override {
    if (input_.size() - filled_ < kMinimumRoom && input_.size() < kLargestInput) {
      input_.resize(std::min(kLargestInput, input_.size() * 2));
    }
    return {input_.data() + filled_, input_.size() - filled_};
  }
  void CommitIncoming(std::size_t count) override { filled_ += count; }

  std::string_view Outgoing() override { return outgoing_; }
  void ConsumeOutgoing(std::size_t count) override { outgoing_.erase(0, count); }

  TlsRead Read(char* buffer, std::size_t size) override {
    if (plain_size_ == 0) {
      const TlsRead decrypted = Decrypt();
      if (decrypted.Result != TlsRead::Outcome::kData) return decrypted;
    }
    const std::size_t count = std::min(size, plain_size_);
    std::memcpy(buffer, input_.data() + plain_begin_, count);
    plain_begin_ += count;
    plain_size_ -= count;
    if (plain_size_ == 0) KeepExtra();
    return {TlsRead::Outcome::kData, count};
  }

  bool HoldsInput() const override { return plain_size_ > 0; }

  bool Write(std::string_view plain) override {
    SecPkgContext_StreamSizes sizes;
    if (sspi_.QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes) != SEC_E_OK) {
      return false;
    }
    while (!plain.empty()) {
      const std::size_t part = std::min<std::size_t>(plain.size(), sizes.cbMaximumMessage);
      std::string message(sizes.cbHeader + part + sizes.cbTrailer, '\0');
      std::memcpy(message.data() + sizes.cbHeader, plain.data(), part);
      SecBuffer buffers[4] = {
          {sizes.cbHeader, SECBUFFER_STREAM_HEADER, message.data()},
          {static_cast<unsigned long>(part), SECBUFFER_DATA, message.data() + sizes.cbHeader},
          {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, message.data() + sizes.cbHeader + part},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
      if (sspi_.EncryptMessage(&context_, 0, &description, 0) != SEC_E_OK) return false;
      outgoing_.append(message.data(),
                       buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
      plain.remove_prefix(part);
    }
    return true;
  }

  void Shutdown() override {
    if (!have_context_) return;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer token{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc description{SECBUFFER_VERSION, 1, &token};
    if (sspi_.ApplyControlToken(&context_, &description) != SEC_E_OK) return;
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out_description{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    std::wstring name = Wide(server_name_);
    sspi_.InitializeSecurityContextW(credentials_, &context_, name.data(), kRequest, 0, 0, nullptr,
                                     0, &context_, &out_description, &attributes, nullptr);
    TakeToken(out);
  }

  const TlsFailure& Failure() const override { return failure_; }

  TlsSessionInfo Info() const override {
    TlsSessionInfo info;
    auto* context = const_cast<CtxtHandle*>(&context_);
    SecPkgContext_ConnectionInfo connection;
    if (have_context_ && sspi_.QueryContextAttributesW(context, SECPKG_ATTR_CONNECTION_INFO,
                                                       &connection) == SEC_E_OK) {
      info.Version = (connection.dwProtocol & SP_PROT_TLS1_3_CLIENT) != 0   ? "TLSv1.3"
                     : (connection.dwProtocol & SP_PROT_TLS1_2_CLIENT) != 0 ? "TLSv1.2"
                                                                            : "TLS";
      SecPkgContext_CipherInfo cipher{};
      cipher.dwVersion = SECPKGCONTEXT_CIPHERINFO_V1;
      if (sspi_.QueryContextAttributesW(context, SECPKG_ATTR_CIPHER_INFO, &cipher) == SEC_E_OK &&
          cipher.szCipherSuite[0] != L'\0') {
        info.Cipher = Utf8FromWide(cipher.szCipherSuite);
      } else {
        info.Cipher = "algorithm " + std::to_string(connection.aiCipher) + ", " +
                      std::to_string(connection.dwCipherStrength) + " bits";
      }
    }
    if (certificate_ != nullptr) {
      info.Subject = NameText(certificate_->pCertInfo->Subject);
      info.Issuer = NameText(certificate_->pCertInfo->Issuer);
      info.ValidFrom = TimeText(certificate_->pCertInfo->NotBefore);
      info.ValidUntil = TimeText(certificate_->pCertInfo->NotAfter);
    }
    info.Verification = verified_ ? "ok" : failure_.Detail;
    return info;
  }

 private:
  static constexpr ULONG kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                    ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                    ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

  // One call of the handshake with what has arrived; what it leaves unread stays.
  SECURITY_STATUS Step() {
    SecBuffer in[2] = {{static_cast<unsigned long>(filled_), SECBUFFER_TOKEN, input_.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in_description{SECBUFFER_VERSION, 2, in};
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out_description{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    std::wstring name = Wide(server_name_);
    const SECURITY_STATUS status = sspi_.InitializeSecurityContextW(
        credentials_, have_context_ ? &context_ : nullptr, name.data(), kRequest, 0, 0,
        have_context_ ? &in_description : nullptr, 0, &context_, &out_description, &attributes,
        nullptr);
    if (!have_context_ && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) {
      have_context_ = true;
    }
    TakeToken(out);  // the next flight, or the alert of a failure
    if (status == SEC_E_INCOMPLETE_MESSAGE) return status;
    // What the call did not use (the next message, or the first application data).
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0) {
      std::memmove(input_.data(), input_.data() + filled_ - in[1].cbBuffer, in[1].cbBuffer);
      filled_ = in[1].cbBuffer;
    } else if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
               status == SEC_I_INCOMPLETE_CREDENTIALS) {
      filled_ = 0;
    }
    return status;
  }

  void TakeToken(SecBuffer& token) {
    if (token.pvBuffer == nullptr) return;
    outgoing_.append(static_cast<const char*>(token.pvBuffer), token.cbBuffer);
    sspi_.FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
  }

  bool Verify() {
    const CERT_CONTEXT* certificate = nullptr;
    if (sspi_.QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
            SEC_E_OK ||
        certificate == nullptr) {
      failure_ = {TlsFailureKind::kUntrusted, "the server sent no certificate"};
      return false;
    }
    certificate_ = certificate;
    failure_ = CheckChain(certificate, server_name_);
    verified_ = failure_.Kind == TlsFailureKind::kNone;
    return verified_;
  }

  TlsRead Decrypt() {
    if (filled_ == 0) return {TlsRead::Outcome::kWantsInput, 0};
    const bool alert = static_cast<unsigned char>(input_[0]) == kAlertRecord;
    SecBuffer buffers[4] = {{static_cast<unsigned long>(filled_), SECBUFFER_DATA, input_.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = sspi_.DecryptMessage(&context_, &description, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) return {TlsRead::Outcome::kWantsInput, 0};
    if (status == SEC_I_CONTEXT_EXPIRED) return {TlsRead::Outcome::kClosed, 0};
    if (status != SEC_E_OK) {
      failure_ = {TlsFailureKind::kRecord, status == SEC_I_RENEGOTIATE
                                               ? std::string("the server asked to renegotiate")
                                               : "Schannel error " + CodeText(status)};
      return {TlsRead::Outcome::kFailed, 0};
    }
    extra_size_ = 0;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA) {
        plain_begin_ =
            static_cast<std::size_t>(static_cast<char*>(buffer.pvBuffer) - input_.data());
        plain_size_ = buffer.cbBuffer;
      } else if (buffer.BufferType == SECBUFFER_EXTRA) {
        extra_size_ = buffer.cbBuffer;
      }
    }
    if (plain_size_ == 0) {
      KeepExtra();
      // Schannel says SEC_I_CONTEXT_EXPIRED for the closing alert; Wine's answers it
      // with no bytes.
      if (alert) return {TlsRead::Outcome::kClosed, 0};
      return Decrypt();  // a record without plain bytes
    }
    return {TlsRead::Outcome::kData, 0};
  }

  // The bytes after the record just read move to the front of the input.
  void KeepExtra() {
    std::memmove(input_.data(), input_.data() + filled_ - extra_size_, extra_size_);
    filled_ = extra_size_;
    extra_size_ = 0;
    plain_begin_ = 0;
  }

  const SecurityFunctionTableW& sspi_;
  CredHandle* credentials_;
  std::string server_name_;
  CtxtHandle context_{};
  bool have_context_ = false;
  const CERT_CONTEXT* certificate_ = nullptr;
  bool verified_ = false;
  std::vector<char> input_;  // received bytes: [0, filled_)
  std::size_t filled_ = 0;
  std::size_t plain_begin_ = 0;  // decrypted bytes not yet read, inside input_
  std::size_t plain_size_ = 0;
  std::size_t extra_size_ = 0;  // bytes of the next records, at the end of input_
  std::string outgoing_;
  TlsFailure failure_;
};

}  // namespace

std::unique_ptr<TlsSession> StartTlsSession(const std::string& server_name, const std::string&,
                                            TlsFailure& failure) {
  std::string problem;
  const SecurityFunctionTableW* sspi = Sspi(problem);
  CredHandle* credentials = sspi != nullptr ? Credentials(*sspi, problem) : nullptr;
  if (credentials == nullptr) {
    failure = {TlsFailureKind::kHandshake, problem};
    return nullptr;
  }
  return std::make_unique<SchannelSession>(*sspi, credentials, server_name);
}

}  // namespace kasumido
