#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "http/http_client.h"
#include "http_client_harness.h"
#include "platform/waits.h"
#include "support/scripted_http_server.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::ClientHarness;
using test::FetchOutcome;
using test::ResponseBytes;
using test::Script;
using test::ScriptedHttpServer;

constexpr const char* kAborted = "Connection aborted on request";

void ExpectAborted(ClientHarness& h, const FetchOutcome& outcome) {
  EXPECT_TRUE(outcome.raised);
  EXPECT_EQ(outcome.code, 404);
  EXPECT_EQ(outcome.message, kAborted);
  EXPECT_EQ(h.client.ReplyStatus(), 404);
  EXPECT_EQ(h.client.ReplyReason(), kAborted);
  ASSERT_GE(h.states.size(), 2u);
  EXPECT_EQ(h.states[h.states.size() - 2], HttpState::Aborting);
  EXPECT_EQ(h.states.back(), HttpState::Idle);
  ASSERT_TRUE(h.PumpUntilDone());
  EXPECT_EQ(h.done.size(), 1u);
  EXPECT_EQ(h.done[0].error, 3);
}

TEST(HttpClientAbort, EndsTheRequestFromAHandlerInEveryState) {
  using S = HttpState;
  for (const S state :
       {S::Starting, S::Resolving, S::Resolved, S::Connected, S::AwaitingHeader, S::AwaitingBody}) {
    SCOPED_TRACE(ToString(state));
    ScriptedHttpServer server;
    server.Enqueue(Script::Ok("body"));
    auto h = ClientHarness::OnQtLoop();
    h->on_state = [&](S now) {
      if (now == state) h->client.AbortRequest();
    };
    const FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html");
    EXPECT_FALSE(h->watchdog_fired);
    ExpectAborted(*h, outcome);
    EXPECT_TRUE(h->body.bytes.empty());
    EXPECT_EQ(std::count(h->states.begin(), h->states.end(), state), 1) << "no step after it";
  }
}

TEST(HttpClientAbort, CancelsARunningNameLookup) {
  auto loop = std::make_unique<test::TestEventLoop>();
  test::TestEventLoop& test_loop = *loop;
  ScriptedHttpServer server;
  test_loop.AddHost("site.test", "127.0.0.1");
  test_loop.HoldLookups(true);
  ClientHarness h(std::move(loop));
  const FetchOutcome outcome =
      h.Fetch("http://site.test:" + std::to_string(server.Port()) + "/page.html", 300ms);
  EXPECT_TRUE(h.watchdog_fired);
  ExpectAborted(h, outcome);
  EXPECT_EQ(h.states, (std::vector<HttpState>{HttpState::Starting, HttpState::Resolving,
                                              HttpState::Aborting, HttpState::Idle}));
  test_loop.HoldLookups(false);
  PumpFor(test_loop, 100ms);
  EXPECT_EQ(test_loop.LookupsStarted(), 1);
  EXPECT_EQ(server.RequestCount(), 0u);
  EXPECT_EQ(h.client.State(), HttpState::Idle);
}

// A listener whose backlog is full: a connect to it stays in progress. With a backlog of
// 0 the queue is full as soon as one filler's connection waits in it, which the listener
// shows by becoming readable; the fillers after it stay unanswered.
class StuckListener {
 public:
  StuckListener() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 0);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    for (int& filler : fillers_) {
      filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    pollfd queued{listener_, POLLIN, 0};
    full_ = ::poll(&queued, 1, 5000) == 1;
  }
  ~StuckListener() {
    for (const int filler : fillers_) ::close(filler);
    ::close(listener_);
  }
  std::uint16_t Port() const { return port_; }
  bool Full() const { return full_; }

 private:
  int listener_ = -1;
  bool full_ = false;
  int fillers_[3] = {-1, -1, -1};
  std::uint16_t port_ = 0;
};

TEST(HttpClientAbort, EndsAConnectStillInProgress) {
  StuckListener stuck;
  ASSERT_TRUE(stuck.Full());
  auto h = ClientHarness::OnQtLoop();
  const FetchOutcome outcome =
      h->Fetch("http://127.0.0.1:" + std::to_string(stuck.Port()) + "/", 300ms);
  EXPECT_TRUE(h->watchdog_fired);
  ExpectAborted(*h, outcome);
  EXPECT_EQ(h->states[h->states.size() - 3], HttpState::Resolved) << "aborted while connecting";
}

