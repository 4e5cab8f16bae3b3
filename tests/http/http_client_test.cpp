#include "http/http_client.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "http_client_harness.h"
#include "platform/waits.h"
#include "support/loopback_peer.h"
#include "support/scripted_http_server.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::ClientHarness;
using test::FetchOutcome;
using test::ResponseBytes;
using test::Script;
using test::ScriptedHttpServer;

constexpr const char* kAcceptAndAgent =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
    "User-Agent: Mozilla/3.0 (compatible)\r\n";

TEST(HttpClient, SendsExactlyItsRequestLinesDirectAndThroughAProxy) {
  ScriptedHttpServer server;  // the site, or the proxy
  const std::string port = std::to_string(server.Port());
  struct Case {
    std::string url;
    std::string proxy;
    std::string proxy_port;
    std::string request_line;
    std::string host;
  };
  const Case cases[] = {
      {server.Origin() + "/lnovel/kongetsu.html", "", "80", "GET /lnovel/kongetsu.html HTTP/1.0",
       "127.0.0.1"},
      {server.Origin(), "", "80", "GET / HTTP/1.0", "127.0.0.1"},
      {"http://site.test/lnovel/kongetsu.html", "127.0.0.1", port,
       "GET http://site.test/lnovel/kongetsu.html HTTP/1.0", "site.test"},
      {"http://site.test", "127.0.0.1:" + port, "1", "GET http://site.test HTTP/1.0", "site.test"},
      {"http://site.test:8080/a?b=c", "127.0.0.1", port, "GET http://site.test:8080/a?b=c HTTP/1.0",
       "site.test"},
  };
  auto h = ClientHarness::OnQtLoop();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url + " via '" + c.proxy + "'");
    const std::size_t before = server.RequestCount();
    server.Enqueue(Script::Ok("page"));
    h->client.Proxy = c.proxy;
    h->client.ProxyPort = c.proxy_port;
    h->body.bytes.clear();
    const FetchOutcome outcome = h->Fetch(c.url);
    EXPECT_FALSE(outcome.raised) << outcome.message;
    EXPECT_EQ(h->body.bytes, "page");
    ASSERT_EQ(server.RequestCount(), before + 1);
    EXPECT_EQ(server.Requests().back().bytes,
              c.request_line + "\r\n" + kAcceptAndAgent + "Host: " + c.host + "\r\n\r\n");
  }
}

TEST(HttpClient, StreamsTheBodyUnchangedAndReportsTheReply) {
  ScriptedHttpServer server;
  // EUC-JP text, NUL bytes and line ends pass unchanged.
  const std::string body =
      std::string("\xa4\xb3\xa4\xf3\r\n\0tail\n", 13) + std::string(20000, 'x');
  const std::string length = "Content-Length: " + std::to_string(body.size());
  const std::string reply =
      ResponseBytes("HTTP/1.1 200 OK", {"Content-Type: Text/HTML; charset=EUC-JP", length}, body);
  server.Enqueue(Script().Dribble(reply, 4000, std::chrono::milliseconds(5)));
  auto h = ClientHarness::OnQtLoop();
  std::vector<std::pair<std::size_t, std::int32_t>> progress;  // stored bytes, DocByteCount
  h->on_doc_data = [&](const char*, std::size_t) {
    progress.emplace_back(h->body.bytes.size(), h->client.DocByteCount());
  };
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/lnovel/kongetsu.html");
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_TRUE(h->body.bytes == body);
  EXPECT_EQ(h->client.ReplyStatus(), 200);
  EXPECT_EQ(h->client.ReplyReason(), "OK");
  EXPECT_EQ(h->client.ReplyContentLength(), static_cast<std::int32_t>(body.size()));
  EXPECT_EQ(h->client.ReplyContentType(), "text/html; charset=euc-jp");
  EXPECT_EQ(h->client.ReplyHeaderLines(),
            (std::vector<std::string>{"HTTP/1.1 200 OK", "Content-Type: Text/HTML; charset=EUC-JP",
                                      length}));
  EXPECT_EQ(h->client.DocByteCount(), static_cast<std::int32_t>(body.size()));
  // Each chunk was stored before OnDocData reported it, while the body was still coming.
  ASSERT_GT(progress.size(), 2u);
  for (const auto& [stored, counted] : progress) EXPECT_EQ(stored, std::size_t(counted));
  EXPECT_EQ(h->doc_ends, 1);
  using S = HttpState;
  EXPECT_EQ(h->states, (std::vector<S>{S::Starting, S::Resolving, S::Resolved, S::Connected,
                                       S::AwaitingHeader, S::AwaitingBody, S::Idle}));
  // The end is reported from the loop, after FetchSync has returned.
  EXPECT_TRUE(h->done.empty());
  ASSERT_TRUE(h->PumpUntilDone());
  EXPECT_EQ(h->done[0].request, THttpRequest::Get);
  EXPECT_EQ(h->done[0].error, 0);
  EXPECT_EQ(h->done[0].state_then, HttpState::Idle);
}

