// A THttpClient on a real or deterministic event loop, with what its events reported, a
// body sink and a watchdog: a fetch that does not end by itself within a few seconds is
// aborted (the page fetch's time-out does the same), so a broken client fails a test
// instead of hanging it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/waits.h"
#include "support/test_event_loop.h"

namespace kasumido::test {

using namespace std::chrono_literals;

// Collects the body in memory.
class StringDocument : public DocumentStream {
 public:
  void Write(const char* data, std::size_t size) override { bytes.append(data, size); }
  std::string bytes;
};

struct FetchOutcome {
  bool raised = false;  // FetchSync threw EHttpException
  int code = 0;
  std::string message;
};

class ClientHarness {
 public:
  explicit ClientHarness(std::unique_ptr<EventLoop> loop)
      : loop_(std::move(loop)), client(*loop_), watchdog_(loop_->CreateTimer()) {
    client.DocStream = &body;
    client.OnStateChange = [this] {
      states.push_back(client.State());
      if (on_state) on_state(client.State());
    };
    client.OnRequestDone = [this](THttpRequest request, int error) {
      done.push_back({request, error, client.State()});
    };
    client.OnDocData = [this](const char* data, std::size_t size) {
      ++chunks;
      if (on_doc_data) on_doc_data(data, size);
    };
    client.OnLocationChange = [this](const std::string& location) {
      locations.push_back(location);
    };
    client.OnHeaderEnd = [this] { ++header_ends; };
    client.OnDocEnd = [this] { ++doc_ends; };
    watchdog_->OnTimer = [this] {
      watchdog_fired = true;
      watchdog_->SetEnabled(false);
      client.AbortRequest();
    };
  }
  static std::unique_ptr<ClientHarness> OnQtLoop() {
    return std::make_unique<ClientHarness>(MakeEventLoop());
  }

  EventLoop& Loop() { return *loop_; }

  // Runs FetchSync on `url` under the watchdog.
  FetchOutcome Fetch(const std::string& url, std::chrono::milliseconds limit = 5s) {
    client.URL = url;
    watchdog_fired = false;
    watchdog_->SetInterval(limit);
    watchdog_->SetEnabled(true);
    FetchOutcome outcome;
    try {
      client.FetchSync();
    } catch (const EHttpException& error) {
      outcome = {true, error.ErrorCode(), error.what()};
    }
    watchdog_->SetEnabled(false);
    return outcome;
  }
  // Pumps the event loop until the queued OnRequestDone has arrived (or 2 s pass).
  bool PumpUntilDone(std::size_t count = 1) {
    return PumpUntil(
        *loop_, [&] { return done.size() >= count; }, loop_->Now() + 2s);
  }

  struct Done {
    THttpRequest request;
    int error;
    HttpState state_then;
  };

 private:
  std::unique_ptr<EventLoop> loop_;

 public:
  THttpClient client;
  StringDocument body;
  std::vector<HttpState> states;
  std::vector<Done> done;
  std::vector<std::string> locations;
  int chunks = 0;
  int header_ends = 0;
  int doc_ends = 0;
  bool watchdog_fired = false;
  std::function<void(HttpState)> on_state;
  std::function<void(const char*, std::size_t)> on_doc_data;

 private:
  std::unique_ptr<Timer> watchdog_;
};

}  // namespace kasumido::test
