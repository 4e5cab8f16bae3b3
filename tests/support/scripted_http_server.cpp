#include "support/scripted_http_server.h"

#include <algorithm>
#include <utility>

#include "site_server/site_files.h"

namespace kasumido::test {
namespace {

// How long a connection waits for its request head before it plays its script anyway.
constexpr Milliseconds kRequestTimeout{10000};

}  // namespace

Script& Script::Send(std::string bytes) {
  steps_.push_back({StepKind::kSend, std::move(bytes)});
  return *this;
}

Script& Script::Pause(Milliseconds duration) {
  steps_.push_back({StepKind::kPause, {}, 0, duration});
  return *this;
}

Script& Script::Dribble(std::string bytes, std::size_t chunk, Milliseconds interval) {
  steps_.push_back(
      {StepKind::kDribble, std::move(bytes), std::max<std::size_t>(chunk, 1), interval});
  return *this;
}

Script& Script::HoldOpen() {
  steps_.push_back({StepKind::kHoldOpen, {}});
  return *this;
}

Script& Script::Reset() {
  steps_.push_back({StepKind::kReset, {}});
  return *this;
}

Script& Script::WithoutReadingRequest() {
  read_request_ = false;
  return *this;
}

Script Script::Bytes(std::string bytes) { return Script().Send(std::move(bytes)); }

Script Script::Ok(std::string body, std::string_view content_type) {
  const std::string type = "Content-Type: " + std::string(content_type);
  const std::string length = "Content-Length: " + std::to_string(body.size());
  return Bytes(ResponseBytes("HTTP/1.1 200 OK", {type, length}, body));
}

Script Script::Relocate(std::string_view location, std::string_view status_line) {
  const std::string header = "Location: " + std::string(location);
  return Bytes(ResponseBytes(status_line, {header, "Content-Type: text/html"},
                             "<html><body>moved</body></html>\n"));
}

Script Script::NotFound() {
  return Bytes(ResponseBytes("HTTP/1.1 404 Not Found", {"Content-Type: text/html"},
                             "<html><body>404 Not Found</body></html>\n"));
}

void Script::Play(wire::Connection& connection) const {
  for (const Step& step : steps_) {
    switch (step.kind) {
      case StepKind::kSend:
        if (!connection.Send(step.bytes)) return;
        break;
      case StepKind::kPause:
        if (!connection.Pause(step.interval)) return;
        break;
      case StepKind::kDribble:
        for (std::size_t at = 0; at < step.bytes.size(); at += step.chunk) {
          if (at > 0 && !connection.Pause(step.interval)) return;
          if (!connection.Send(std::string_view(step.bytes).substr(at, step.chunk))) return;
        }
        break;
      case StepKind::kHoldOpen:
        connection.WaitForPeerClose();
        break;
      case StepKind::kReset:
        connection.Reset();
        return;
    }
  }
}

std::string ResponseBytes(std::string_view status_line,
                          std::initializer_list<std::string_view> header_lines,
                          std::string_view body) {
  std::string bytes = std::string(status_line) + "\r\n";
  for (std::string_view line : header_lines) bytes.append(line).append("\r\n");
  bytes += "\r\n";
  bytes += body;
  return bytes;
}

std::string LongHeaderLine(std::size_t length) {
  const std::string name = "X-Filler: ";
  return name + std::string(length > name.size() ? length - name.size() : 0, 'a');
}

ScriptedHttpServer::ScriptedHttpServer()
    : server_([this](wire::Connection& connection) { Serve(connection); }) {}

ScriptedHttpServer::~ScriptedHttpServer() { server_.Stop(); }

std::string ScriptedHttpServer::HostPort() const { return "127.0.0.1:" + std::to_string(Port()); }

std::string ScriptedHttpServer::Origin() const { return "http://" + HostPort(); }

void ScriptedHttpServer::Enqueue(Script script) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(script));
}

void ScriptedHttpServer::SetHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

void ScriptedHttpServer::ServeSite(std::filesystem::path root) {
  SetHandler([root = std::move(root)](const wire::RequestHead& head) {
    return Script::Bytes(site::AnswerSiteRequest(root, head).response);
  });
}

std::vector<RecordedRequest> ScriptedHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t ScriptedHttpServer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

bool ScriptedHttpServer::WaitForRequests(std::size_t count, Milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

std::size_t ScriptedHttpServer::UnscriptedCount() const {
  std::lock_guard lock(mutex_);
  return unscripted_;
}

// Connections take queued scripts in the order they were accepted, whichever of their
// threads runs first.
Script ScriptedHttpServer::TakeScript(std::size_t connection_index, bool& queued) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return next_connection_ == connection_index; });
  ++next_connection_;
  queued = !queue_.empty();
  Script script;
  if (queued) {
    script = std::move(queue_.front());
    queue_.pop_front();
  }
  changed_.notify_all();
  return script;
}

void ScriptedHttpServer::Serve(wire::Connection& connection) {
  bool queued = false;
  Script script = TakeScript(connection.Index(), queued);
  if (!queued || script.ReadsRequest()) {
    RecordedRequest request;
    static_cast<wire::RequestHead&>(request) = connection.ReadRequestHead(kRequestTimeout);
    request.connection = connection.Index();
    if (!queued) {
      Handler handler;
      {
        std::lock_guard lock(mutex_);
        handler = handler_;
        if (!handler) ++unscripted_;
      }
      script = handler ? handler(request) : Script::NotFound();
    }
    std::lock_guard lock(mutex_);
    const auto later = std::upper_bound(requests_.begin(), requests_.end(), request.connection,
                                        [](std::size_t index, const RecordedRequest& recorded) {
                                          return index < recorded.connection;
                                        });
    requests_.insert(later, std::move(request));
    changed_.notify_all();
  }
  script.Play(connection);
}

}  // namespace kasumido::test
