#include "http/http_header_line.h"

#include <gtest/gtest.h>

namespace kasumido {
namespace {

TEST(ParseStatusLine, ReadsCodeAndReasonByPosition) {
  struct Case {
    const char* line;
    std::optional<int> status;
    const char* reason;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK", 200, "OK"},
      {"HTTP/1.0 404 Not Found", 404, "Not Found"},
      {"HTTP/1.1 302", 302, ""},
      {"HTTP/1.1 2x0 OK", std::nullopt, ""},
      {"HTTP/1.1 -12 OK", std::nullopt, ""},
      {"HTTP/1.1", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_TRUE(IsStatusLine(c.line));
    const auto got = ParseStatusLine(c.line);
    ASSERT_EQ(got.has_value(), c.status.has_value());
    if (!got) continue;
    EXPECT_EQ(got->Status, *c.status);
    EXPECT_EQ(got->Reason, c.reason);
  }
  EXPECT_FALSE(IsStatusLine("HTTP/2 200 OK"));
  EXPECT_FALSE(IsStatusLine("http/1.1 200 OK"));
}

TEST(SplitHeaderField, LowerCasesTheNameAndSkipsLeadingSpacesOfTheValue) {
  struct Case {
    const char* line;
    const char* name;
    const char* value;
  };
  const Case cases[] = {
      {"Content-Type: Text/HTML ", "content-type", "Text/HTML "},
      {"Location:/a", "location", "/a"},
      {"Location : /a", "location ", "/a"},  // the blank stays in the name
      {"X: a: b", "x", "a: b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto field = SplitHeaderField(c.line);
    ASSERT_TRUE(field.has_value());
    EXPECT_EQ(field->Name, c.name);
    EXPECT_EQ(field->Value, c.value);
  }
  EXPECT_FALSE(SplitHeaderField("no colon here").has_value());
}

TEST(ParseContentLength, AcceptsTrimmedNumbersUpToItsLargest) {
  const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
      {"0", 0},
      {" 1234 ", 1234},
      {"+5", 5},
      {"-1", -1},
      {"2147483648", 2147483648},
      {"9007199254740992", kLargestContentLength},
      {"9007199254740993", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"12a", std::nullopt},
      {"1 2", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseContentLength(text), expected) << text;
}

}  // namespace
}  // namespace kasumido
