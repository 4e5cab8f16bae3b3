#include "site_server/hostile_answers.h"

#include <charconv>
#include <limits>

#include "site_server/site_files.h"

namespace kasumido::wire {
namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

// Where the body of `response` starts: after its first empty line (or its end).
std::size_t BodyStart(std::string_view response) {
  const std::size_t end = response.find("\r\n\r\n");
  return end == std::string_view::npos ? response.size() : end + 4;
}

std::optional<std::int64_t> Amount(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

}  // namespace

Script CutBody(std::string_view response, std::size_t kept, Ending ending) {
  const std::size_t end = std::min(response.size(), BodyStart(response) + kept);
  Script script = Script::Bytes(std::string(response.substr(0, end)));
  if (ending == Ending::kReset) script.Reset();
  return script;
}

Script Trickle(std::string_view response, std::size_t chunk, Milliseconds interval) {
  return Script().Dribble(std::string(response), chunk, interval);
}

Script KeptOpen(std::string_view response) {
  return Script::Bytes(std::string(response)).HoldOpen();
}

Script HeaderFlood(std::int64_t total) {
  const std::string line = LongHeaderLine(98) + "\r\n";
  return Script().Send("HTTP/1.1 200 OK\r\n").Repeat(line, total);
}

Script HugeBody(std::int64_t size, Length length, std::string_view content_type) {
  std::string header = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(content_type) + "\r\n";
  if (length == Length::kSent) header += "Content-Length: " + std::to_string(size) + "\r\n";
  header += "\r\n";
  return Script().Send(std::move(header)).Repeat("<p>a long page</p>\n", size);
}

Script TooManyRequests(int seconds) {
  const std::string retry = "Retry-After: " + std::to_string(seconds);
  return Script::Bytes(ResponseBytes("HTTP/1.1 429 Too Many Requests",
                                     {retry, "Content-Type: text/html", "Content-Length: 0"}, ""));
}

std::optional<HostileMode> ParseHostileMode(std::string_view text) {
  using Kind = HostileMode::Kind;
  struct Form {
    std::string_view name;
    Kind kind;
    bool takes_amount;
  };
  constexpr Form kForms[] = {
      {"cut", Kind::kCut, true},         {"reset", Kind::kReset, true},
      {"trickle", Kind::kTrickle, true}, {"keepalive", Kind::kKeepAlive, false},
      {"flood", Kind::kFlood, false},    {"huge", Kind::kHuge, true},
      {"endless", Kind::kEndless, true}, {"loop", Kind::kLoop, false},
      {"429", Kind::k429, true},
  };
  const std::size_t colon = text.find(':');
  const std::string_view name = text.substr(0, colon);
  for (const Form& form : kForms) {
    if (form.name != name || form.takes_amount != (colon != std::string_view::npos)) continue;
    if (!form.takes_amount) return HostileMode{form.kind, 0};
    const std::optional<std::int64_t> amount = Amount(text.substr(colon + 1));
    if (!amount) return std::nullopt;
    return HostileMode{form.kind, *amount};
  }
  return std::nullopt;
}

Script HostileScript(const HostileMode& mode, std::string_view target, std::string_view response) {
  using Kind = HostileMode::Kind;
  const std::size_t body = response.size() - BodyStart(response);
  const auto percent = [&] { return static_cast<std::size_t>(body * mode.amount / 100); };
  switch (mode.kind) {
    case Kind::kCut:
      return CutBody(response, percent(), Ending::kClose);
    case Kind::kReset:
      return CutBody(response, percent(), Ending::kReset);
    case Kind::kTrickle: {
      const std::size_t header = response.size() - body;
      return Script()
          .Send(std::string(response.substr(0, header)))
          .Dribble(std::string(response.substr(header)), 1, Milliseconds(mode.amount));
    }
    case Kind::kKeepAlive:
      return KeptOpen(response);
    case Kind::kFlood:
      return HeaderFlood(std::numeric_limits<std::int64_t>::max());
    case Kind::kHuge:
    case Kind::kEndless:
      return HugeBody(mode.amount * kMiB,
                      mode.kind == Kind::kHuge ? Length::kSent : Length::kNotSent,
                      site::ContentTypeFor(target.substr(0, target.find('?'))));
    case Kind::kLoop:
      return Script::Relocate(target);
    case Kind::k429:
      return TooManyRequests(static_cast<int>(mode.amount));
  }
  return Script::NotFound();
}

}  // namespace kasumido::wire
