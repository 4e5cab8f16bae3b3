// A scripted HTTP server for the network tests, on 127.0.0.1 with an ephemeral port. It
// runs on threads of its own with blocking sockets, so the single-threaded program under
// test can drive its own event loop against it. Each connection plays one Script: exact
// bytes, pauses, slow dribbles, holding the connection open, a reset. Scripts are queued
// per connection in order; a connection that finds the queue empty is answered by the
// handler (request in, script out), or by a 404 counted as unscripted. Every request
// head is recorded byte for byte, so tests can check what the client sent, also the
// absolute-form request line a proxy receives. The destructor stops every connection
// at once (no wait for a held connection or a pause) and joins its threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "site_server/http_wire.h"
#include "site_server/loopback_server.h"
#include "site_server/script.h"

namespace kasumido::test {

using wire::Milliseconds;

// The scripts and response helpers of the loopback HTTP core (site_server/script.h).
using wire::LongHeaderLine;
using wire::ResponseBytes;
using wire::Script;

// One recorded request: its head as received and the connection it came on (0, 1, ...).
struct RecordedRequest : wire::RequestHead {
  std::size_t connection = 0;
};

class ScriptedHttpServer {
 public:
  using Handler = std::function<Script(const wire::RequestHead&)>;

  // Listens on 127.0.0.1 at an ephemeral port. Throws std::system_error when it cannot.
  ScriptedHttpServer();
  ~ScriptedHttpServer();
  ScriptedHttpServer(const ScriptedHttpServer&) = delete;
  ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

  std::uint16_t Port() const { return server_.Port(); }
  // "127.0.0.1:PORT" and "http://127.0.0.1:PORT".
  std::string HostPort() const;
  std::string Origin() const;

  // Queues `script` for the next connection that has none yet (first queued, first used).
  void Enqueue(Script script);
  // Answers the connections that find the queue empty. Runs on a server thread.
  void SetHandler(Handler handler);
  // Answers the connections that find the queue empty from the site folder at `root`,
  // by the on-disk naming of site_files.h (absolute-form targets by path and query).
  void ServeSite(std::filesystem::path root);

  // Every request head read so far, in the order of their connections.
  std::vector<RecordedRequest> Requests() const;
  std::size_t RequestCount() const;
  // Waits until at least `count` requests are recorded; false when `timeout` passes.
  bool WaitForRequests(std::size_t count, Milliseconds timeout) const;
  // Connections answered with the fallback 404 because nothing was queued or handled.
  std::size_t UnscriptedCount() const;

 private:
  void Serve(wire::Connection& connection);
  Script TakeScript(std::size_t connection_index, bool& queued);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::deque<Script> queue_;
  Handler handler_;
  std::vector<RecordedRequest> requests_;
  std::size_t next_connection_ = 0;
  std::size_t unscripted_ = 0;
  wire::LoopbackServer server_;  // last: stopped and joined before the members above go
};

}  // namespace kasumido::test
