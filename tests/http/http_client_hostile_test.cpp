// The client against broken and hostile servers: where a body ends, the limits on a
// document's size and time, and the spacing of a relocation chain.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "http_client_harness.h"
#include "site_server/hostile_answers.h"
#include "support/scripted_http_server.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::ClientHarness;
using test::FetchOutcome;
using test::ResponseBytes;
using test::Script;
using test::ScriptedHttpServer;
using wire::Ending;

constexpr std::int64_t kMiB = 1024 * 1024;

std::string Ok(std::string_view body) {
  return ResponseBytes("HTTP/1.1 200 OK", {"Content-Length: " + std::to_string(body.size())}, body);
}

struct Expected {
  bool raised;
  int status;
  std::string reason;
  std::optional<std::string> body;  // what reached DocStream; not checked when unset
};

// Fetches one answer of `script` under a watchdog of `limit` and checks the outcome.
void ExpectFetch(ClientHarness& h, Script script, const Expected& e,
                 std::chrono::milliseconds limit = 3s) {
  ScriptedHttpServer server;
  server.Enqueue(std::move(script));
  h.body.bytes.clear();
  const FetchOutcome outcome = h.Fetch(server.Origin() + "/page.html", limit);
  EXPECT_FALSE(h.watchdog_fired) << "the request did not end by itself";
  EXPECT_EQ(outcome.raised, e.raised) << outcome.message;
  EXPECT_EQ(h.client.ReplyStatus(), e.status);
  EXPECT_EQ(h.client.ReplyReason(), e.reason);
  if (e.body) {
    EXPECT_TRUE(h.body.bytes == *e.body) << h.body.bytes.size() << " bytes stored";
  }
  EXPECT_EQ(h.client.DocByteCount(), static_cast<std::int32_t>(h.body.bytes.size()));
  EXPECT_EQ(h.client.State(), HttpState::Idle);
}

