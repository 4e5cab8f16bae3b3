#include "shell/capture_store.h"

#include <charconv>
#include <cstdio>

#include "text/paths.h"

namespace kasumido {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kIndexName = "index.txt";
constexpr std::string_view kIndexHeader = "kasumido captures index 1";

struct Entry {
  std::string name;
  std::int64_t bytes = 0;
  std::uint64_t digest = 0;  // of the URL and the page: the same page is kept once
};

// FNV-1a over the URL and the page.
std::uint64_t Digest(const Capture& capture) {
  std::uint64_t hash = 14695981039346656037ull;
  for (std::string_view part :
       {std::string_view(capture.url), std::string_view("\n"), std::string_view(capture.page)}) {
    for (const char c : part) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

// Cuts the next CR LF-ended line off the front of `bytes`; nothing when none is left.
std::optional<std::string_view> TakeLine(std::string_view& bytes) {
  const std::size_t end = bytes.find(kLineEnd);
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view line = bytes.substr(0, end);
  bytes.remove_prefix(end + kLineEnd.size());
  return line;
}

std::optional<std::string> Field(std::string_view line, std::string_view name) {
  if (!line.starts_with(name)) return std::nullopt;
  return std::string(line.substr(name.size()));
}

bool IsCaptureName(std::string_view name, int& number) {
  if (name.size() != 15 || !name.starts_with("capture-") || !name.ends_with(".txt")) {
    return false;
  }
  const std::string_view digits = name.substr(8, 3);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + 3, number);
  return error == std::errc() && end == digits.data() + 3 && number < kCaptureNames;
}

std::string CaptureName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "capture-%03d.txt", number % kCaptureNames);
  return name;
}

std::string NextName(const std::vector<Entry>& entries) {
  int last = -1;
  if (!entries.empty()) IsCaptureName(entries.back().name, last);
  return CaptureName(last + 1);
}

// The index's entries; nothing when it is missing or damaged.
std::optional<std::vector<Entry>> ReadIndex(const std::string& path) {
  std::vector<Entry> entries;
  const std::optional<std::string> bytes = ReadWholeFile(path, 64 * 1024);
  if (!bytes) return std::nullopt;
  std::string_view rest = *bytes;
  if (TakeLine(rest) != kIndexHeader) return std::nullopt;
  while (const std::optional<std::string_view> line = TakeLine(rest)) {
    const std::size_t tab = line->find('\t');
    const std::size_t tab2 = tab == std::string_view::npos ? tab : line->find('\t', tab + 1);
    if (tab2 == std::string_view::npos) return std::nullopt;
    const std::optional<std::uint64_t> size = ParseNumber(line->substr(tab + 1, tab2 - tab - 1));
    const std::optional<std::uint64_t> digest = ParseNumber(line->substr(tab2 + 1));
    int number = 0;
    Entry entry{std::string(line->substr(0, tab)), 0, 0};
    if (!IsCaptureName(entry.name, number) || !size || !digest || *size > (1ull << 40)) {
      return std::nullopt;
    }
    entry.bytes = static_cast<std::int64_t>(*size);
    entry.digest = *digest;
    entries.push_back(std::move(entry));
  }
  if (!rest.empty()) return std::nullopt;
  return entries;
}

// The index's entries; when it is missing or damaged, none, and every file it may have
// named is removed, so the folder stays within its bounds.
std::vector<Entry> ReadIndexOrStartAfresh(const std::string& folder, const std::string& path) {
  if (std::optional<std::vector<Entry>> entries = ReadIndex(path)) return std::move(*entries);
  for (int number = 0; number < kCaptureNames; ++number) {
    RemoveFile(JoinPath(folder, CaptureName(number)));
  }
  return {};
}

}  // namespace

std::string SerializeCapture(const Capture& capture) {
  std::string bytes(kCaptureHeader);
  bytes += kLineEnd;
  bytes += "URL: " + OneLine(capture.url) + std::string(kLineEnd);
  bytes += "Why: " + OneLine(capture.why) + std::string(kLineEnd);
  bytes += "Kept: " + OneLine(capture.kept) + std::string(kLineEnd);
  bytes += kLineEnd;
  for (const std::string& line : capture.reply_header) {
    if (!line.empty()) bytes += OneLine(line) + std::string(kLineEnd);
  }
  bytes += kLineEnd;
  bytes += capture.page;
  return bytes;
}

std::optional<Capture> ParseCapture(std::string_view bytes) {
  Capture capture;
  if (TakeLine(bytes) != kCaptureHeader) return std::nullopt;
  const auto url = TakeLine(bytes), why = TakeLine(bytes), kept = TakeLine(bytes);
  if (!kept || TakeLine(bytes) != "") return std::nullopt;
  const auto url_value = Field(*url, "URL: "), why_value = Field(*why, "Why: "),
             kept_value = Field(*kept, "Kept: ");
  if (!url_value || !why_value || !kept_value) return std::nullopt;
  capture.url = *url_value;
  capture.why = *why_value;
  capture.kept = *kept_value;
  for (;;) {
    const std::optional<std::string_view> line = TakeLine(bytes);
    if (!line) return std::nullopt;
    if (line->empty()) break;
    capture.reply_header.emplace_back(*line);
  }
  capture.page = std::string(bytes);
  return capture;
}

std::optional<std::string> CaptureStore::Keep(const Capture& capture, std::string& error) {
  if (!MakeFolder(folder_)) {
    error = "cannot make the folder " + folder_;
    return std::nullopt;
  }
  const std::string index_path = JoinPath(folder_, kIndexName);
  std::vector<Entry> entries = ReadIndexOrStartAfresh(folder_, index_path);
  const std::uint64_t digest = Digest(capture);
  for (const Entry& entry : entries) {
    if (entry.digest == digest) return entry.name;
  }
  const std::string name = NextName(entries);
  const std::string bytes = SerializeCapture(capture);
  if (const FileWriteStatus status = ReplaceFileAtomically(JoinPath(folder_, name), bytes);
      !status) {
    error = status.error;
    return std::nullopt;
  }
  std::erase_if(entries, [&name](const Entry& entry) { return entry.name == name; });
  entries.push_back({name, static_cast<std::int64_t>(bytes.size()), digest});
  std::int64_t total = 0;
  for (const Entry& entry : entries) total += entry.bytes;
  std::size_t dropped = 0;
  while (entries.size() - dropped > 1 &&
         (entries.size() - dropped > kCapturesKept || total > kCaptureBytesLimit)) {
    total -= entries[dropped].bytes;
    RemoveFile(JoinPath(folder_, entries[dropped].name));
    ++dropped;
  }
  entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(dropped));
  std::string index(kIndexHeader);
  index += kLineEnd;
  for (const Entry& entry : entries) {
    index += entry.name + "\t" + std::to_string(entry.bytes) + "\t" + std::to_string(entry.digest) +
             std::string(kLineEnd);
  }
  if (const FileWriteStatus status = ReplaceFileAtomically(index_path, index); !status) {
    error = status.error;
    return std::nullopt;
  }
  return name;
}

}  // namespace kasumido