TEST(HttpClientAbort, EndsAWaitForTheHeaderOrTheBodyFromTheTimeOut) {
  struct Case {
    const char* name;
    Script script;
    std::string body;
  };
  const Case cases[] = {
      {"silent server", Script().HoldOpen(), ""},
      {"body without a length never closed",
       Script::Bytes(ResponseBytes("HTTP/1.1 200 OK", {}, "12345")).HoldOpen(), "12345"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedHttpServer server;
    server.Enqueue(c.script);
    auto h = ClientHarness::OnQtLoop();
    const FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html", 300ms);
    EXPECT_TRUE(h->watchdog_fired);
    ExpectAborted(*h, outcome);
    EXPECT_EQ(h->body.bytes, c.body);
    EXPECT_EQ(h->doc_ends, c.body.empty() ? 0 : 1);
    EXPECT_EQ(server.RequestCount(), 1u);
  }
}

TEST(HttpClientAbort, EndsTheRequestFromInsideTheDocumentDataEvent) {
  ScriptedHttpServer server;
  server.Enqueue(
      Script::Bytes(ResponseBytes("HTTP/1.1 200 OK", {}, std::string(1000, 'd'))).HoldOpen());
  auto h = ClientHarness::OnQtLoop();
  h->on_doc_data = [&](const char*, std::size_t) { h->client.AbortRequest(); };
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html");
  EXPECT_FALSE(h->watchdog_fired);
  ExpectAborted(*h, outcome);
  EXPECT_EQ(h->chunks, 1);
  EXPECT_EQ(h->body.bytes.size(), 1000u);
  EXPECT_EQ(h->client.DocByteCount(), 1000);
  EXPECT_EQ(h->doc_ends, 1);
}

TEST(HttpClientAbort, NeverFollowsARelocationItAborted) {
  ScriptedHttpServer server;
  server.Enqueue(Script::Relocate("/target.html"));
  server.Enqueue(Script::Ok("target"));
  auto h = ClientHarness::OnQtLoop();
  h->client.OnLocationChange = [&](const std::string&) { h->client.AbortRequest(); };
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/moved");
  ExpectAborted(*h, outcome);
  PumpFor(h->Loop(), 100ms);
  EXPECT_EQ(server.RequestCount(), 1u);
}

TEST(HttpClientAbort, WhileIdleChangesNothing) {
  ScriptedHttpServer server;
  server.Enqueue(Script::NotFound());
  auto h = ClientHarness::OnQtLoop();
  h->client.AbortRequest();  // before any request
  EXPECT_EQ(h->client.ReplyStatus(), 0);
  h->Fetch(server.Origin() + "/missing.html");
  ASSERT_TRUE(h->PumpUntilDone());
  const std::size_t states = h->states.size();
  h->client.AbortRequest();
  EXPECT_EQ(h->client.ReplyStatus(), 404);
  EXPECT_EQ(h->client.ReplyReason(), "Not Found");
  EXPECT_EQ(h->states.size(), states);
  PumpFor(h->Loop(), 50ms);
  EXPECT_EQ(h->done.size(), 1u);
}

// An abort that arrives once the reply has ended, while the return to Idle is still
// queued (a time-out firing in that moment), leaves the settled outcome alone.
TEST(HttpClientAbort, ComingAfterTheEndLeavesTheOutcomeAlone) {
  ScriptedHttpServer server;
  server.Enqueue(Script::Bytes(ResponseBytes("HTTP/1.1 200 OK", {"Content-Length: 0"}, "")));
  auto h = ClientHarness::OnQtLoop();
  h->client.OnHeaderEnd = [&] { h->Loop().Post([&] { h->client.AbortRequest(); }); };
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/empty.html");
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(h->client.ReplyStatus(), 200);
  EXPECT_EQ(std::count(h->states.begin(), h->states.end(), HttpState::Aborting), 0);
}

TEST(HttpClientAbort, RefusesASecondFetchFromInsideTheWaitAsBusy) {
  ScriptedHttpServer server;
  server.Enqueue(Script::Ok("first"));
  auto h = ClientHarness::OnQtLoop();
  std::optional<EHttpException> refused;
  h->on_doc_data = [&](const char*, std::size_t) {
    h->client.URL = "http://127.0.0.1:1/other";
    try {
      h->client.FetchSync();
    } catch (const EHttpException& error) {
      refused = error;
    }
  };
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html");
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->ErrorCode(), 1);
  EXPECT_STREQ(refused->what(), "HTTP component is busy");
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(h->body.bytes, "first");
  EXPECT_EQ(h->client.ReplyStatus(), 200);
  EXPECT_EQ(server.RequestCount(), 1u);
}

}  // namespace
}  // namespace kasumido