TEST(HttpClientBodyEnd, EndsAtItsContentLengthWithoutWaitingForTheClose) {
  const std::string body(3000, 'b');
  const std::string header5 = ResponseBytes("HTTP/1.1 200 OK", {"Content-Length: 10"}, "");
  struct Case {
    const char* name;
    Script script;
    std::string body;
  };
  const Case cases[] = {
      {"kept open at its length", wire::KeptOpen(Ok("12345")), "12345"},
      {"bytes beyond its length",
       wire::KeptOpen(ResponseBytes("HTTP/1.1 200 OK", {"Content-Length: 5"}, "1234567890")),
       "12345"},
      {"in pieces, then kept open", wire::Trickle(Ok(body), 1000, 50ms).HoldOpen(), body},
      {"the end and more in a later read",
       Script().Send(header5 + "12345").Pause(50ms).Send("67890abc").HoldOpen(), "1234567890"},
      {"no length: the close ends it", Script::Bytes(ResponseBytes("HTTP/1.1 200 OK", {}, "abc")),
       "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = ClientHarness::OnQtLoop();
    ExpectFetch(*h, c.script, {false, 200, "OK", c.body});
    EXPECT_EQ(h->doc_ends, 1);
  }
}

TEST(HttpClientBodyEnd, FailsWhenTheConnectionClosesBeforeTheContentLength) {
  const std::string body(1000, 'c');
  const std::string error_page =
      ResponseBytes("HTTP/1.1 404 Not Found", {"Content-Length: 1000"}, body);
  struct Case {
    const char* name;
    Script script;
    Expected expected;
  };
  const Case cases[] = {
      {"closed at 400 of 1000",
       wire::CutBody(Ok(body), 400, Ending::kClose),
       {true, 404, "the body ended after 400 of 1000 bytes", body.substr(0, 400)}},
      {"closed after the header",
       wire::CutBody(Ok(body), 0, Ending::kClose),
       {true, 404, "the body ended after 0 of 1000 bytes", ""}},
      {"an error page keeps its status",
       wire::CutBody(error_page, 10, Ending::kClose),
       {true, 404, "Not Found", body.substr(0, 10)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = ClientHarness::OnQtLoop();
    ExpectFetch(*h, c.script, c.expected);
    EXPECT_EQ(h->client.LocalFailure(), c.expected.reason != "Not Found");
  }
}

// A reset leaves no way to tell whether a body was whole, with or without a length.
TEST(HttpClientBodyEnd, FailsWhenAResetCutsTheBody) {
  const Script cases[] = {
      wire::CutBody(ResponseBytes("HTTP/1.1 200 OK", {}, "abc"), 3, Ending::kReset),
      wire::CutBody(Ok(std::string(1000, 'r')), 10, Ending::kReset),
  };
  for (const Script& script : cases) {
    auto h = ClientHarness::OnQtLoop();
    ScriptedHttpServer server;
    server.Enqueue(script);
    const FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html");
    EXPECT_TRUE(outcome.raised);
    EXPECT_EQ(h->client.ReplyReason(), "Connection reset by peer (Error #10054)");
  }
}

TEST(HttpClientLimits, RefusesADocumentLargerThanItsLimitWithoutTakingIt) {
  const std::string at_limit(64 * 1024, 'l');
  struct Case {
    const char* name;
    Script script;
    Expected expected;
  };
  const Case cases[] = {
      {"announced",
       wire::HugeBody(300 * kMiB, wire::Length::kSent, "text/html"),
       {true, 404, "more than 64 KB", ""}},
      {"2 GB announced",
       Script::Bytes(ResponseBytes("HTTP/1.1 200 OK", {"Content-Length: 2000000000"}, "abc"))
           .HoldOpen(),
       {true, 404, "more than 64 KB", ""}},
      {"5 GB announced, past 32 bits",
       Script::Bytes(ResponseBytes("HTTP/1.1 200 OK", {"Content-Length: 5000000000"}, "abc"))
           .HoldOpen(),
       {true, 404, "more than 64 KB", ""}},
      // What arrived below the limit went to DocStream; the caller drops it.
      {"unannounced",
       wire::HugeBody(300 * kMiB, wire::Length::kNotSent, "text/html"),
       {true, 404, "more than 64 KB", std::nullopt}},
      {"exactly the limit", Script::Ok(at_limit), {false, 200, "OK", at_limit}},
      {"an error page keeps its status",
       Script::Bytes(ResponseBytes("HTTP/1.1 503 Busy", {"Content-Length: 2000000000"}, "x")),
       {true, 503, "Busy", "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = ClientHarness::OnQtLoop();
    h->client.MaxBodyBytes = 64 * 1024;
    ExpectFetch(*h, c.script, c.expected);
    EXPECT_LE(h->body.bytes.size(), 64u * 1024);
  }
}

TEST(HttpClientLimits, RefusesAHeaderBlockLargerThanItsLimit) {
  std::string lines_100k;
  for (int i = 0; i < 100; ++i) lines_100k += test::LongHeaderLine(998) + "\r\n";
  std::string lines_60k;
  for (int i = 0; i < 60; ++i) lines_60k += test::LongHeaderLine(998) + "\r\n";
  const std::string status = "HTTP/1.1 200 OK\r\n";
  struct Case {
    const char* name;
    Script script;
    Expected expected;
  };
  const Case cases[] = {
      {"a flood of header lines",
       wire::HeaderFlood(1024 * kMiB),
       {true, 404, "a header of more than 64 KB", ""}},
      {"100 KB of header lines",
       Script::Bytes(status + lines_100k + "\r\nbody"),
       {true, 404, "a header of more than 64 KB", ""}},
      {"100 KB in one line",
       Script::Bytes(status + test::LongHeaderLine(100 * 1024) + "\r\n\r\n"),
       {true, 404, "HTTP line too long", ""}},
      {"60 KB of header lines",
       Script::Bytes(status + lines_60k + "\r\nbody"),
       {false, 200, "OK", "body"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = ClientHarness::OnQtLoop();
    ExpectFetch(*h, c.script, c.expected);
    std::size_t kept = 0;
    for (const std::string& line : h->client.ReplyHeaderLines()) kept += line.size();
    EXPECT_LE(kept, 64u * 1024);
  }
}

TEST(HttpClientLimits, EndsARequestAtItsDeadlineWhateverKeepsArriving) {
  const std::string body(1000, 't');
  struct Case {
    const char* name;
    Script script;
    Expected expected;
  };
  const Case cases[] = {
      {"a trickled body",
       Script()
           .Send(ResponseBytes("HTTP/1.1 200 OK", {"Content-Length: 1000"}, ""))
           .Dribble(body, 1, 20ms),
       {true, 404, "took longer than 1 s", std::nullopt}},
      {"a trickled header",
       wire::Trickle(Ok(body), 1, 50ms),
       {true, 404, "took longer than 1 s", ""}},
      {"silence", Script().HoldOpen(), {true, 404, "took longer than 1 s", ""}},
      {"in time", Script::Ok("fast"), {false, 200, "OK", "fast"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = ClientHarness::OnQtLoop();
    h->client.Deadline = 1s;
    const TimePoint start = h->Loop().Now();
    ExpectFetch(*h, c.script, c.expected);
    if (c.expected.raised) {
      EXPECT_GE(h->Loop().Now() - start, 1s);
      ASSERT_TRUE(h->PumpUntilDone());
      EXPECT_EQ(h->done[0].error, 3);
    }
  }
}

// The relocation chain on the deterministic loop: its clock moves exactly by the waits.
class HttpClientRelocationSlots : public testing::Test {
 protected:
  HttpClientRelocationSlots()
      : loop_(new test::TestEventLoop), h_(std::unique_ptr<EventLoop>(loop_)) {
    h_.client.OnStateChange = [this] {
      if (h_.client.State() == HttpState::Resolving) starts_.push_back(loop_->Now());
    };
  }

  test::TestEventLoop* loop_;  // owned by the harness
  ClientHarness h_;
  ScriptedHttpServer server_;
  std::vector<TimePoint> starts_;  // of each request
};

TEST_F(HttpClientRelocationSlots, AsksForASlotBeforeEachRelocationAndWaitsForIt) {
  for (const char* target : {"/b", "/c", "/d"}) server_.Enqueue(Script::Relocate(target));
  server_.Enqueue(Script::Ok("end"));
  // The run's spacing: 500 ms between the starts of two requests.
  TimePoint last = loop_->Now();
  std::vector<TimePoint> granted;
  h_.client.RequestSlot = [&] {
    const TimePoint slot = last + 500ms;
    if (loop_->Now() < slot) return slot;
    last = loop_->Now();
    granted.push_back(last);
    return last;
  };
  const FetchOutcome outcome = h_.Fetch(server_.Origin() + "/a");
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(h_.body.bytes, "end");
  ASSERT_EQ(starts_.size(), 4u);
  ASSERT_EQ(granted.size(), 3u);
  for (std::size_t i = 1; i < starts_.size(); ++i) {
    EXPECT_GE(starts_[i] - starts_[i - 1], 500ms) << i;
    EXPECT_GE(starts_[i], granted[i - 1]) << i;
  }
}

TEST_F(HttpClientRelocationSlots, AnAbortOrTheDeadlineEndsTheWaitForASlot) {
  h_.client.RequestSlot = [this] { return loop_->Now() + 10s; };
  server_.Enqueue(Script::Relocate("/b"));
  std::unique_ptr<Timer> stop = loop_->CreateTimer();
  stop->OnTimer = [&] {
    stop->SetEnabled(false);
    h_.client.AbortRequest();
  };
  stop->SetInterval(2s);
  stop->SetEnabled(true);
  FetchOutcome outcome = h_.Fetch(server_.Origin() + "/a", 20s);
  EXPECT_EQ(outcome.message, "Connection aborted on request");
  server_.Enqueue(Script::Relocate("/b"));
  h_.client.Deadline = 1s;
  outcome = h_.Fetch(server_.Origin() + "/a", 20s);
  EXPECT_EQ(outcome.message, "took longer than 1 s");
  EXPECT_FALSE(h_.watchdog_fired);
  EXPECT_EQ(server_.RequestCount(), 2u) << "no relocation was followed";
}

}  // namespace
}  // namespace kasumido
