#include "site_server/hostile_answers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "http/socket_error.h"
#include "support/raw_client.h"
#include "support/scripted_http_server.h"

namespace kasumido::test {
namespace {

using std::chrono::milliseconds;
using wire::HostileMode;
using Kind = HostileMode::Kind;

TEST(HostileAnswers, ReadsEachModeAndRefusesAnythingElse) {
  const struct {
    std::string text;
    std::optional<Kind> kind;
    std::int64_t amount;
  } cases[] = {
      {"cut:40", Kind::kCut, 40},
      {"reset:0", Kind::kReset, 0},
      {"trickle:2000", Kind::kTrickle, 2000},
      {"keepalive", Kind::kKeepAlive, 0},
      {"flood", Kind::kFlood, 0},
      {"huge:300", Kind::kHuge, 300},
      {"endless:5", Kind::kEndless, 5},
      {"loop", Kind::kLoop, 0},
      {"429:2", Kind::k429, 2},
      {"cut", std::nullopt, 0},
      {"cut:", std::nullopt, 0},
      {"cut:-1", std::nullopt, 0},
      {"cut:4x", std::nullopt, 0},
      {"loop:1", std::nullopt, 0},
      {"Flood", std::nullopt, 0},
      {"", std::nullopt, 0},
  };
  for (const auto& c : cases) {
    const std::optional<HostileMode> mode = wire::ParseHostileMode(c.text);
    ASSERT_EQ(mode.has_value(), c.kind.has_value()) << c.text;
    if (!mode) continue;
    EXPECT_EQ(mode->kind, *c.kind) << c.text;
    EXPECT_EQ(mode->amount, c.amount) << c.text;
  }
}

TEST(HostileAnswers, DistortTheRealAnswerAsTheirModeSays) {
  const std::string header = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n";
  const std::string real = header + "0123456789";
  const auto flood_line = LongHeaderLine(98) + "\r\n";
  const struct {
    std::string mode;
    std::string target;
    std::string bytes;  // received up to the close, or up to the first 3000 bytes
    bool peer_closed;
    int error;
  } cases[] = {
      {"cut:40", "/p.html", header + "0123", true, 0},
      {"cut:100", "/p.html", real, true, 0},
      {"reset:50", "/p.html", header + "01234", false, socket_error::kConnectionReset},
      {"trickle:1", "/p.html", real, true, 0},
      {"keepalive", "/p.html", real, false, 0},
      {"huge:1", "/c.jpg",
       "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: 1048576\r\n\r\n", true, 0},
      {"endless:1", "/p.html", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", true, 0},
      {"flood", "/p.html", "HTTP/1.1 200 OK\r\n" + flood_line + flood_line, false, 0},
      {"loop", "/d.php?pcd=1",
       ResponseBytes("HTTP/1.1 302 Found", {"Location: /d.php?pcd=1", "Content-Type: text/html"},
                     "<html><body>moved</body></html>\n"),
       true, 0},
      {"429:7", "/p.html",
       "HTTP/1.1 429 Too Many Requests\r\nRetry-After: 7\r\nContent-Type: text/html\r\n"
       "Content-Length: 0\r\n\r\n",
       true, 0},
  };
  for (const auto& c : cases) {
    ScriptedHttpServer server;
    const std::optional<HostileMode> mode = wire::ParseHostileMode(c.mode);
    ASSERT_TRUE(mode) << c.mode;
    server.Enqueue(wire::HostileScript(*mode, c.target, real));
    const RawResponse response =
        RawExchange(server.Port(), "GET " + c.target + " HTTP/1.0\r\n\r\n", milliseconds(300),
                    c.mode == "flood" ? 100000 : SIZE_MAX);
    EXPECT_EQ(response.bytes.substr(0, c.bytes.size()), c.bytes) << c.mode;
    if (c.mode == "huge:1" || c.mode == "endless:1") {
      EXPECT_EQ(response.bytes.size(), c.bytes.size() + 1048576) << c.mode;
      EXPECT_EQ(response.bytes.substr(c.bytes.size(), 19), "<p>a long page</p>\n") << c.mode;
    } else if (c.mode == "flood") {
      // Header lines without end, as long as the client reads.
      EXPECT_GE(response.bytes.size(), 100000u);
      EXPECT_EQ(response.bytes.find("\r\n\r\n"), std::string::npos);
    } else {
      EXPECT_EQ(response.bytes.size(), c.bytes.size()) << c.mode;
    }
    EXPECT_EQ(response.peer_closed, c.peer_closed) << c.mode;
    EXPECT_EQ(response.error, c.error) << c.mode;
  }
}

}  // namespace
}  // namespace kasumido::test
