#include "http/url_split.h"

#include <gtest/gtest.h>

namespace kasumido {
namespace {

TEST(SplitUrl, CutsTheFormsTheClientMeets) {
  struct Case {
    const char* url;
    UrlParts expected;
  };
  auto parts = [](const char* scheme, const char* host, const char* port, const char* path) {
    UrlParts p;
    p.Scheme = scheme;
    p.Host = host;
    p.Port = port;
    p.Path = path;
    return p;
  };
  UrlParts with_user = parts("http", "h", "81", "/a");
  with_user.User = "u";
  with_user.Password = "p:w";
  with_user.HasUser = with_user.HasPassword = true;
  UrlParts user_alone = parts("http", "h", "", "");
  user_alone.User = "me@home";
  user_alone.HasUser = true;
  const Case cases[] = {
      {"http://www.example.test/lnovel/kongetsu.html",
       parts("http", "www.example.test", "", "/lnovel/kongetsu.html")},
      {"http://127.0.0.1:8080/a/b?q=1", parts("http", "127.0.0.1", "8080", "/a/b?q=1")},
      {"http://host", parts("http", "host", "", "")},
      {"http://host?x=/y", parts("http", "host", "", "?x=/y")},
      {"http://u:p:w@h:81/a", with_user},
      {"http://me@home@h", user_alone},
      // A proxy text: no scheme, all authority.
      {"proxy.example", parts("", "proxy.example", "", "")},
      {"proxy.example:3128", parts("", "proxy.example", "3128", "")},
      // A bare path: scheme "http", no host.
      {"/moved/here.html", parts("http", "", "", "/moved/here.html")},
      // Not a scheme (upper case): authority and path.
      {"HTTP://h/p", parts("", "HTTP", "", "//h/p")},
      {"svn+ssh://h/p", parts("svn+ssh", "h", "", "/p")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const UrlParts got = SplitUrl(c.url);
    EXPECT_EQ(got.Scheme, c.expected.Scheme);
    EXPECT_EQ(got.Host, c.expected.Host);
    EXPECT_EQ(got.Port, c.expected.Port);
    EXPECT_EQ(got.Path, c.expected.Path);
    EXPECT_EQ(got.User, c.expected.User);
    EXPECT_EQ(got.Password, c.expected.Password);
    EXPECT_EQ(got.HasUser, c.expected.HasUser);
    EXPECT_EQ(got.HasPassword, c.expected.HasPassword);
  }
}

}  // namespace
}  // namespace kasumido
