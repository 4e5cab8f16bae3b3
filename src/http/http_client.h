// THttpClient: the HTTP/1.0 client through which every document is fetched. One GET per
// request over a connection of its own ("HTTP/1.0", never reused), directly or through an
// HTTP proxy, to "http://" and "https://" URLs alike; Location headers are followed on
// any status; the body streams into DocStream chunk by chunk as it arrives and is never
// decoded. The client reads and writes a ByteStream (http/byte_stream.h), plain TCP or
// TLS as each request's URL asks, and is driven by its events from the event loop.
//
// Rules a caller relies on:
// - FetchSync runs one request to its end, pumping the event loop meanwhile; it returns
//   when ReplyStatus is below 400 (0 included: the server sent nothing) and raises
//   EHttpException(ReplyReason, ReplyStatus) otherwise. Every local failure ends with
//   status 404 and a reason: the socket layer's (unknown host, refused connection, a
//   connection reset inside the body), an abort's, or a broken reply's: "Connection
//   closed before the end of the header", "the body ended after 400 of 1000 bytes" (the
//   connection closed before the body reached its Content-Length), "Invalid HTTP reply"
//   (a status or Content-Length that is not a number), "HTTP line too long" (a header
//   line that does not fit 8192 bytes), "Too many relocations", "Relocation target holds
//   a control byte" (a Location that would put a byte below 0x20 or 0x7F into the next
//   request: it is not followed, nothing is sent), "Cannot write the document"
//   (DocStream refused a chunk: the document would be incomplete), a limit's ("more than
//   1 MB", "a header of more than 64 KB", "took longer than 300 s"), or the text of an
//   exception that an event handler let escape; over TLS the certificate's or the
//   handshake's ("certificate not trusted (self-signed certificate)", "TLS handshake
//   failed: protocol version"; http_client_texts.h), and a proxy's refusal of the tunnel
//   (its status when 400 or more, and "the proxy refused the tunnel: 403 Forbidden").
// - A body ends at its Content-Length: the request is complete as soon as that many
//   bytes have arrived (the server's close is not waited for; bytes beyond it are not
//   part of the document). Without a Content-Length the body ends when the server
//   closes the connection.
// - AbortRequest ends a running request at once, from anywhere, handlers nested in
//   FetchSync's wait included; the waiting FetchSync then raises "Connection aborted on
//   request" (404). While idle it only closes a connection still open.
// - A request that is still running refuses a second FetchSync with "HTTP component is
//   busy" (code 1), changing nothing.
// - The end of a request, the return to Idle and the restart after a relocation are
//   queued to the event loop, never run inside the transport event that caused them.
//   OnRequestDone comes from the loop after the state has become Idle.
// - Events run on the loop's thread, nested in FetchSync's wait. The lifetime rule of
//   http/event_gate.h holds: the client is never destroyed inside one of its events or
//   while FetchSync runs; a handler that wants it gone posts the destruction.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "http/byte_stream.h"
#include "http/document_stream.h"
#include "http/event_gate.h"
#include "http/http_exception.h"
#include "http/http_reply_reader.h"
#include "http/request_target.h"
#include "platform/event_loop.h"

