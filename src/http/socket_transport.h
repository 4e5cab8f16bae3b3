// A non-blocking TCP client connection driven by the event loop, one connection at a
// time. Calls return at once; progress arrives as On... events from the loop, never from
// inside the call that caused it, except where a method says so (a dotted address
// resolves inside DnsLookup; OnSessionClosed comes inside Close and Abort and inside a
// call that meets a fatal error; OnError comes inside the call that met the error).
// Handlers may call back into the transport; they never destroy it (the lifetime rule of
// http/event_gate.h: a handler that wants it gone posts the destruction). An exception
// escaping a handler is a background exception: OnBgException, then the connection is
// aborted. Errors carry the numbers of http/socket_error.h.
//
// Closing never waits on the UI thread. Close is graceful: what is queued is handed to
// the network, the sending side is shut down and the socket closed with lingering off,
// so the system delivers the last bytes and the FIN in the background. Abort resets
// (lingering on with 0 s). LingerOnOff and LingerTimeout are applied when connecting but
// do not make a close block.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "http/event_gate.h"
#include "http/send_queue.h"
#include "http/socket_error.h"
#include "platform/event_loop.h"
#include "platform/sockets.h"

namespace kasumido {

enum class TSocketState {
  ssInvalidState,
  ssOpened,
  ssBound,
  ssConnecting,
  ssConnected,
  ssAccepting,
  ssListening,
  ssClosed
};
const char* ToString(TSocketState state);

enum class TSocketLingerOnOff { lgLingerOn, lgLingerOff, lgLingerNoSet };
enum class TSocketOption { soNoReceiveLoop, soTcpNoDelay };

class TSocketTransport {
 public:
  // REQUIRES: `loop` outlives the transport.
  explicit TSocketTransport(EventLoop& loop);
  // Closes an open socket without any event and drops a running lookup.
  ~TSocketTransport();
  TSocketTransport(const TSocketTransport&) = delete;
  TSocketTransport& operator=(const TSocketTransport&) = delete;

  // Read by Connect. After every close Proto, LocalAddr, LocalPort and the linger values
  // return to these defaults, so they are set again before each connect.
  std::string Addr;           // dotted IPv4 address of the peer
  std::string Port;           // a number or a service name
  std::string Proto = "tcp";  // only "tcp" is supported
  std::string LocalAddr = "0.0.0.0";
  std::string LocalPort = "0";  // with LocalAddr "0.0.0.0": no explicit bind
  TSocketLingerOnOff LingerOnOff = TSocketLingerOnOff::lgLingerOn;
  int LingerTimeout = 0;  // seconds
  std::set<TSocketOption> ComponentOptions;

  // Resolves `host`, cancelling a running lookup without an event. A dotted address
  // (blanks around allowed) completes inside the call: DnsResult set, OnDnsLookupDone(0).
  // An empty host reports "DNS lookup: invalid host name." (OnError, or ESocketException
  // when OnError is unset); OnDnsLookupDone(10022) then follows from the loop. Any other
  // name is resolved asynchronously: OnDnsLookupDone(0) with DnsResult set, or with the
  // lookup's error (11001 for an unknown host).
  void DnsLookup(const std::string& host);
  // Cancels a running lookup, which then completes inside the call with 10004. Nothing
  // happens when no lookup runs.
  void CancelDnsLookup();
  bool LookupRunning() const;

  // Starts connecting to Addr:Port. Checks, in this order, with the errors "Connect:
  // Socket already in use", "Connect: No Port Specified", "Connect: No IP Address
  // Specified", "Connect: No Protocol Specified", then the protocol, port and address
  // ("connect: ..." texts). Answers true when the connect is under way (state
  // ssConnecting; OnSessionConnected follows from the loop, with an error such as 10061
  // when it fails, and then OnSessionClosed). Answers false after reporting the error
  // through OnError (ESocketException when unset); LastError then holds its number and
  // the socket, if one was made, is closed without an event.
  bool Connect();

