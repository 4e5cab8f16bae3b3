// The client over TLS against real peers: nginx with the test authority's certificates,
// tinyproxy's tunnels and the project's own TLS peer (tests/support/tls_peers.sh). The
// same cases run on Linux (OpenSSL) and under Wine (Schannel): the refused certificates
// are the guard against a client that stops checking them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "http/http_client.h"
#include "http/http_client_harness.h"
#include "http/http_client_texts.h"
#include "support/child_process.h"
#include "support/scratch_dir.h"
#include "support/tls_peers.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::ClientHarness;
using test::FetchOutcome;

class TlsClient : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    peers_ = new test::TlsPeers();
    test::TrustTestAuthority(peers_->Authority());
  }
  static void TearDownTestSuite() {
    delete peers_;
    peers_ = nullptr;
  }

  std::string Url(const std::string& peer, const std::string& path) const {
    return peers_->Origin(peer) + path;
  }
  std::string Document(const std::string& name) const {
    std::ifstream in(peers_->Folder() / "root" / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  static test::TlsPeers* peers_;
  std::unique_ptr<ClientHarness> h_ = ClientHarness::OnQtLoop();
};

test::TlsPeers* TlsClient::peers_ = nullptr;

TEST_F(TlsClient, FetchesOverVerifiedTlsAndTellsTheSession) {
  const std::pair<const char*, const char*> cases[] = {
      {"good", "/target.html"},
      {"good", "/large.bin"},
      // Another host's certificate unless the client names localhost in its hello.
      {"sni", "/target.html"},
  };
  for (const auto& [peer, path] : cases) {
    SCOPED_TRACE(std::string(peer) + path);
    h_->body.bytes.clear();
    const FetchOutcome outcome = h_->Fetch(Url(peer, path), 10s);
    ASSERT_FALSE(outcome.raised) << outcome.message;
    EXPECT_EQ(h_->client.ReplyStatus(), 200);
    EXPECT_TRUE(h_->body.bytes == Document(path + 1));
    const TlsSessionInfo* session = h_->client.Security();
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->Version.rfind("TLSv1.", 0), 0u) << session->Version;
    EXPECT_FALSE(session->Cipher.empty());
    EXPECT_NE(session->Subject.find("localhost"), std::string::npos) << session->Subject;
    EXPECT_NE(session->Issuer.find("kasumido test CA"), std::string::npos) << session->Issuer;
    EXPECT_FALSE(session->ValidFrom.empty());
    EXPECT_FALSE(session->ValidUntil.empty());
    EXPECT_EQ(session->Verification, "ok");
  }
  h_->Fetch(Url("plain", "/target.html"));
  EXPECT_EQ(h_->client.Security(), nullptr);
}

TEST_F(TlsClient, ReadsWhatHasPiledUpOfABodyAtOnce) {
  // The body piles up in the socket while the header's handler keeps the client busy;
  // it then reaches the file in writes of many TLS records (16 KB each).
  h_->client.OnHeaderEnd = [] { std::this_thread::sleep_for(300ms); };
  std::size_t largest = 0;
  h_->on_doc_data = [&](const char*, std::size_t size) { largest = std::max(largest, size); };
  const FetchOutcome outcome = h_->Fetch(Url("good", "/large.bin"), 10s);
  ASSERT_FALSE(outcome.raised) << outcome.message;
  EXPECT_TRUE(h_->body.bytes == Document("large.bin"));
  EXPECT_GT(largest, 32u * 1024);
}

TEST_F(TlsClient, RefusesWhatItCannotTrustAndSaysWhyInPlainWords) {
  const std::pair<const char*, const char*> cases[] = {
      {"other", "certificate for another host"},
      {"expired", "certificate expired"},
      {"future", "certificate not yet valid"},
      {"forged", "certificate not trusted"},
      {"self", "certificate not trusted"},
      {"old", "TLS handshake failed: protocol version"},
      {"cipher", "TLS handshake failed: no common cipher"},
      {"closing", "TLS handshake failed: the server closed the connection"},
  };
  for (const auto& [peer, reason] : cases) {
    SCOPED_TRACE(peer);
    h_->body.bytes.clear();
    const FetchOutcome outcome = h_->Fetch(Url(peer, "/target.html"));
    EXPECT_TRUE(outcome.raised);
    EXPECT_EQ(outcome.code, 404);
    EXPECT_EQ(outcome.message.rfind(reason, 0), 0u) << outcome.message;
    EXPECT_TRUE(h_->client.LocalFailure());
    EXPECT_FALSE(h_->watchdog_fired);
    EXPECT_TRUE(h_->body.bytes.empty()) << "nothing from an untrusted server is kept";
  }
}