namespace kasumido {

// The state of the running request, in the order of their values 0 to 7.
enum class HttpState {
  Idle,
  Starting,
  Connected,
  Resolving,
  Resolved,
  AwaitingHeader,
  AwaitingBody,
  Aborting
};
const char* ToString(HttpState state);

// The kind of the running request; None between requests. Only GET is issued.
enum class THttpRequest { None, Get, Post, Head };
const char* ToString(THttpRequest request);

namespace http_defaults {
inline constexpr const char* kProxyPort = "80";
inline constexpr const char* kLocalAddr = "0.0.0.0";
inline constexpr const char* kAgent = "Mozilla/3.0 (compatible)";
inline constexpr const char* kAccept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
inline constexpr const char* kContentTypePost = "application/x-www-form-urlencoded";
}  // namespace http_defaults

// Relocations one request follows at most; the next Location ends it as a failure
// (404, "Too many relocations").
inline constexpr int kMaxRelocations = 20;

// The header block of a reply may hold this many bytes (its lines with their ends). Real
// servers send a few hundred bytes to a few KB, and common servers and proxies refuse
// header blocks beyond 8 to 64 KB; a flood of header lines ends here instead of growing
// ReplyHeaderLines without bound.
inline constexpr std::int64_t kMaxHeaderBytes = 64 * 1024;

class THttpClient {
 public:
  // REQUIRES: `loop` outlives the client.
  explicit THttpClient(EventLoop& loop);
  // Drops a running request and its connection without raising any event.
  ~THttpClient();
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  // ---- Configuration (read when a request starts) ----------------------------------
  std::string URL;    // absolute "http://" or "https://" URL of the document
  std::string Proxy;  // empty: direct; else "host" or "host:port" of an HTTP proxy
  std::string ProxyPort = http_defaults::kProxyPort;  // used when Proxy names no port
  std::string LocalAddr = http_defaults::kLocalAddr;  // "0.0.0.0": no explicit bind
  std::string Agent = http_defaults::kAgent;          // User-Agent; empty: not sent
  std::string Accept = http_defaults::kAccept;        // Accept; empty: not sent
  bool NoCache = false;                               // sends "Pragma: no-cache"
  std::string Reference;                              // Referer
  std::string Sender;                                 // From
  std::string AcceptLanguage;                         // Accept-Language
  std::string Cookie;                                 // Cookie
  // Basic authorization when Username is not empty. A URL with user information
  // replaces them (each only when present) and they keep that value afterwards.
  std::string Username;
  std::string Password;
  // Basic proxy authorization when a proxy is used and ProxyUsername is not empty.
  std::string ProxyUsername;
  std::string ProxyPassword;
  // If-Modified-Since, in seconds since the epoch (UTC); 0 sends none.
  std::time_t ModifiedSince = 0;
  // Kept with the configuration; the client issues no POST.
  std::string ContentTypePost = http_defaults::kContentTypePost;
  // Kept with the configuration: there is one event loop, the one given at construction,
  // and the synchronous wait always turns it.
  bool MultiThreaded = false;

  // ---- Limits of one request, its relocations included --------------------------------
  // A request that passes one ends as a failure (404) whose reason names the limit.
  // Body bytes of the document; 0: no limit. A Content-Length above it fails as soon as
  // the header has ended, before any body byte is taken.
  std::int64_t MaxBodyBytes = 0;
  // Header bytes of each reply; 0: no limit.
  std::int64_t MaxHeaderBytes = kMaxHeaderBytes;
  // Time from FetchSync's start to the request's end, whatever arrives meanwhile; 0:
  // none.
  Milliseconds Deadline{0};

  // Asked before the request of each relocation, from the event loop: the earliest time
  // it may start. A time not after the loop's Now() starts it at once (the asker counts
  // it as started then); a later one makes the client wait on a timer and ask again.
  // Unset: relocations start at once.
  std::function<TimePoint()> RequestSlot;

  // Receives every body byte when set; not owned. The caller creates it, assigns it
  // before FetchSync and clears it afterwards. Unset, the bytes are only counted and
  // reported through OnDocData.
  DocumentStream* DocStream = nullptr;

  // ---- Requests ---------------------------------------------------------------------

  // Performs a GET of URL and waits for its end.
  // Pumps the event loop: timers, buttons and socket events run before this returns, and
  // may call AbortRequest.
  // Returns when the request has ended with ReplyStatus below 400. Throws:
  // EHttpException(ReplyReason, ReplyStatus) when it ended with 400 or more (an abort
  // included: 404 "Connection aborted on request"); EHttpException("HTTP component is
  // busy", 1) at once, changing nothing, when a request is still running. Any other
  // exception raised while the request starts (by an event handler) passes through and
  // leaves the client idle.
  void FetchSync();

