#include "http/proxy_discovery.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace kasumido {
namespace {

// Sets or unsets the two proxy variables for one test and restores them afterwards.
class ProxyEnvironment {
 public:
  ProxyEnvironment() : lower_(Get("http_proxy")), upper_(Get("HTTP_PROXY")) {}
  ~ProxyEnvironment() {
    Set("http_proxy", lower_);
    Set("HTTP_PROXY", upper_);
  }
  static void Set(const char* name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }

 private:
  static std::optional<std::string> Get(const char* name) {
    const char* value = ::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }
  std::optional<std::string> lower_;
  std::optional<std::string> upper_;
};

struct Expected {
  bool enabled;
  std::string host;
  std::string port;
};

void ExpectSettings(const IeProxySettings& settings, const Expected& expected,
                    const std::string& context) {
  EXPECT_EQ(settings.Enabled, expected.enabled) << context;
  EXPECT_EQ(settings.ProxyHost, expected.host) << context;
  EXPECT_EQ(settings.ProxyPortText, expected.port) << context;
}

TEST(ReadIeProxy, TakesHttpProxyThenHTTP_PROXYAsTheSystemProxy) {
  const std::optional<std::string> unset;
  const struct {
    std::optional<std::string> lower;
    std::optional<std::string> upper;
    Expected expected;
  } cases[] = {
      {"http://low.example:3128", "http://up.example:8080", {true, "low.example", "3128"}},
      {unset, "up.example:8080", {true, "up.example", "8080"}},
      {"", "up.example:8080", {true, "up.example", "8080"}},
      {"", unset, {false, "", ""}},
      {unset, "", {false, "", ""}},
      {unset, unset, {false, "", ""}},
      {"http://user:pw@proxy.example:3128/", unset, {true, "proxy.example", "3128"}},
      {"proxy.example:8080", unset, {true, "proxy.example", "8080"}},
      {"http://proxy.example", unset, {true, "proxy.example", "80"}},
      {"http://proxy.example:/", unset, {true, "proxy.example", "80"}},
      {"HTTP://Proxy.Example:81/path?x=1", unset, {true, "Proxy.Example", "81"}},
      {"user@proxy.example", unset, {true, "proxy.example", "80"}},
      // A proxy that does not speak plain HTTP, or names no host: direct.
      {"socks5://proxy.example:1080", unset, {false, "", ""}},
      {"https://proxy.example:443", unset, {false, "", ""}},
      {"http://:3128", unset, {false, "", ""}},
  };
  for (const auto& c : cases) {
    ProxyEnvironment restore;
    ProxyEnvironment::Set("http_proxy", c.lower);
    ProxyEnvironment::Set("HTTP_PROXY", c.upper);
    IeProxySettings settings{true, "old.example", "1"};
    ReadIeProxy(settings);
    ExpectSettings(settings, c.expected,
                   c.lower.value_or("(unset)") + " / " + c.upper.value_or("(unset)"));
  }
}

TEST(ParseProxyServer, TakesTheHttpEntryAndSplitsHostAndPortAtTheFirstColon) {
  const struct {
    bool enabled;
    std::string server;
    Expected expected;
  } cases[] = {
      {true, "proxy.example:8080", {true, "proxy.example", "8080"}},
      {true,
       "ftp=ftp.example:21;http=web.example:8080;https=sec.example:443",
       {true, "web.example", "8080"}},
      {true, "FTP=f.example:21;HTTP=Web.Example:3128", {true, "Web.Example", "3128"}},
      {true, "hTtP=Mixed.Case:1;", {true, "Mixed.Case", "1"}},
      {true, "host:80:90", {true, "host", "80:90"}},
      {true, "10.0.0.1:3128", {true, "10.0.0.1", "3128"}},
      // No colon, switched off, or an empty host or port: no proxy.
      {true, "proxy.example", {false, "", ""}},
      {true, "http=proxy.example;ftp=f.example:21", {false, "", ""}},
      {false, "proxy.example:8080", {false, "", ""}},
      {false, "http=web.example:8080", {false, "", ""}},
      {true, "", {false, "", ""}},
      {true, "http=;ftp=f.example:21", {false, "", ""}},
      {true, ":8080", {false, "", ""}},
      {true, "proxy.example:", {false, "", ""}},
      // A per-protocol list without an HTTP entry names no proxy for the fetches.
      {true, "ftp=ftp.example:21;https=sec.example:443", {false, "", ""}},
      {true, "socks=s.example:1080", {false, "", ""}},
  };
  for (const auto& c : cases) {
    IeProxySettings settings{true, "old.example", "1"};
    ParseProxyServer(c.enabled, c.server, settings);
    ExpectSettings(settings, c.expected, c.server);
  }
}

}  // namespace
}  // namespace kasumido
