// What a loopback test server does on one connection, step by step: exact bytes, pauses,
// slow dribbles, bytes generated as they are sent, holding the connection open, a
// reset. Played by the scripted test server and by the site server's hostile answers,
// on either platform's loopback server. After the last step the connection is closed
// gracefully (unless a reset ended it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "site_server/loopback_server.h"

namespace kasumido::wire {

class Script {
 public:
  // Sends `bytes` exactly.
  Script& Send(std::string bytes);
  // Sends nothing for `duration`.
  Script& Pause(Milliseconds duration);
  // Sends `bytes` `chunk` bytes at a time, pausing `interval` between pieces.
  Script& Dribble(std::string bytes, std::size_t chunk, Milliseconds interval);
  // Sends `total` bytes made of `unit` repeated (the last copy cut short), generated as
  // they go out, so a body of hundreds of MB costs the server no memory. Ends early when
  // the client leaves. REQUIRES: `unit` is not empty.
  Script& Repeat(std::string unit, std::int64_t total);
  // Keeps the connection open until the client closes it (or the server stops).
  Script& HoldOpen();
  // Ends the connection with a reset instead of a graceful close.
  Script& Reset();
  // Starts the steps at once, without waiting for (or recording) the request.
  Script& WithoutReadingRequest();

  // Ready-made scripts.
  static Script Bytes(std::string bytes);
  // "HTTP/1.1 200 OK" with Content-Type, Content-Length and the body.
  static Script Ok(std::string body, std::string_view content_type = "text/html");
  // A relocation: `status_line` (e.g. "HTTP/1.1 302 Found") with "Location: " + location
  // and a short body that the client must not store.
  static Script Relocate(std::string_view location,
                         std::string_view status_line = "HTTP/1.1 302 Found");
  static Script NotFound();

  bool ReadsRequest() const { return read_request_; }
  // Plays the steps on `connection`.
  void Play(Connection& connection) const;

 private:
  enum class StepKind { kSend, kPause, kDribble, kRepeat, kHoldOpen, kReset };
  struct Step {
    StepKind kind;
    std::string bytes;
    std::size_t chunk = 0;
    Milliseconds interval{0};
    std::int64_t total = 0;
  };
  std::vector<Step> steps_;
  bool read_request_ = true;
};

// A response's bytes: the status line, each header line and an empty line, all ended by
// CR LF, then the body.
std::string ResponseBytes(std::string_view status_line,
                          std::initializer_list<std::string_view> header_lines,
                          std::string_view body);
// A header line of exactly `length` bytes (without its line end), "X-Filler: aaa...".
// REQUIRES: length >= 10.
std::string LongHeaderLine(std::size_t length);

}  // namespace kasumido::wire