  // Ends the running request at once: ReplyStatus 404, ReplyReason "Connection aborted
  // on request", state Aborting then Idle; a pending relocation is dropped. While idle it
  // only closes a connection the client still holds; ReplyStatus stays as it was, and so
  // it does once the request has ended and only its return to Idle is still queued. Safe
  // at any moment, also from a handler inside FetchSync's wait. Never throws: a handler
  // failing inside the abort goes to the loop's OnUnhandledException.
  void AbortRequest();

  // ---- Results of the current or last request ---------------------------------------
  HttpState State() const { return state_; }
  THttpRequest RequestType() const { return request_type_; }
  // 0 until a status line is read, then its code; 404 for every local failure.
  int ReplyStatus() const { return reply_status_; }
  // The status line's reason phrase or the local failure's text. Not cleared when a
  // request starts.
  const std::string& ReplyReason() const { return reply_reason_; }
  // True when the last request ended by a failure of the client's own (an abort, a
  // connection that failed, a broken reply): ReplyStatus is then 404 and ReplyReason the
  // failure's text, not a server's.
  bool LocalFailure() const { return local_failure_; }
  // Content-Length of the last header read, at most 2^31 - 1 (a larger length reads as
  // that); -1 when absent.
  std::int32_t ReplyContentLength() const {
    return static_cast<std::int32_t>(std::min<std::int64_t>(reply_content_length_, INT32_MAX));
  }
  // Content-Type, lower-cased; empty when absent ("text/html" for a reply that starts
  // with "<HTML>").
  const std::string& ReplyContentType() const { return reply_content_type_; }
  // Every non-empty header line of the last header read, status line first.
  const std::vector<std::string>& ReplyHeaderLines() const { return reply_header_lines_; }
  // Body bytes delivered since FetchSync started (relocations do not reset it).
  // Saturates at the largest 32-bit value.
  std::int32_t DocByteCount() const {
    return doc_bytes_ > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(doc_bytes_);
  }
  // Relocations followed since FetchSync started.
  int RelocationCount() const { return relocation_count_; }
  // The TLS session of the last request's last connection once its handshake has ended
  // or failed (version, cipher, certificate, and "ok" or why it was refused); null over
  // plain HTTP.
  const TlsSessionInfo* Security() const { return security_ ? &*security_ : nullptr; }

  // ---- Events (all from the event loop's thread) ------------------------------------
  // A body chunk was written to DocStream: its bytes (valid during the call only).
  std::function<void(const char* data, std::size_t size)> OnDocData;
  // State() has changed.
  std::function<void()> OnStateChange;
  // The request has ended and the state is Idle; from the loop. `error`: 0, the
  // transport's error number, or 3 after an abort.
  std::function<void(THttpRequest request, int error)> OnRequestDone;
  // The first line of a reply arrived / after each non-empty header line (the line, valid
  // during the call) / the header has ended.
  std::function<void()> OnHeaderBegin;
  std::function<void(const std::string& line)> OnHeaderData;
  std::function<void()> OnHeaderEnd;
  // Before the first body chunk / when a request that delivered body bytes closes.
  std::function<void()> OnDocBegin;
  std::function<void()> OnDocEnd;
  // A relocation is being followed; `location` is the Location value as received.
  std::function<void(const std::string& location)> OnLocationChange;
  // The connection to the server (or proxy) is up; error 0.
  std::function<void(int error)> OnSessionConnected;
  // A Set-Cookie header's value; nothing is stored whatever `accept` says.
  std::function<void(const std::string& data, bool& accept)> OnCookie;
  // The request lines (without line ends) just before they are sent; may edit them.
  std::function<void(const std::string& method, std::vector<std::string>& lines)>
      OnBeforeHeaderSend;

