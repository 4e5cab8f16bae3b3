#include "support/real_peers.h"

#include <gtest/gtest.h>

#include <string>

#include "http/socket_error.h"
#include "support/loopback_peer.h"
#include "support/raw_client.h"
#include "support/scratch_dir.h"
#include "support/scripted_http_server.h"

namespace kasumido::test {
namespace {

using std::chrono::milliseconds;

std::string Get(std::uint16_t port, std::string_view target) {
  return RawExchange(port, "GET " + std::string(target) + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n")
      .bytes;
}

std::string StatusLine(std::string_view response) {
  return std::string(response.substr(0, response.find("\r\n")));
}

TEST(NginxPeer, ServesTheSiteNamingRelocationMissingAndLargeFiles) {
  ScratchDir root;
  root.Write("target.html", "target");
  root.Write("lnovel/kongetsu.html", "listing");
  root.Write("lnovel/bk_detail.php__pcd=42&x=1", "detail");
  const std::string large = PatternBytes(3 * 1024 * 1024 + 17);
  root.Write("large.bin", large);
  NginxPeer nginx(root.Path());
  const struct {
    std::string target;
    std::string status_line;
    std::string body;  // checked when not empty
  } cases[] = {
      {"/lnovel/kongetsu.html", "HTTP/1.1 200 OK", "listing"},
      {"/lnovel/bk_detail.php?pcd=42&x=1", "HTTP/1.1 200 OK", "detail"},
      {"/target.html", "HTTP/1.1 200 OK", "target"},
      {"/missing.html", "HTTP/1.1 404 Not Found", ""},
      {"/lnovel/../target.html", "HTTP/1.1 404 Not Found", ""},
      {"/large.bin", "HTTP/1.1 200 OK", large},
  };
  for (const auto& c : cases) {
    const std::string response = Get(nginx.Port(), c.target);
    EXPECT_EQ(StatusLine(response), c.status_line) << c.target << "\n" << nginx.ErrorLog();
    if (!c.body.empty()) {
      EXPECT_TRUE(ResponseBody(response) == c.body) << c.target;
    }
  }
  const std::string moved = Get(nginx.Port(), "/moved");
  EXPECT_EQ(StatusLine(moved), "HTTP/1.1 302 Moved Temporarily");
  EXPECT_NE(moved.find("\r\nLocation: /target.html\r\n"), std::string::npos) << moved;
  EXPECT_TRUE(nginx.WaitForAccessLog(
      "\"GET /large.bin HTTP/1.0\" 200 " + std::to_string(large.size()), milliseconds(5000)))
      << nginx.AccessLog();
}

TEST(NginxPeer, AnswersLikeTheSiteServerForTheSameFolder) {
  ScratchDir root;
  root.Write("index.html", "home");
  root.Write("__x=1", "home with query");
  root.Write("a/b.php__x=1&y=2", "query file");
  root.Write("a/b.php", "plain php");
  root.Write("a/c.jpg", "jpeg");
  root.Write("comic/index.html", "comic home");
  NginxPeer nginx(root.Path());
  ScriptedHttpServer site;
  site.ServeSite(root.Path());
  const std::string targets[] = {
      "/",
      "/?x=1",
      "/?x=2",
      "/a/b.php?x=1&y=2",
      "/a/b.php?y=2",
      "/a/b.php",
      "/a/c.jpg",
      "/comic/",
      "/comic",
      "/a/b%2ephp",
      "/a/none.html",
      "/a/../a/b.php",
      "/a/./b.php",
      "/a.php?x=..",
      "/a/b.php?x=a//b",
  };
  for (const std::string& target : targets) {
    const std::string from_nginx = Get(nginx.Port(), target);
    const std::string from_site = Get(site.Port(), target);
    EXPECT_EQ(StatusLine(from_nginx).substr(0, 12), StatusLine(from_site).substr(0, 12)) << target;
    const auto content_type = [](std::string_view response) {
      const std::size_t at = response.find("\r\nContent-Type: ");
      return std::string(response.substr(at, response.find("\r\n", at + 2) - at));
    };
    if (StatusLine(from_site).find(" 200 ") != std::string::npos) {
      EXPECT_EQ(ResponseBody(from_nginx), ResponseBody(from_site)) << target;
      EXPECT_EQ(content_type(from_nginx), content_type(from_site)) << target;
    }
  }
}

TEST(TinyproxyPeer, ForwardsAbsoluteFormRequestsToNginx) {
  ScratchDir root;
  root.Write("lnovel/kongetsu.html", "listing");
  NginxPeer nginx(root.Path());
  TinyproxyPeer proxy;
  const std::string response =
      RawExchange(proxy.Port(), "GET " + nginx.Origin() +
                                    "/lnovel/kongetsu.html HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n")
          .bytes;
  EXPECT_EQ(StatusLine(response), "HTTP/1.1 200 OK") << response << proxy.Log();
  EXPECT_EQ(ResponseBody(response), "listing");
  // nginx saw the request arrive through the proxy, with the proxy's Via header.
  EXPECT_TRUE(nginx.WaitForAccessLog("\"GET /lnovel/kongetsu.html HTTP/1.0\" 200 7 via=\"1.0 " +
                                         std::string(TinyproxyPeer::kViaName),
                                     milliseconds(5000)))
      << nginx.AccessLog();
  // A direct request carries no Via header.
  Get(nginx.Port(), "/lnovel/kongetsu.html");
  EXPECT_TRUE(nginx.WaitForAccessLog("200 7 via=\"-\"", milliseconds(5000))) << nginx.AccessLog();
}

TEST(NginxPeer, StopsItsProcessWhenDestroyed) {
  ScratchDir root;
  std::uint16_t nginx_port = 0;
  std::uint16_t proxy_port = 0;
  {
    NginxPeer nginx(root.Path());
    TinyproxyPeer proxy;
    nginx_port = nginx.Port();
    proxy_port = proxy.Port();
    EXPECT_EQ(StatusLine(Get(nginx_port, "/")), "HTTP/1.1 404 Not Found");
  }
  EXPECT_EQ(RawExchange(nginx_port, "GET / HTTP/1.0\r\n\r\n").error,
            socket_error::kConnectionRefused);
  EXPECT_EQ(RawExchange(proxy_port, "GET / HTTP/1.0\r\n\r\n").error,
            socket_error::kConnectionRefused);
}

}  // namespace
}  // namespace kasumido::test
