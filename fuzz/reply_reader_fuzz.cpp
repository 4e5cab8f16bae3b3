// Reading a reply as the client does (header lines until the empty line, then body
// bytes), with the input cut into random chunks: the lines and the body are those of one
// plain reading of the same bytes, whatever the chunking; a line too long for the buffer
// is found at the same place. The header lines then go through the field readers and the
// back-off rule.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "http/http_header_line.h"
#include "http/http_reply_reader.h"
#include "http/retry_after.h"

namespace kasumido {
namespace {

struct Reading {
  std::vector<std::string> lines;
  std::string body;
  bool too_long = false;
  bool operator==(const Reading&) const = default;
};

// Feeds `bytes` in pieces of the sizes in `chunks` (cycled; 0 means all that fits).
Reading Read(std::string_view bytes, std::string_view chunks) {
  HttpReplyReader reader;
  Reading reading;
  bool in_header = true;
  size_t next_chunk = 0;
  while (!bytes.empty()) {
    size_t count = reader.FreeSize();
    if (!chunks.empty()) {
      const auto chunk = static_cast<unsigned char>(chunks[next_chunk++ % chunks.size()]);
      if (chunk != 0) count = std::min<size_t>(count, chunk);
    }
    count = std::min(count, bytes.size());
    std::memcpy(reader.FreeSpace(), bytes.data(), count);
    reader.Commit(count);
    bytes.remove_prefix(count);
    while (in_header) {
      const auto line = reader.NextLine();
      if (!line) break;
      if (line->empty()) {
        in_header = false;
        break;
      }
      reading.lines.emplace_back(*line);
    }
    if (!in_header) {
      reading.body += reader.Rest();
      reader.Clear();
    } else if (reader.Full()) {
      reading.too_long = true;
      break;
    }
  }
  return reading;
}

void CheckFields(const std::vector<std::string>& lines) {
  int status = 0;
  for (const std::string& line : lines) {
    if (IsStatusLine(line)) {
      if (const auto parsed = ParseStatusLine(line)) status = parsed->Status;
    } else if (const auto field = SplitHeaderField(line)) {
      if (field->Name == "content-length") ParseContentLength(field->Value);
    }
  }
  const SystemTime now = std::chrono::sys_days{std::chrono::year{2026} / 12 / 8};
  const auto wait = ServerBackOff(status, lines, now);
  FUZZ_CHECK(!wait || (*wait >= Seconds(0) && *wait <= kLongestBackOff));
  for (const std::string& line : lines) {
    if (const auto field = SplitHeaderField(line)) ParseHttpDate(field->Value);
  }
}

}  // namespace
}  // namespace kasumido

// Input: the chunk sizes (a length byte and that many sizes), then the reply's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  fuzz::FuzzInput input(data, size);
  const std::string_view chunks = input.TakeShort();
  const std::string_view reply = input.Rest();
  const Reading chunked = Read(reply, chunks);
  FUZZ_CHECK(chunked == Read(reply, {}));
  CheckFields(chunked.lines);
  return 0;
}
