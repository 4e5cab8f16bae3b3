#include "http/http_client_texts.h"

#include "http/socket_error.h"

namespace kasumido::http_text {

std::string SizeText(std::int64_t bytes) {
  constexpr std::int64_t kKilo = 1024;
  constexpr std::int64_t kMega = kKilo * kKilo;
  if (bytes > 0 && bytes % kMega == 0) return std::to_string(bytes / kMega) + " MB";
  if (bytes > 0 && bytes % kKilo == 0) return std::to_string(bytes / kKilo) + " KB";
  return std::to_string(bytes) + " bytes";
}

std::string SocketFailure(int error) {
  return SocketErrorText(error) + " (Error #" + std::to_string(error) + ")";
}

std::string BodyEndedEarly(std::int64_t received, std::int64_t length) {
  return "the body ended after " + std::to_string(received) + " of " + std::to_string(length) +
         " bytes";
}

std::string BodyTooLarge(std::int64_t limit) { return "more than " + SizeText(limit); }

std::string HeaderTooLarge(std::int64_t limit) {
  return "a header of more than " + SizeText(limit);
}

std::string TlsFailureText(const TlsFailure& failure) {
  switch (failure.Kind) {
    case TlsFailureKind::kUntrusted:
      return "certificate not trusted: " + failure.Detail;
    case TlsFailureKind::kOtherHost:
      return "certificate for another host: " + failure.Detail;
    case TlsFailureKind::kExpired:
      return "certificate expired";
    case TlsFailureKind::kNotYetValid:
      return "certificate not yet valid";
    case TlsFailureKind::kRecord:
      return "TLS record error: " + failure.Detail;
    case TlsFailureKind::kHandshake:
    case TlsFailureKind::kNone:
      break;
  }
  return "TLS handshake failed: " + failure.Detail;
}

std::string TunnelRefused(const std::string& status_line_rest) {
  return "the proxy refused the tunnel: " + status_line_rest;
}

std::string DeadlinePassed(std::chrono::milliseconds deadline) {
  const auto count = deadline.count();
  return "took longer than " +
         (count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms");
}

}  // namespace kasumido::http_text