TEST(HttpClient, FollowsEveryFormOfLocation) {
  ScriptedHttpServer site;
  ScriptedHttpServer other;
  const std::string other_origin = other.Origin();
  struct Case {
    const char* name;
    std::string location;
    std::string status_line;
    ScriptedHttpServer* second_server;
    std::string second_request_line;
  };
  const Case cases[] = {
      {"rooted", "/target.html", "HTTP/1.1 302 Found", &site, "GET /target.html HTTP/1.0"},
      {"relative", "next.html", "HTTP/1.1 301 Moved Permanently", &site,
       "GET /lnovel/next.html HTTP/1.0"},
      {"upper-case scheme is relative", "HTTP://elsewhere.test/x", "HTTP/1.1 302 Found", &site,
       "GET /lnovel/HTTP://elsewhere.test/x HTTP/1.0"},
      {"200 with Location", "/b.html", "HTTP/1.0 200 OK", &site, "GET /b.html HTTP/1.0"},
      {"absolute", other_origin + "/other.html", "HTTP/1.1 302 Found", &other,
       "GET /other.html HTTP/1.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = ClientHarness::OnQtLoop();
    site.Enqueue(Script::Relocate(c.location, c.status_line));
    c.second_server->Enqueue(Script::Ok("arrived"));
    const std::size_t before = c.second_server->RequestCount();
    const FetchOutcome outcome = h->Fetch(site.Origin() + "/lnovel/kongetsu.html");
    EXPECT_FALSE(outcome.raised) << outcome.message;
    EXPECT_EQ(h->body.bytes, "arrived") << "the relocation's own body is not stored";
    EXPECT_EQ(h->client.DocByteCount(), 7);
    EXPECT_EQ(h->client.ReplyStatus(), 200);
    EXPECT_EQ(h->client.ReplyHeaderLines().front(), "HTTP/1.1 200 OK");
    EXPECT_EQ(h->client.RelocationCount(), 1);
    EXPECT_EQ(h->locations, std::vector<std::string>{c.location});
    ASSERT_GT(c.second_server->RequestCount(), before);
    const auto second = c.second_server->Requests().back();
    EXPECT_EQ(second.request_line, c.second_request_line);
    EXPECT_EQ(second.Header("Host"), "127.0.0.1");
  }
}

TEST(HttpClient, FollowsLocationsThroughAProxy) {
  ScriptedHttpServer proxy;
  proxy.Enqueue(Script::Relocate("/target.html"));
  proxy.Enqueue(Script::Relocate("http://other.test:81/x"));
  proxy.Enqueue(Script::Ok("arrived"));
  auto h = ClientHarness::OnQtLoop();
  h->client.Proxy = "127.0.0.1";
  h->client.ProxyPort = std::to_string(proxy.Port());
  const FetchOutcome outcome = h->Fetch("http://site.test/lnovel/kongetsu.html");
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(h->body.bytes, "arrived");
  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 3u);
  const std::pair<const char*, const char*> expected[] = {
      {"GET http://site.test/lnovel/kongetsu.html HTTP/1.0", "site.test"},
      {"GET http://site.test/target.html HTTP/1.0", "site.test"},
      {"GET http://other.test:81/x HTTP/1.0", "other.test"},
  };
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(requests[i].request_line, expected[i].first);
    EXPECT_EQ(requests[i].Header("Host"), expected[i].second);
    EXPECT_EQ(requests[i].connection, i) << "one connection per request";
  }
}

TEST(HttpClient, EndsAtAnEmptyBodyHeaderAndClosesItsSideAtOnce) {
  ScriptedHttpServer server;
  // The server would keep the connection open: the client must not wait for it.
  server.Enqueue(
      Script::Bytes(ResponseBytes("HTTP/1.1 200 OK", {"Content-Length: 0"}, "")).HoldOpen());
  server.Enqueue(Script::Ok("next"));
  auto h = ClientHarness::OnQtLoop();
  FetchOutcome outcome = h->Fetch(server.Origin() + "/empty.html", 2s);
  EXPECT_FALSE(h->watchdog_fired);
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(h->client.ReplyStatus(), 200);
  EXPECT_EQ(h->client.DocByteCount(), 0);
  EXPECT_TRUE(h->body.bytes.empty());
  // The next request on the same client works at once.
  outcome = h->Fetch(server.Origin() + "/next.html", 2s);
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(h->body.bytes, "next");
  EXPECT_EQ(server.RequestCount(), 2u);
}