  // Queues `bytes` and sends what the network takes now; the rest goes out as the
  // socket becomes writable. Answers the count handed over. OnDataSent follows from the
  // loop once the queue has emptied. Not connected: error 10057 in function "Send",
  // answer -1 (a connection still being made is then closed with OnSessionClosed(10057)).
  // The errors 10022, 10038, 10053, 10054 and 10057 close the connection inside the call
  // with OnSessionClosed(error) and answer -1; other errors are socket errors of
  // "TryToSend failed" and answer -1.
  int Send(std::string_view bytes);
  int Send(const void* data, int count);

  // Reads at most `size` bytes of what has arrived: the count; 0 at the end of the
  // stream (and for `size` 0); -1 with LastError set: 10035 when nothing is waiting,
  // else after a socket error of "recv" (10054 also closes the connection).
  int Receive(void* buffer, int size);

  // Graceful close: queued bytes are handed to the network, the sending side shut down,
  // the socket closed; state ssClosed; then, inside the call, OnSessionClosed(0) unless
  // it was already raised for this connection. Nothing when already closed.
  void Close();
  // Cancels a running lookup, drops the send queue and resets the connection; then,
  // inside the call, OnSessionClosed(0) as for a close.
  void Abort();

  TSocketState State() const { return state_; }
  int LastError() const { return last_error_; }
  // The text of the last reported error ("Error <n> in function <fn>\r\n<text>", or a
  // message such as "Connect: No Port Specified").
  const std::string& LastErrorMessage() const { return last_error_message_; }
  const std::string& DnsResult() const { return dns_result_; }
  // Bytes waiting to be read; bytes read on this connection so far.
  int RcvdCount() const;
  std::int64_t ReadCount() const { return read_count_; }

  std::function<void(int error)> OnDnsLookupDone;
  std::function<void(int error)> OnSessionConnected;
  // Bytes are waiting; the handler reads them with Receive.
  std::function<void(int error)> OnDataAvailable;
  std::function<void(int error)> OnDataSent;
  // At most once per connection, whether closed by either side or by an error.
  std::function<void(int error)> OnSessionClosed;
  std::function<void(const std::string& message)> OnError;
  // An exception escaped a handler; leave `can_close` true to abort the connection.
  std::function<void(const std::exception& error, bool& can_close)> OnBgException;

 private:
  enum class CloseMode { kGraceful, kReset };
  enum class SendResult { kDrained, kPending, kClosed, kFailed };

  // Raises `event` through the gate, turning an exception that escapes the handler into
  // a background exception. Answers whether the connection's course held (false after a
  // close, an abort or a new connection: the caller then stops).
  template <typename Event, typename... Args>
  bool Notify(const Event& event, const Args&... args);
  void HandleBackgroundException(const std::exception& error);
  void RunFromLoop(void (TSocketTransport::*step)());
  void RaiseError(const std::string& message, int error);
  void SocketError(int error, std::string_view function);
  bool Refuse(const std::string& message, int error);
  void FireSessionClosed(int error);

  bool CreateSocket(std::uint32_t address, std::uint16_t port);
  bool ApplyOptions();
  void StartConnect(std::uint32_t address, std::uint16_t port);
  void FinishConnect(int error);
  SendResult TryToSend();
  void PostDataSent();
  void HandleReadable();
  void HandleWritable();
  bool ReceiveLoop();
  void HandleLookupDone(int error, const std::string& address);
  void ReleaseSocket(CloseMode mode);

  EventLoop& loop_;
  // Its course moves with every connection made and released.
  EventGate gate_{"TSocketTransport"};
  CallQueue deferred_;
  std::unique_ptr<HostLookup> lookup_;
  std::unique_ptr<SocketNotifier> read_notifier_;
  std::unique_ptr<SocketNotifier> write_notifier_;
  SocketHandle socket_ = kInvalidSocket;
  TSocketState state_ = TSocketState::ssClosed;
  int last_error_ = 0;
  std::string last_error_message_;
  std::string dns_result_;
  std::int64_t read_count_ = 0;
  SendQueue send_queue_;
  bool session_open_ = false;  // OnSessionClosed still owed for this connection
  bool data_sent_posted_ = false;
};

}  // namespace kasumido
