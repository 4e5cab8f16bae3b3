// The texts the HTTP client reports as reasons and exception messages.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/tls.h"

namespace kasumido::http_text {

inline constexpr const char* kBusy = "HTTP component is busy";
inline constexpr const char* kLineTooLong = "HTTP line too long";
inline constexpr const char* kAborted = "Connection aborted on request";
inline constexpr const char* kCannotResolve = "can't resolve hostname to IP address";
inline constexpr const char* kCannotConnect = "can't connect: ";
// A reply that ends before its header has ended, or breaks its rules.
inline constexpr const char* kHeaderNotEnded = "Connection closed before the end of the header";
inline constexpr const char* kInvalidReply = "Invalid HTTP reply";
inline constexpr const char* kTooManyRelocations = "Too many relocations";
inline constexpr const char* kUnsendableRelocation = "Relocation target holds a control byte";
inline constexpr const char* kCannotWrite = "Cannot write the document";
// A TLS connection that ended without its closing alert: a document without a length
// cannot be known whole.
inline constexpr const char* kClosedWithoutAlert =
    "the connection closed without TLS's closing alert";
inline constexpr const char* kServerClosed = "the server closed the connection";

// "Connection refused (Error #10061)": a socket error's text and number.
std::string SocketFailure(int error);
// "the body ended after 400 of 1000 bytes": the connection closed before the body
// reached its Content-Length.
std::string BodyEndedEarly(std::int64_t received, std::int64_t length);
// "more than 1 MB": a body larger than the request's limit of `limit` bytes.
std::string BodyTooLarge(std::int64_t limit);
// "a header of more than 64 KB".
std::string HeaderTooLarge(std::int64_t limit);
// "took longer than 300 s": the request's deadline passed.
std::string DeadlinePassed(std::chrono::milliseconds deadline);
// A TLS failure in plain words: "certificate not trusted: self-signed certificate",
// "certificate for another host: not for localhost", "certificate expired",
// "certificate not yet valid", "TLS handshake failed: protocol version", "TLS record
// error: bad record mac".
std::string TlsFailureText(const TlsFailure& failure);
// "the proxy refused the tunnel: 403 Forbidden".
std::string TunnelRefused(const std::string& status_line_rest);
// "1 MB", "64 KB", "1000 bytes": the largest unit of 1024 that divides `bytes`.
std::string SizeText(std::int64_t bytes);

}  // namespace kasumido::http_text
