#include "site_server/site_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace kasumido::site {
namespace {

using Files = std::vector<std::string>;

TEST(SiteFileCandidates, NamesTheFileByPathThenDoubleUnderscoreAndQuery) {
  const struct {
    std::string target;
    Files files;
  } cases[] = {
      {"/a/b.php?x=1&y=2", {"a/b.php__x=1&y=2", "a/b.php"}},
      {"/a/b.html", {"a/b.html"}},
      {"/a/b.html?", {"a/b.html"}},
      {"/", {"index.html"}},
      {"/lnovel/", {"lnovel/index.html"}},
      {"/?x=1", {"__x=1", "index.html"}},
      {"/lnovel/bk_detail.php?pcd=978%2D4",
       {"lnovel/bk_detail.php__pcd=978%2D4", "lnovel/bk_detail.php"}},
      {"/a/b%2ehtml", {"a/b.html"}},
      {"/a%20b.html", {"a b.html"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SiteFileCandidates(c.target), c.files) << c.target;
  }
}

TEST(SiteFileCandidates, RefusesTargetsThatCouldLeaveTheRoot) {
  const std::string refused[] = {
      "/a/../b.html",
      "/..",
      "/a/%2e%2e/b.html",
      "//a.html",
      "/a//b.html",
      "/a/./b.html",
      "/a\\b.html",
      "/a%5cb.html",
      "/a%00b.html",
      "/a.php?x=/../y",
      "/a.php?x=a//b",
      "/a.php?x=\\y",
      "a/b.html",
      "",
      "/a%2",
      "/a%zz.html",
      "?x=1",
  };
  for (const std::string& target : refused) {
    EXPECT_EQ(SiteFileCandidates(target), Files()) << target;
  }
}

TEST(ContentTypeFor, ChoosesByTheServedFilesExtension) {
  const struct {
    std::string_view file;
    std::string_view type;
  } cases[] = {
      {"a/b.html", "text/html"},
      {"b.HTM", "text/html"},
      {"bk_detail.php", "text/html"},
      {"bk_detail.php__pcd=1", "text/html"},
      {"img/cover.jpg", "image/jpeg"},
      {"cover.JPEG", "image/jpeg"},
      {"s.gif", "image/gif"},
      {"s.png", "image/png"},
      {"x.css", "text/css"},
      {"x.js", "application/javascript"},
      {"x.txt", "text/plain"},
      {"dir.d/noextension", "text/html"},
      {"b.php__isbn=9.jpg", "image/jpeg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ContentTypeFor(c.file), c.type) << c.file;
  }
}

TEST(AnswerSiteRequest, ServesRegularFilesAndAnswersErrorsOtherwise) {
  test::ScratchDir root;
  root.Write("a/b.php__x=1&y=2", "query page");
  root.Write("a/b.php", "plain php");
  root.Write("img/c.jpg", std::string("\xff\xd8\x00jpeg", 7));
  std::filesystem::create_directories(root.Path() / "dir.html");
  const struct {
    std::string request;
    int status;
    std::string file;
    std::string tail;  // what the response ends with
  } cases[] = {
      {"GET /a/b.php?x=1&y=2 HTTP/1.0\r\n\r\n", 200, "a/b.php__x=1&y=2",
       "Content-Type: text/html\r\nContent-Length: 10\r\nConnection: close\r\n\r\nquery page"},
      {"GET /a/b.php?x=9 HTTP/1.0\r\n\r\n", 200, "a/b.php", "\r\n\r\nplain php"},
      {"GET http://site.example:8080/a/b.php?x=1&y=2 HTTP/1.0\r\n\r\n", 200, "a/b.php__x=1&y=2",
       "\r\n\r\nquery page"},
      {"GET /img/c.jpg HTTP/1.0\r\n\r\n", 200, "img/c.jpg",
       "Content-Type: image/jpeg\r\nContent-Length: 7\r\nConnection: close\r\n\r\n" +
           std::string("\xff\xd8\x00jpeg", 7)},
      {"HEAD /a/b.php HTTP/1.0\r\n\r\n", 200, "a/b.php",
       "Content-Length: 9\r\nConnection: close\r\n\r\n"},
      {"GET /missing.html HTTP/1.0\r\n\r\n", 404, "", "</html>\n"},
      {"GET /dir.html HTTP/1.0\r\n\r\n", 404, "", "</html>\n"},
      {"GET /a/../a/b.php HTTP/1.0\r\n\r\n", 404, "", "</html>\n"},
      {"POST /a/b.php HTTP/1.0\r\n\r\n", 405, "", "</html>\n"},
      {"GET /a/b.php HTTP/1.0\r\n", 400, "", "</html>\n"},
  };
  for (const auto& c : cases) {
    const SiteAnswer answer = AnswerSiteRequest(root.Path(), wire::ParseRequestHead(c.request));
    EXPECT_EQ(answer.status, c.status) << c.request;
    EXPECT_EQ(answer.file, c.file) << c.request;
    EXPECT_EQ(answer.response.rfind("HTTP/1.1 " + std::to_string(c.status) + " ", 0), 0u)
        << answer.response;
    ASSERT_GE(answer.response.size(), c.tail.size()) << c.request;
    EXPECT_EQ(answer.response.substr(answer.response.size() - c.tail.size()), c.tail) << c.request;
  }
}

TEST(ParseRequestHead, SplitsRequestLineAndHeaderLines) {
  const wire::RequestHead head = wire::ParseRequestHead(
      "GET http://Site.Example/x?y=1 HTTP/1.0\r\nAccept: */*\r\nhost:  site.example\r\n\r\nextra");
  EXPECT_TRUE(head.complete);
  EXPECT_EQ(head.request_line, "GET http://Site.Example/x?y=1 HTTP/1.0");
  EXPECT_EQ(head.method, "GET");
  EXPECT_EQ(head.target, "http://Site.Example/x?y=1");
  EXPECT_EQ(head.version, "HTTP/1.0");
  EXPECT_EQ(head.header_lines, (std::vector<std::string>{"Accept: */*", "host:  site.example"}));
  EXPECT_EQ(head.Header("HOST"), "site.example");
  EXPECT_EQ(head.Header("Cookie"), std::nullopt);
  EXPECT_TRUE(head.IsAbsoluteForm());
  EXPECT_EQ(head.OriginForm(), "/x?y=1");
  EXPECT_EQ(wire::ParseRequestHead("GET HTTP://h HTTP/1.0\n\n").OriginForm(), "/");
  EXPECT_EQ(wire::ParseRequestHead("GET http://h?q HTTP/1.0\n\n").OriginForm(), "/?q");
  const wire::RequestHead partial = wire::ParseRequestHead("GET /a HTTP/1.0\r\nHost: h\r\n");
  EXPECT_FALSE(partial.complete);
  EXPECT_EQ(partial.target, "/a");
}

}  // namespace
}  // namespace kasumido::site