 private:
  // Starting, connecting, sending (http_client.cpp).
  void StartRequest();
  // Opens a new stream to the current target; the old one is retired.
  void OpenConnection();
  void HandleResolved();
  void HandleOpened();
  void SendRequest();
  // Receiving and reading the reply (http_client_reply.cpp).
  void HandleReadable();
  // One read and its handling; false when nothing was waiting or the request moved on.
  bool ReceiveHeader();
  bool ReceiveBody();
  void HandleHeaderLine(std::string_view line);
  void HandleHeaderField(const std::string& name, std::string_view value);
  void HandleHeaderEnd();
  void BeginHtmlBody(std::string_view body);
  void DeliverBody(std::string_view chunk);
  // The body's length when the header gave one.
  std::optional<std::int64_t> BodyLength() const;
  // Closing and ending (http_client_end.cpp).
  void HandleEnded(const StreamEnd& end);
  // The connection has ended (closed by either side, reset or failed): ends the request,
  // follows a pending relocation, or fails a reply cut short.
  void ConnectionEnded(int error);
  // Closes the connection ourselves and goes on as its end would.
  void CloseConnection();
  // How the body that the connection's end ended fares: a failure's reason, or empty
  // when the document is whole.
  std::string BodyEndFailure(int error) const;
  void FollowRelocation();
  // Starts the pending relocation's request once RequestSlot allows it.
  void StartRelocatedRequest();
  // A failure inside the receive handling: the connection is dropped and the request
  // fails with `reason`.
  void DropConnection(const std::string& reason);
  void Fail(const std::string& reason);
  // ReplyStatus 404 and `reason` as a failure of the client's own.
  void SetLocalFailure(std::string reason);
  void EndRequest();
  void SetIdle();
  void DropRequest();
  // Ends the running request at once with `reason` (an abort, the deadline).
  void EndRunningRequest(const std::string& reason);
  void AbortRunningRequest(const std::string& reason);
  void StopTimers();
  // Aborts the current stream, if any, and posts its destruction (it may be raising
  // the event that ended it).
  void RetireStream();
  void DestroyRetiredStreams();

  // Sets the state and raises OnStateChange. False when a handler moved the request on
  // (an abort), so the caller stops.
  bool SetState(HttpState state);
  // Raises `event` through the gate: false when the handler moved the request on.
  template <typename Event, typename... Args>
  bool Raise(const Event& event, Args&&... args) {
    return gate_.Raise(event, std::forward<Args>(args)...);
  }
  void TakeCredentials(const TargetChoice& choice);

  EventLoop& loop_;
  // Its course moves with every new request, relocation, end and abort.
  EventGate gate_{"THttpClient"};
  CallQueue deferred_;  // request done, set idle, restart after relocation, retirements
  std::unique_ptr<Timer> deadline_timer_;
  std::unique_ptr<Timer> relocation_timer_;  // waits for the relocation's request slot
  std::unique_ptr<ByteStream> stream_;
  std::vector<std::unique_ptr<ByteStream>> retired_;  // destroyed from the loop
  bool stream_open_ = false;  // stream_ is connecting or carrying bytes, not yet ended

  HttpState state_ = HttpState::Idle;
  THttpRequest request_type_ = THttpRequest::None;
  RequestTarget target_;
  TargetChoice relocation_;       // where the pending relocation leads
  std::string relocation_value_;  // its Location value as received
  HttpReplyReader reader_;        // the header's bytes, and the body's first bytes after it
  // What one read of body bytes may take (ReceiveBody); allocated at the first body and
  // kept for the next requests.
  static constexpr std::size_t kBodyBufferSize = 256 * 1024;
  std::unique_ptr<char[]> body_buffer_;
  bool relocation_pending_ = false;
  bool in_header_ = false;      // a reply has begun and its header has not ended
  bool request_ended_ = false;  // the end of this request is queued or done
  // Why the stream ended when it was not a socket error (TLS), and why the client
  // dropped the connection (a broken reply, a limit, a handler's exception); the
  // latter always is the request's failure.
  std::string end_reason_;
  std::string failure_reason_;
  int header_line_count_ = 0;
  std::int64_t header_bytes_ = 0;  // of the current reply's header
  int chunk_count_ = 0;
  int request_done_error_ = 0;
  int relocation_count_ = 0;
  std::optional<TlsSessionInfo> security_;

  int reply_status_ = 0;
  std::string reply_reason_;
  bool local_failure_ = false;
  std::int64_t reply_content_length_ = -1;
  std::string reply_content_type_;
  std::vector<std::string> reply_header_lines_;
  std::int64_t doc_bytes_ = 0;
};

}  // namespace kasumido
