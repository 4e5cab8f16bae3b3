#include "support/scripted_http_server.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "http/socket_error.h"
#include "support/raw_client.h"
#include "support/scratch_dir.h"

namespace kasumido::test {
namespace {

using std::chrono::milliseconds;

constexpr std::string_view kGet = "GET /x HTTP/1.0\r\n\r\n";

TEST(ScriptedHttpServer, PlaysEachKindOfStep) {
  const std::string hundred = [] {
    std::string bytes;
    for (int i = 0; i < 100; ++i) bytes += static_cast<char>('0' + i % 10);
    return bytes;
  }();
  const struct {
    std::string name;
    Script script;
    std::string_view request;
    std::string bytes;
    bool peer_closed;
  } cases[] = {
      {"exact bytes", Script::Bytes("HTTP/1.0 200 OK\r\n\r\nbody"), kGet,
       "HTTP/1.0 200 OK\r\n\r\nbody", true},
      {"dribble", Script().Dribble(hundred, 7, milliseconds(1)), kGet, hundred, true},
      {"repeat", Script().Repeat("0123456789", 100), kGet, hundred, true},
      {"repeat across blocks", Script().Repeat("abc", 200000), kGet,
       [] {
         std::string bytes;
         while (bytes.size() < 200000) bytes += "abc";
         return bytes.substr(0, 200000);
       }(),
       true},
      {"pause", Script().Send("a").Pause(milliseconds(20)).Send("b"), kGet, "ab", true},
      {"hold open", Script().Send("held").HoldOpen(), kGet, "held", false},
      {"without request", Script().WithoutReadingRequest().Send("early"), "", "early", true},
      {"partial header", Script::Bytes("HTTP/1.0 200 OK\r\nContent-Ty"), kGet,
       "HTTP/1.0 200 OK\r\nContent-Ty", true},
  };
  for (const auto& c : cases) {
    ScriptedHttpServer server;
    server.Enqueue(c.script);
    const RawResponse response = RawExchange(server.Port(), c.request, milliseconds(500));
    EXPECT_EQ(response.bytes, c.bytes) << c.name;
    EXPECT_EQ(response.peer_closed, c.peer_closed) << c.name;
    EXPECT_EQ(server.UnscriptedCount(), 0u) << c.name;
  }
}

TEST(ScriptedHttpServer, BuildsHeaderLinesOfAnExactLength) {
  for (const std::size_t length : {10u, 8191u, 8192u, 8193u, 20000u}) {
    const std::string line = LongHeaderLine(length);
    EXPECT_EQ(line.size(), length);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(line.rfind("X-Filler: ", 0), 0u);
  }
  EXPECT_EQ(ResponseBytes("HTTP/1.0 200 OK", {"Content-Length: 0"}, ""),
            "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
}

TEST(ScriptedHttpServer, ResetEndsTheConnectionWithAReset) {
  ScriptedHttpServer server;
  server.Enqueue(Script().Send("partial").Reset());
  const RawResponse response = RawExchange(server.Port(), kGet);
  EXPECT_FALSE(response.peer_closed);
  EXPECT_EQ(response.error, socket_error::kConnectionReset);
}

TEST(ScriptedHttpServer, AnswersConnectionsFromTheQueueThenTheHandler) {
  ScriptedHttpServer server;
  server.Enqueue(Script::Bytes("first"));
  server.Enqueue(Script::Bytes("second"));
  EXPECT_EQ(RawExchange(server.Port(), kGet).bytes, "first");
  EXPECT_EQ(RawExchange(server.Port(), kGet).bytes, "second");
  // Nothing queued and no handler: a 404, counted.
  EXPECT_EQ(RawExchange(server.Port(), kGet).bytes.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
  EXPECT_EQ(server.UnscriptedCount(), 1u);
  server.SetHandler(
      [](const wire::RequestHead& head) { return Script::Bytes("for " + head.target); });
  EXPECT_EQ(RawExchange(server.Port(), "GET /y?z HTTP/1.0\r\n\r\n").bytes, "for /y?z");
  server.Enqueue(Script::Bytes("queued again"));
  EXPECT_EQ(RawExchange(server.Port(), kGet).bytes, "queued again");
  EXPECT_EQ(server.UnscriptedCount(), 1u);
}

TEST(ScriptedHttpServer, RecordsEveryRequestExactlyInConnectionOrder) {
  ScriptedHttpServer server;
  server.SetHandler([](const wire::RequestHead&) { return Script::Bytes("ok"); });
  const std::string proxy_request =
      "GET http://site.example/list.html?m=1 HTTP/1.0\r\nAccept: */*\r\nHost: site.example\r\n\r\n";
  RawExchange(server.Port(), proxy_request);
  RawExchange(server.Port(), "GET /direct HTTP/1.0\nHost: 127.0.0.1\n\n");
  RawExchange(server.Port(), "GET /cut", milliseconds(100));  // the client gives up mid-line
  ASSERT_TRUE(server.WaitForRequests(3, milliseconds(5000)));
  const std::vector<RecordedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].bytes, proxy_request);
  EXPECT_TRUE(requests[0].IsAbsoluteForm());
  EXPECT_EQ(requests[0].request_line, "GET http://site.example/list.html?m=1 HTTP/1.0");
  EXPECT_EQ(requests[0].Header("host"), "site.example");
  EXPECT_EQ(requests[1].target, "/direct");
  EXPECT_FALSE(requests[1].IsAbsoluteForm());
  EXPECT_EQ(requests[2].bytes, "GET /cut");
  EXPECT_FALSE(requests[2].complete);
  for (std::size_t i = 0; i < requests.size(); ++i) EXPECT_EQ(requests[i].connection, i);
  EXPECT_FALSE(server.WaitForRequests(4, milliseconds(50)));
}

TEST(ScriptedHttpServer, StopsHeldAndPausedConnectionsWhenDestroyed) {
  auto server = std::make_unique<ScriptedHttpServer>();
  server->Enqueue(Script().HoldOpen());
  server->Enqueue(Script().Pause(milliseconds(60000)).Send("never"));
  const std::uint16_t port = server->Port();
  auto held = std::async(std::launch::async,
                         [port] { return RawExchange(port, kGet, milliseconds(20000)); });
  ASSERT_TRUE(server->WaitForRequests(1, milliseconds(5000)));
  auto paused = std::async(std::launch::async,
                           [port] { return RawExchange(port, kGet, milliseconds(20000)); });
  ASSERT_TRUE(server->WaitForRequests(2, milliseconds(5000)));
  server.reset();
  const RawResponse held_response = held.get();
  const RawResponse paused_response = paused.get();
  EXPECT_EQ(held_response.bytes, "");
  EXPECT_TRUE(held_response.peer_closed);
  EXPECT_EQ(paused_response.bytes, "");
  EXPECT_TRUE(paused_response.peer_closed);
}

TEST(ScriptedHttpServer, ServesASiteFolderAlsoToAbsoluteFormRequests) {
  ScratchDir root;
  root.Write("lnovel/bk_detail.php__pcd=12", "detail");
  ScriptedHttpServer server;
  server.ServeSite(root.Path());
  const std::string direct =
      RawExchange(server.Port(), "GET /lnovel/bk_detail.php?pcd=12 HTTP/1.0\r\n\r\n").bytes;
  EXPECT_EQ(ResponseBody(direct), "detail");
  const std::string proxied =
      RawExchange(server.Port(),
                  "GET http://site.example/lnovel/bk_detail.php?pcd=12 HTTP/1.0\r\n\r\n")
          .bytes;
  EXPECT_EQ(ResponseBody(proxied), "detail");
  EXPECT_EQ(RawExchange(server.Port(), "GET /none HTTP/1.0\r\n\r\n").bytes.rfind("HTTP/1.1 404", 0),
            0u);
  EXPECT_EQ(server.UnscriptedCount(), 0u);
}

}  // namespace
}  // namespace kasumido::test
