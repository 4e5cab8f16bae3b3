// The exception through which the HTTP client reports a failed request to the caller of
// its synchronous fetch: a message and a code. The code is one of the client's own
// numbers below, or the HTTP status of the failed request (404 for every local failure:
// unknown host, refused connection, abort), with the reason as the message.
#pragma once

#include <stdexcept>
#include <string>

namespace kasumido {

namespace http_error {
inline constexpr int kBusy = 1;           // "HTTP component is busy"
inline constexpr int kNothingToPost = 2;  // "HTTP component has nothing to post"
inline constexpr int kLineTooLong = 4;    // "HTTP line too long"
}  // namespace http_error

class EHttpException : public std::runtime_error {
 public:
  EHttpException(const std::string& message, int code) : std::runtime_error(message), code_(code) {}

  // One of http_error's numbers, or an HTTP status of 400 or more.
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

}  // namespace kasumido