TEST_F(TlsClient, JudgesTheEndOfABodyAsOnPlainHttp) {
  struct Case {
    const char* path;
    bool raised;
    std::string reason;
    std::size_t bytes;
  };
  const Case cases[] = {
      {"/cut", true, "the body ended after 400 of 1000 bytes", 400},
      // Without a length only TLS's closing alert tells a whole body from a cut one.
      {"/no-alert", true, http_text::kClosedWithoutAlert, 300},
      {"/clean", false, "OK", 300},
      {"/bad-record", true, "TLS record error", 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    h_->body.bytes.clear();
    const FetchOutcome outcome = h_->Fetch(Url("own", c.path));
    EXPECT_EQ(outcome.raised, c.raised) << outcome.message;
    EXPECT_EQ(h_->client.ReplyReason().rfind(c.reason, 0), 0u) << h_->client.ReplyReason();
    EXPECT_EQ(h_->body.bytes.size(), c.bytes);
    EXPECT_FALSE(h_->watchdog_fired);
  }
  // A server that keeps the connection open after a body of known length.
  h_->client.OnBeforeHeaderSend = [](const std::string&, std::vector<std::string>& lines) {
    lines.push_back("Connection: keep-alive");
  };
  h_->body.bytes.clear();
  const FetchOutcome kept_open = h_->Fetch(Url("good", "/target.html"), 3s);
  EXPECT_FALSE(kept_open.raised) << kept_open.message;
  EXPECT_FALSE(h_->watchdog_fired) << "waited for the server's close";
  EXPECT_EQ(h_->body.bytes, "target page");
}

TEST_F(TlsClient, EndsAStalledHandshakeAtOnceOnAbortOrAtTheDeadline) {
  const auto start = std::chrono::steady_clock::now();
  FetchOutcome outcome = h_->Fetch(Url("stall", "/target.html"), 500ms);
  EXPECT_TRUE(h_->watchdog_fired);
  EXPECT_EQ(outcome.message, http_text::kAborted);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  h_->client.Deadline = 300ms;
  outcome = h_->Fetch(Url("stall", "/target.html"), 5s);
  EXPECT_FALSE(h_->watchdog_fired);
  EXPECT_EQ(outcome.message, "took longer than 300 ms");
}

TEST_F(TlsClient, FollowsRelocationsBetweenTheSchemes) {
  const std::pair<std::string, std::string> cases[] = {
      {Url("plain", "/to-https"), Url("good", "/target.html")},
      {Url("good", "/to-http"), Url("plain", "/target.html")},
      {Url("good", "/moved"), Url("good", "/target.html")},
  };
  for (const auto& [url, location] : cases) {
    SCOPED_TRACE(url);
    h_->body.bytes.clear();
    h_->locations.clear();
    const FetchOutcome outcome = h_->Fetch(url);
    EXPECT_FALSE(outcome.raised) << outcome.message;
    EXPECT_EQ(h_->body.bytes, "target page");
    EXPECT_EQ(h_->locations, std::vector<std::string>{location});
  }
}

TEST_F(TlsClient, GoesThroughAProxysTunnelOrFailsWithItsRefusal) {
  h_->client.Proxy = "127.0.0.1";
  h_->client.ProxyPort = std::to_string(peers_->Port("proxy"));
  FetchOutcome outcome = h_->Fetch(Url("good", "/target.html"));
  EXPECT_FALSE(outcome.raised) << outcome.message;
  EXPECT_EQ(h_->body.bytes, "target page");
  ASSERT_NE(h_->client.Security(), nullptr);
  EXPECT_NE(
      peers_->Log("proxy.log").find("CONNECT localhost:" + std::to_string(peers_->Port("good"))),
      std::string::npos)
      << peers_->Log("proxy.log");
  // Through the tunnel too, the certificate is checked at its far end.
  outcome = h_->Fetch(Url("other", "/target.html"));
  EXPECT_EQ(outcome.message.rfind("certificate for another host", 0), 0u) << outcome.message;

  h_->client.ProxyPort = std::to_string(peers_->Port("refusing"));
  outcome = h_->Fetch(Url("good", "/target.html"));
  EXPECT_TRUE(outcome.raised);
  EXPECT_EQ(outcome.code, 403);
  EXPECT_EQ(outcome.message.rfind("the proxy refused the tunnel: 403 ", 0), 0u) << outcome.message;
}

// kasumido-fetch shows the session, and the certificate also when it is refused.
TEST_F(TlsClient, TheFetchToolPrintsTheSessionAndTheVerification) {
#ifdef _WIN32
  const std::string tool = std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-fetch.exe";
#else
  const std::string tool = std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-fetch";
#endif
  struct Case {
    const char* peer;
    int exit_code;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"good",
       0,
       {"tls: TLSv1.", "certificate: ", "localhost", "issuer: ", "kasumido test CA",
        "valid: ", " to ", "verification: ok", "status: 200 OK", "bytes: 11"}},
      {"self",
       1,
       {"certificate: ", "localhost", "issuer: ", "localhost",
        "verification: ", "status: 404 certificate not trusted"}},
      {"other",
       1,
       {"certificate: ", "other.kasumido.example", "issuer: ", "kasumido test CA",
        "verification: ", "status: 404 certificate for another host"}},
  };
  test::ScratchDir scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.peer);
    test::ChildProcess process(tool, {Url(c.peer, "/target.html"), scratch.File("page.html")},
                               scratch.Path() / "output.txt");
    EXPECT_EQ(process.Wait(30s), c.exit_code);
    const std::string output = process.Output();
    std::size_t at = 0;
    for (const std::string& line : c.lines) {
      at = output.find(line, at);
      ASSERT_NE(at, std::string::npos) << "no \"" << line << "\" in order in:\n" << output;
    }
  }
}

}  // namespace
}  // namespace kasumido
