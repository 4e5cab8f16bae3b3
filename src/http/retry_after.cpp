#include "http/retry_after.h"

#include <algorithm>
#include <array>

#include "http/http_header_line.h"

namespace kasumido {
namespace {

constexpr int kTooManyRequests = 429;
constexpr int kServiceUnavailable = 503;
// Delta-seconds beyond this are cut here before the longest wait applies, so that no
// number of digits overflows.
constexpr long long kLongestDelta = 1'000'000'000;

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A run of 1 to `max_digits` decimal digits, as a number; nothing for anything else.
std::optional<int> SmallNumber(std::string_view text, size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The words of a date: cut at blanks, "," and "-".
std::vector<std::string_view> DateWords(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    const size_t end = text.find_first_of(" ,-", i);
    const size_t stop = end == std::string_view::npos ? text.size() : end;
    if (stop > i) words.push_back(text.substr(i, stop - i));
    i = stop + 1;
  }
  return words;
}

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

std::optional<TimeOfDay> ParseTimeOfDay(std::string_view text) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
  const auto hour = SmallNumber(text.substr(0, 2), 2);
  const auto minute = SmallNumber(text.substr(3, 2), 2);
  const auto second = SmallNumber(text.substr(6, 2), 2);
  if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 60) {
    return std::nullopt;
  }
  return TimeOfDay{*hour, *minute, *second};
}

std::optional<unsigned> MonthNumber(std::string_view word) {
  for (size_t i = 0; i < kMonths.size(); ++i) {
    if (word == kMonths[i]) return static_cast<unsigned>(i + 1);
  }
  return std::nullopt;
}

std::optional<SystemSeconds> DateOf(int year, unsigned month, int day, const TimeOfDay& time) {
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;
  return std::chrono::sys_days{date} + std::chrono::hours{time.hour} +
         std::chrono::minutes{time.minute} + Seconds{time.second};
}

std::optional<Seconds> DelayFrom(std::string_view value, SystemSeconds from);

}  // namespace

std::optional<SystemSeconds> ParseHttpDate(std::string_view text) {
  const std::vector<std::string_view> words = DateWords(text);
  // IMF-fixdate and RFC 850: day-name, day, month, year, time, "GMT".
  if (words.size() == 6 && words[5] == "GMT") {
    const auto day = SmallNumber(words[1], 2);
    const auto month = MonthNumber(words[2]);
    const auto time = ParseTimeOfDay(words[4]);
    std::optional<int> year = SmallNumber(words[3], 4);
    if (year && words[3].size() == 2) *year += *year < 70 ? 2000 : 1900;
    if (!day || !month || !time || !year || (words[3].size() != 2 && words[3].size() != 4)) {
      return std::nullopt;
    }
    return DateOf(*year, *month, *day, *time);
  }
  // asctime: day-name, month, day, time, year.
  if (words.size() == 5) {
    const auto month = MonthNumber(words[1]);
    const auto day = SmallNumber(words[2], 2);
    const auto time = ParseTimeOfDay(words[3]);
    const auto year = words[4].size() == 4 ? SmallNumber(words[4], 4) : std::nullopt;
    if (!day || !month || !time || !year) return std::nullopt;
    return DateOf(*year, *month, *day, *time);
  }
  return std::nullopt;
}

namespace {

// The wait of a Retry-After value, an HTTP date counted from `from`.
std::optional<Seconds> DelayFrom(std::string_view value, SystemSeconds from) {
  const size_t begin = value.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return std::nullopt;
  const std::string_view trimmed = value.substr(begin, value.find_last_not_of(" \t") + 1 - begin);
  if (std::all_of(trimmed.begin(), trimmed.end(), IsDigit)) {
    long long seconds = 0;
    for (const char c : trimmed) seconds = std::min(seconds * 10 + (c - '0'), kLongestDelta);
    return Seconds{seconds};
  }
  const std::optional<SystemSeconds> date = ParseHttpDate(trimmed);
  if (!date) return std::nullopt;
  if (*date <= from) return Seconds{0};
  return *date - from;
}

}  // namespace

std::optional<Seconds> RetryAfterDelay(std::string_view value, SystemTime now) {
  return DelayFrom(value, std::chrono::floor<Seconds>(now));
}

std::optional<Seconds> ServerBackOff(int status, const std::vector<std::string>& header_lines,
                                     SystemTime now) {
  if (status != kTooManyRequests && status != kServiceUnavailable) return std::nullopt;
  std::optional<std::string_view> retry_after;
  SystemSeconds reference = std::chrono::floor<Seconds>(now);
  bool dated = false;
  for (const std::string& line : header_lines) {
    const std::optional<HeaderField> field = SplitHeaderField(line);
    if (!field) continue;
    if (field->Name == "retry-after" && !retry_after) retry_after = field->Value;
    if (field->Name == "date" && !dated) {
      dated = true;
      if (const auto date = ParseHttpDate(field->Value)) reference = *date;
    }
  }
  const std::optional<Seconds> asked =
      retry_after ? DelayFrom(*retry_after, reference) : std::nullopt;
  return std::min(asked.value_or(kBackOffWhenUnsaid), kLongestBackOff);
}

}  // namespace kasumido