TEST(HttpClient, TakesAnHtmlFirstLineAsTheStartOfTheBody) {
  struct Case {
    std::string reply;
    std::string body;
    int status;
    std::string content_type;
  };
  const Case cases[] = {
      {"<html><head></head>\r\n<body>a</body>\n", "<html><head></head>\r\n<body>a</body>\n", 0,
       "text/html"},
      {"<HTML>\n<BODY>", "<HTML>\n<BODY>", 0, "text/html"},
      // No line end at all, and a first line longer than the receive buffer.
      {"<Html>", "<Html>", 0, "text/html"},
      {"<html>" + std::string(20000, 'x'), "<html>" + std::string(20000, 'x'), 0, "text/html"},
      {"HTTP/1.0 200 OK\r\nServer: x\r\n<HTML>\r\n<BODY>\r\n\r\nmore",
       "<HTML>\r\n<BODY>\r\n\r\nmore", 200, "text/html"},
      {"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n<html>x", "<html>x", 200, "text/plain"},
  };
  ScriptedHttpServer server;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    server.Enqueue(Script::Bytes(c.reply));
    auto h = ClientHarness::OnQtLoop();
    const FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html");
    EXPECT_FALSE(outcome.raised) << outcome.message;
    EXPECT_EQ(h->body.bytes, c.body);
    EXPECT_EQ(h->client.ReplyStatus(), c.status);
    EXPECT_EQ(h->client.ReplyContentType(), c.content_type);
    EXPECT_EQ(h->header_ends, 1);
  }
}

TEST(HttpClient, IgnoresAHeaderNameWithABlankBeforeItsColon) {
  ScriptedHttpServer server;
  server.Enqueue(Script::Bytes(ResponseBytes(
      "HTTP/1.1 200 OK", {"Location : /elsewhere", "Content-Length : 0", "Content-Type : x/y"},
      "body")));
  auto h = ClientHarness::OnQtLoop();
  const FetchOutcome outcome = h->Fetch(server.Origin() + "/page.html");
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(h->body.bytes, "body");
  EXPECT_TRUE(h->locations.empty());
  EXPECT_EQ(h->client.ReplyContentLength(), -1);
  EXPECT_EQ(h->client.ReplyContentType(), "");
  EXPECT_EQ(h->client.ReplyHeaderLines().size(), 4u);
}

// A sink that checks every byte against the pattern the peer generates.
class PatternCheck : public DocumentStream {
 public:
  static char At(std::uint64_t i) { return static_cast<char>((i * 2654435761u) >> 13); }
  void Write(const char* data, std::size_t size) override {
    for (std::size_t i = 0; i < size; ++i) {
      if (data[i] != At(size_ + i) && first_mismatch_ < 0) first_mismatch_ = size_ + i;
    }
    size_ += size;
  }
  std::uint64_t size_ = 0;
  std::int64_t first_mismatch_ = -1;
};

TEST(HttpClient, ReceivesAHundredMegabyteBodyIntact) {
  constexpr std::uint64_t kSize = 100ull * 1024 * 1024;
  test::LoopbackPeer peer([](SocketHandle fd) {
    (void)test::LoopbackPeer::ReadSome(fd);
    test::LoopbackPeer::WriteAll(fd, "HTTP/1.0 200 OK\r\nContent-Type: application/x-test\r\n\r\n");
    std::string block(1 << 16, '\0');
    for (std::uint64_t at = 0; at < kSize; at += block.size()) {
      for (std::size_t i = 0; i < block.size(); ++i) block[i] = PatternCheck::At(at + i);
      if (!test::LoopbackPeer::WriteAll(fd, block)) return;
    }
  });
  auto h = ClientHarness::OnQtLoop();
  PatternCheck check;
  h->client.DocStream = &check;
  h->client.OnDocData = nullptr;
  const FetchOutcome outcome = h->Fetch("http://127.0.0.1:" + peer.Port() + "/big.bin", 60s);
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(check.size_, kSize);
  EXPECT_EQ(check.first_mismatch_, -1);
  EXPECT_EQ(h->client.DocByteCount(), static_cast<std::int32_t>(kSize));
}

}  // namespace
}  // namespace kasumido
