// The client against real peers: nginx as the site, tinyproxy as an HTTP proxy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "http/http_client.h"
#include "http_client_harness.h"
#include "support/loopback_peer.h"
#include "support/real_peers.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::ClientHarness;
using test::FetchOutcome;

class HttpClientPeers : public testing::Test {
 protected:
  void SetUp() override {
    // Nothing here may go anywhere but the peers started by the test.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
      ::unsetenv(name);
    }
    root_.Write("target.html", target_);
    root_.Write("lnovel/kongetsu.html", "listing");
    root_.Write("large.bin", large_);
  }

  test::ScratchDir root_;
  const std::string target_ = "target page";
  const std::string large_ = test::PatternBytes(5 * 1024 * 1024 + 3);
};

TEST_F(HttpClientPeers, FollowsARealRelocationAndReportsAMissingPage) {
  test::NginxPeer nginx(root_.Path());
  auto h = ClientHarness::OnQtLoop();
  struct Case {
    std::string path;
    bool raised;
    int status;
    std::string reason;
    std::string body;  // checked when the fetch returns
  };
  const Case cases[] = {
      {"/moved", false, 200, "OK", "target page"},
      {"/missing.html", true, 404, "Not Found", ""},
      {"/large.bin", false, 200, "OK", large_},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    h->body.bytes.clear();
    h->locations.clear();
    const FetchOutcome outcome = h->Fetch(nginx.Origin() + c.path);
    EXPECT_EQ(outcome.raised, c.raised) << outcome.message << nginx.ErrorLog();
    EXPECT_EQ(h->client.ReplyStatus(), c.status);
    EXPECT_EQ(h->client.ReplyReason(), c.reason);
    if (!c.raised) {
      EXPECT_TRUE(h->body.bytes == c.body);
      EXPECT_EQ(h->client.DocByteCount(), static_cast<std::int32_t>(c.body.size()));
    }
  }
  // The real 302 carried a "/"-rooted Location, followed on a second connection.
  EXPECT_TRUE(nginx.WaitForAccessLog("\"GET /moved HTTP/1.0\" 302", 5s)) << nginx.AccessLog();
  EXPECT_TRUE(nginx.WaitForAccessLog("\"GET /target.html HTTP/1.0\" 200 11", 5s))
      << nginx.AccessLog();
}

TEST_F(HttpClientPeers, EndsAReplyAtItsContentLengthWhileNginxKeepsTheConnection) {
  test::NginxPeer nginx(root_.Path());
  auto h = ClientHarness::OnQtLoop();
  // Asked for it, nginx keeps the connection open after each reply (for 75 s).
  h->client.OnBeforeHeaderSend = [](const std::string&, std::vector<std::string>& lines) {
    lines.push_back("Connection: keep-alive");
  };
  const std::pair<const char*, const std::string&> cases[] = {{"/target.html", target_},
                                                              {"/large.bin", large_}};
  for (const auto& [path, body] : cases) {
    h->body.bytes.clear();
    const FetchOutcome outcome = h->Fetch(nginx.Origin() + path, 3s);
    EXPECT_FALSE(h->watchdog_fired) << path << " waited for the server's close";
    EXPECT_FALSE(outcome.raised) << outcome.message;
    EXPECT_TRUE(h->body.bytes == body) << path;
    const std::vector<std::string>& header = h->client.ReplyHeaderLines();
    EXPECT_NE(std::find(header.begin(), header.end(), "Connection: keep-alive"), header.end())
        << path;
  }
}

TEST_F(HttpClientPeers, ReadsWhatHasPiledUpOfABodyAtOnce) {
  test::NginxPeer nginx(root_.Path());
  auto h = ClientHarness::OnQtLoop();
  // The body piles up in the socket while the header's handler keeps the client busy.
  h->client.OnHeaderEnd = [] { std::this_thread::sleep_for(300ms); };
  std::size_t largest = 0;
  h->on_doc_data = [&](const char*, std::size_t size) { largest = std::max(largest, size); };
  const FetchOutcome outcome = h->Fetch(nginx.Origin() + "/large.bin", 10s);
  ASSERT_FALSE(outcome.raised) << outcome.message;
  EXPECT_TRUE(h->body.bytes == large_);
  EXPECT_GT(largest, 32u * 1024);
}

TEST_F(HttpClientPeers, FetchesThroughARealProxy) {
  test::NginxPeer nginx(root_.Path());
  test::TinyproxyPeer proxy;
  auto h = ClientHarness::OnQtLoop();
  h->client.Proxy = "127.0.0.1";
  h->client.ProxyPort = std::to_string(proxy.Port());
  FetchOutcome outcome = h->Fetch(nginx.Origin() + "/lnovel/kongetsu.html");
  EXPECT_FALSE(outcome.raised) << outcome.message << proxy.Log();
  EXPECT_EQ(h->body.bytes, "listing");
  // nginx saw the request arrive through the proxy.
  EXPECT_TRUE(nginx.WaitForAccessLog("\"GET /lnovel/kongetsu.html HTTP/1.0\" 200 7 via=\"1.0 " +
                                         std::string(test::TinyproxyPeer::kViaName),
                                     5s))
      << nginx.AccessLog();
  h->body.bytes.clear();
  outcome = h->Fetch(nginx.Origin() + "/moved");
  EXPECT_FALSE(outcome.raised) << outcome.message << proxy.Log();
  EXPECT_EQ(h->body.bytes, "target page");
  EXPECT_TRUE(nginx.WaitForAccessLog("\"GET /target.html HTTP/1.0\" 200 11 via=\"1.0 " +
                                         std::string(test::TinyproxyPeer::kViaName),
                                     5s))
      << nginx.AccessLog();
}

}  // namespace
}  // namespace kasumido
