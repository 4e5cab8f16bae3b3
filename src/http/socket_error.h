// The socket transport's error numbers and texts. Errors carry the numbers of the
// classic socket library of the program's first platform (10000 and up, 11001 and up
// for name resolution) so that failure reasons read the same on every platform; each
// platform back end maps its own codes onto them (platform/sockets.h).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kasumido {

namespace socket_error {
inline constexpr int kInterrupted = 10004;      // a running lookup was cancelled
inline constexpr int kInvalidArgument = 10022;  // also: empty host name
inline constexpr int kNotSocket = 10038;
inline constexpr int kWouldBlock = 10035;
inline constexpr int kInProgress = 10036;
inline constexpr int kProtocolNotSupported = 10043;
inline constexpr int kNetworkUnreachable = 10051;
inline constexpr int kConnectionAborted = 10053;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kAlreadyConnected = 10056;
inline constexpr int kNotConnected = 10057;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kHostUnreachable = 10065;
inline constexpr int kHostNotFound = 11001;
}  // namespace socket_error

// The English text of an error number: "Connection refused" for 10061, "No Error" for 0,
// "Not a WinSock error" for a number outside the table.
std::string SocketErrorText(int error);

// "Error <error> in function <function>\r\n<text>".
std::string SocketErrorMessage(int error, std::string_view function);

// Raised by the transport for a socket error when no OnError handler is assigned.
class ESocketException : public std::runtime_error {
 public:
  ESocketException(const std::string& message, int error)
      : std::runtime_error(message), error_(error) {}
  int Error() const { return error_; }

 private:
  int error_;
};

}  // namespace kasumido
