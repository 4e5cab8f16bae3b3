#include "support/scripted_http_server.h"

#include <algorithm>
#include <utility>

#include "site_server/site_files.h"

namespace kasumido::test {
namespace {

// How long a connection waits for its request head before it plays its script anyway.
constexpr Milliseconds kRequestTimeout{10000};

}  // namespace

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
