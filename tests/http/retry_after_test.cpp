#include "http/retry_after.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kasumido {
namespace {

using std::chrono::seconds;

// 2026-12-08 09:00:00 UTC.
const SystemTime kNow =
    std::chrono::sys_days{std::chrono::year{2026} / 12 / 8} + std::chrono::hours{9};

TEST(ServerBackOff, TakesRetryAfterOf429And503WithinItsLimits) {
  const struct {
    const char* what;
    int status;
    std::vector<std::string> lines;
    std::optional<seconds> wait;
  } cases[] = {
      {"delta-seconds", 429, {"HTTP/1.1 429 Too Many Requests", "Retry-After: 7"}, seconds(7)},
      {"none sent", 503, {"HTTP/1.1 503 Service Unavailable"}, seconds(5)},
      {"unreadable", 429, {"Retry-After: soon"}, seconds(5)},
      {"negative", 429, {"Retry-After: -3"}, seconds(5)},
      {"zero, blanks around", 503, {"retry-after:  0 \t"}, seconds(0)},
      {"beyond the limit", 429, {"Retry-After: 600"}, seconds(120)},
      {"more digits than any clock", 429, {"Retry-After: 99999999999999999999999"}, seconds(120)},
      {"first field counts", 429, {"Retry-After: 3", "Retry-After: 9"}, seconds(3)},
      {"date against the reply's Date",
       429,
       {"Date: Mon, 01 Jan 2024 00:00:00 GMT", "Retry-After: Mon, 01 Jan 2024 00:00:09 GMT"},
       seconds(9)},
      {"date against the local clock",
       503,
       {"Retry-After: Tue, 08 Dec 2026 09:00:30 GMT"},
       seconds(30)},
      {"RFC 850 date", 503, {"Retry-After: Tuesday, 08-Dec-26 09:01:00 GMT"}, seconds(60)},
      {"asctime date", 503, {"Retry-After: Tue Dec  8 09:00:11 2026"}, seconds(11)},
      {"date passed", 429, {"Retry-After: Tue, 08 Dec 2026 08:00:00 GMT"}, seconds(0)},
      {"impossible date", 429, {"Retry-After: Sun, 31 Feb 2026 00:00:00 GMT"}, seconds(5)},
      {"centuries ahead", 429, {"Retry-After: Tue, 08 Dec 2326 09:00:09 GMT"}, seconds(120)},
      {"reply dated centuries back",
       503,
       {"Date: Mon, 01 Jan 0001 00:00:00 GMT", "Retry-After: Fri, 31 Dec 9999 23:59:59 GMT"},
       seconds(120)},
      {"other error", 500, {"Retry-After: 7"}, std::nullopt},
      {"success", 200, {"Retry-After: 7"}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ServerBackOff(c.status, c.lines, kNow), c.wait) << c.what;
  }
}

}  // namespace
}  // namespace kasumido
