// What a busy server asks of its clients: a reply with status 429 (Too Many Requests) or
// 503 (Service Unavailable) may say in "Retry-After" how long to wait before asking
// again, as delta-seconds ("120") or as an HTTP date. Pure functions over a reply's
// header lines, without their line ends (THttpClient::ReplyHeaderLines).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kasumido {

using SystemTime = std::chrono::system_clock::time_point;
using Seconds = std::chrono::seconds;
// Whole seconds of the system clock: every date of years 0 to 9999 fits.
using SystemSeconds = std::chrono::sys_seconds;

// The wait when a 429 or 503 reply names none (or none that reads), and the longest
// wait taken whatever the reply asks.
inline constexpr Seconds kBackOffWhenUnsaid{5};
inline constexpr Seconds kLongestBackOff{120};

// An HTTP date in any of its three forms ("Sun, 06 Nov 1994 08:49:37 GMT", "Sunday,
// 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994"), always UTC; a two-digit year
// below 70 is 20xx. Nothing when the text is not one of them or names no valid time.
std::optional<SystemSeconds> ParseHttpDate(std::string_view text);

// The wait that a Retry-After value asks for: delta-seconds as written (blanks around
// them allowed), or an HTTP date less `now`, 0 when that date has passed. Nothing for
// any other text.
std::optional<Seconds> RetryAfterDelay(std::string_view value, SystemTime now);

// The wait before the next request that a reply with `status` and `header_lines` calls
// for: nothing unless the status is 429 or 503; then the first Retry-After field (an
// HTTP date counted from the reply's own Date field when it has one that reads, else
// from `now`, so that a skewed local clock does not matter), kBackOffWhenUnsaid when
// there is none that reads, and never more than kLongestBackOff.
std::optional<Seconds> ServerBackOff(int status, const std::vector<std::string>& header_lines,
                                     SystemTime now);

}  // namespace kasumido
