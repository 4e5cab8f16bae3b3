#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "http/http_client.h"
#include "http_client_harness.h"
#include "platform/waits.h"
#include "support/faulty_file_system.h"
#include "support/loopback_peer.h"
#include "support/scratch_dir.h"
#include "support/scripted_http_server.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::ClientHarness;
using test::FetchOutcome;
using test::LongHeaderLine;
using test::ResponseBytes;
using test::Script;
using test::ScriptedHttpServer;

struct Expected {
  bool raised;
  int status;
  std::string reason;
};

void ExpectOutcome(const ClientHarness& h, const FetchOutcome& outcome, const Expected& e) {
  EXPECT_FALSE(h.watchdog_fired) << "the request did not end by itself";
  EXPECT_EQ(outcome.raised, e.raised) << outcome.message;
  if (e.raised) {
    EXPECT_EQ(outcome.code, e.status);
    EXPECT_EQ(outcome.message, e.reason);
  }
  EXPECT_EQ(h.client.ReplyStatus(), e.status);
  EXPECT_EQ(h.client.ReplyReason(), e.reason);
  EXPECT_EQ(h.client.State(), HttpState::Idle);
}

TEST(HttpClientFailure, EndsEveryBrokenOrRefusingReplyWithItsStatusAndReason) {
  const std::string status = "HTTP/1.1 200 OK\r\n";
  struct Case {
    const char* name;
    Script script;
    Expected expected;
  };
  const Case cases[] = {
      {"not found", Script::NotFound(), {true, 404, "Not Found"}},
      // The rest of an error page is not waited for.
      {"error page held open",
       Script::Bytes(ResponseBytes("HTTP/1.0 500 Internal Server Error", {}, "oops")).HoldOpen(),
       {true, 500, "Internal Server Error"}},
      {"closed after the status line",
       Script::Bytes(status + "Content-Type: text/html\r\n"),
       {true, 404, "Connection closed before the end of the header"}},
      {"closed inside the first line",
       Script::Bytes("HTTP/1.1 200"),
       {true, 404, "Connection closed before the end of the header"}},
      {"reset inside the header",
       Script::Bytes(status + "Server: x\r\n").Reset(),
       {true, 404, "Connection closed before the end of the header"}},
      {"longest line that fits",
       Script::Bytes(status + LongHeaderLine(8190) + "\r\n\r\nbody"),
       {false, 200, "OK"}},
      {"line too long",
       Script::Bytes(status + LongHeaderLine(8191) + "\r\n\r\nbody"),
       {true, 404, "HTTP line too long"}},
      {"status not a number",
       Script::Bytes("HTTP/1.1 2x0 OK\r\n\r\nbody"),
       {true, 404, "Invalid HTTP reply"}},
      {"content length not a number",
       Script::Bytes(status + "Content-Length: ten\r\n\r\nbody"),
       {true, 404, "Invalid HTTP reply"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedHttpServer server;
    server.Enqueue(c.script);
    auto h = ClientHarness::OnQtLoop();
    const FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html", 3s);
    ExpectOutcome(*h, outcome, c.expected);
  }
}

TEST(HttpClientFailure, ReportsConnectionFailuresAsNotFoundWithTheSocketError) {
  ScriptedHttpServer server;
  struct Case {
    const char* name;
    std::string url;
    std::string proxy;
    std::string proxy_port;
    std::string reason;
    int done_error;
  };
  const Case cases[] = {
      {"refused", "http://127.0.0.1:" + test::UnusedLoopbackPort() + "/", "", "80",
       "Connection refused (Error #10061)", 10061},
      // A proxy without a port while ProxyPort was cleared: the connect cannot start.
      {"no port", "http://site.test/", "127.0.0.1", "",
       "can't connect: Invalid argument (Error #10022)", 10022},
      {"empty host", "http:///page.html", "", "80", "can't resolve hostname to IP address", 10022},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = ClientHarness::OnQtLoop();
    h->client.Proxy = c.proxy;
    h->client.ProxyPort = c.proxy_port;
    const FetchOutcome outcome = h->Fetch(c.url);
    ExpectOutcome(*h, outcome, {true, 404, c.reason});
    ASSERT_TRUE(h->PumpUntilDone());
    EXPECT_EQ(h->done[0].error, c.done_error);
  }
}

TEST(HttpClientFailure, ReportsAnUnknownHostAfterTheLookup) {
  auto loop = std::make_unique<test::TestEventLoop>();
  test::TestEventLoop& test_loop = *loop;
  test_loop.AddHostError("nowhere.test", 11001);
  ClientHarness h(std::move(loop));
  const FetchOutcome outcome = h.Fetch("http://nowhere.test/page.html");
  ExpectOutcome(h, outcome, {true, 404, "can't resolve hostname to IP address"});
  EXPECT_EQ(test_loop.LookupsStarted(), 1);
  ASSERT_TRUE(h.PumpUntilDone());
  EXPECT_EQ(h.done[0].error, 11001);
}

TEST(HttpClientFailure, ConnectionClosedBeforeAnyByteReturnsWithStatusZero) {
  ScriptedHttpServer server;
  server.Enqueue(Script::NotFound());
  server.Enqueue(Script::Bytes(""));
  auto h = ClientHarness::OnQtLoop();
  h->Fetch(server.Origin() + "/missing.html");
  h->body.bytes.clear();
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/silent.html");
  // The reason is left as the previous request set it.
  ExpectOutcome(*h, outcome, {false, 0, "Not Found"});
  EXPECT_TRUE(h->body.bytes.empty());
}

TEST(HttpClientFailure, FollowsALocationEvenWhenTheHeaderIsCutShort) {
  ScriptedHttpServer server;
  server.Enqueue(Script::Bytes("HTTP/1.1 302 Found\r\nLocation: /target.html\r\n"));
  server.Enqueue(Script::Ok("target"));
  auto h = ClientHarness::OnQtLoop();
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/moved");
  ExpectOutcome(*h, outcome, {false, 200, "OK"});
  EXPECT_EQ(h->body.bytes, "target");
}

TEST(HttpClientFailure, StopsARelocationLoopAfterTwentyRelocations) {
  ScriptedHttpServer server;
  server.SetHandler([](const wire::RequestHead&) { return Script::Relocate("/again"); });
  auto h = ClientHarness::OnQtLoop();
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/start");
  ExpectOutcome(*h, outcome, {true, 404, "Too many relocations"});
  EXPECT_EQ(server.RequestCount(), 21u);
  EXPECT_EQ(h->locations.size(), 20u);
  EXPECT_EQ(h->client.RelocationCount(), 20);
}

TEST(HttpClientFailure, NeverFollowsARelocationTargetHoldingAControlByte) {
  const std::string values[] = {"/x\ry", "/x\x01", "http://h\ry/p", "rel\x7F", "/x\t"};
  for (const std::string& value : values) {
    ScriptedHttpServer server;
    server.Enqueue(Script::Relocate(value));
    server.Enqueue(Script::Ok("target"));
    auto h = ClientHarness::OnQtLoop();
    const FetchOutcome outcome = h->Fetch(server.Origin() + "/moved");
    ExpectOutcome(*h, outcome, {true, 404, "Relocation target holds a control byte"});
    EXPECT_EQ(server.RequestCount(), 1u) << "no request for the target";
    EXPECT_TRUE(h->locations.empty());
    EXPECT_EQ(h->body.bytes, "");
  }
}

// A document that cannot be stored whole is a failed fetch, not a short success.
TEST(HttpClientFailure, FailsWhenTheDocumentCannotBeWritten) {
  ScriptedHttpServer server;
  server.Enqueue(Script::Ok(std::string(30000, 'a')));
  server.Enqueue(Script::Ok(std::string(30000, 'a')));
  auto h = ClientHarness::OnQtLoop();
  test::ScratchDir dir;
  test::FaultyFileSystem faults;
  faults.FillDiskAfter(1000);
  FileDocumentStream full(dir.File("GetKasumido.html"));
  h->client.DocStream = &full;
  FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html");
  ExpectOutcome(*h, outcome, {true, 404, "Cannot write the document"});
  EXPECT_EQ(h->doc_ends, 1);

  // A failing OnDocData handler ends the request the same way, with its own text.
  h->client.DocStream = &h->body;
  h->on_doc_data = [](const char*, std::size_t) { throw std::runtime_error("handler failed"); };
  outcome = h->Fetch(server.Origin() + "/page.html");
  ExpectOutcome(*h, outcome, {true, 404, "handler failed"});
}

}  // namespace
}  // namespace kasumido
