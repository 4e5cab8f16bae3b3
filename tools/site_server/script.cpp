#include "site_server/script.h"

#include <algorithm>
#include <utility>

namespace kasumido::wire {
namespace {

// Sends `total` bytes of `unit` repeated, from one block of whole copies.
bool SendRepeated(Connection& connection, std::string_view unit, std::int64_t total) {
  constexpr std::size_t kBlock = 64 * 1024;
  std::string block;
  while (block.size() + unit.size() <= std::max(kBlock, unit.size())) block += unit;
  for (std::int64_t left = total; left > 0;) {
    const std::size_t size = static_cast<std::size_t>(
        std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
    if (!connection.Send(std::string_view(block).substr(0, size))) return false;
    left -= static_cast<std::int64_t>(size);
  }
  return true;
}

}  // namespace

Script& Script::Send(std::string bytes) {
  steps_.push_back({StepKind::kSend, std::move(bytes)});
  return *this;
}

Script& Script::Pause(Milliseconds duration) {
  steps_.push_back({StepKind::kPause, {}, 0, duration});
  return *this;
}

Script& Script::Dribble(std::string bytes, std::size_t chunk, Milliseconds interval) {
  steps_.push_back(
      {StepKind::kDribble, std::move(bytes), std::max<std::size_t>(chunk, 1), interval});
  return *this;
}

Script& Script::Repeat(std::string unit, std::int64_t total) {
  steps_.push_back({StepKind::kRepeat, std::move(unit), 0, Milliseconds(0), total});
  return *this;
}

Script& Script::HoldOpen() {
  steps_.push_back({StepKind::kHoldOpen, {}});
  return *this;
}

Script& Script::Reset() {
  steps_.push_back({StepKind::kReset, {}});
  return *this;
}

Script& Script::WithoutReadingRequest() {
  read_request_ = false;
  return *this;
}

Script Script::Bytes(std::string bytes) { return Script().Send(std::move(bytes)); }

Script Script::Ok(std::string body, std::string_view content_type) {
  const std::string type = "Content-Type: " + std::string(content_type);
  const std::string length = "Content-Length: " + std::to_string(body.size());
  return Bytes(ResponseBytes("HTTP/1.1 200 OK", {type, length}, body));
}

Script Script::Relocate(std::string_view location, std::string_view status_line) {
  const std::string header = "Location: " + std::string(location);
  return Bytes(ResponseBytes(status_line, {header, "Content-Type: text/html"},
                             "<html><body>moved</body></html>\n"));
}

Script Script::NotFound() {
  return Bytes(ResponseBytes("HTTP/1.1 404 Not Found", {"Content-Type: text/html"},
                             "<html><body>404 Not Found</body></html>\n"));
}

void Script::Play(Connection& connection) const {
  for (const Step& step : steps_) {
    switch (step.kind) {
      case StepKind::kSend:
        if (!connection.Send(step.bytes)) return;
        break;
      case StepKind::kPause:
        if (!connection.Pause(step.interval)) return;
        break;
      case StepKind::kDribble:
        for (std::size_t at = 0; at < step.bytes.size(); at += step.chunk) {
          if (at > 0 && !connection.Pause(step.interval)) return;
          if (!connection.Send(std::string_view(step.bytes).substr(at, step.chunk))) return;
        }
        break;
      case StepKind::kRepeat:
        if (!SendRepeated(connection, step.bytes, step.total)) return;
        break;
      case StepKind::kHoldOpen:
        connection.WaitForPeerClose();
        break;
      case StepKind::kReset:
        connection.Reset();
        return;
    }
  }
}

std::string ResponseBytes(std::string_view status_line,
                          std::initializer_list<std::string_view> header_lines,
                          std::string_view body) {
  std::string bytes = std::string(status_line) + "\r\n";
  for (std::string_view line : header_lines) bytes.append(line).append("\r\n");
  bytes += "\r\n";
  bytes += body;
  return bytes;
}

std::string LongHeaderLine(std::size_t length) {
  const std::string name = "X-Filler: ";
  return name + std::string(length > name.size() ? length - name.size() : 0, 'a');
}

}  // namespace kasumido::wire
