#include "shell/listing_validators.h"

#include <optional>

#include "platform/ascii.h"

namespace kasumido {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Twelve URLs with two values each: a file larger than this is not ours.
constexpr std::size_t kMaxFileSize = 64 * 1024;

bool Keepable(std::string_view value) {
  if (value.size() > kMaxValidatorLength) return false;
  for (const char c : value) {
    if (c < 0x20 || c > 0x7E || c == '\t') return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The value of header line `line` when its name is `name` (any case).
std::optional<std::string_view> HeaderValue(std::string_view line, std::string_view name) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos ||
      !EqualsIgnoringAsciiCase(Trimmed(line.substr(0, colon)), name)) {
    return std::nullopt;
  }
  return Trimmed(line.substr(colon + 1));
}

}  // namespace

PageValidators ValidatorsOf(const std::vector<std::string>& reply_header) {
  PageValidators validators;
  bool etag_seen = false;
  bool last_modified_seen = false;
  for (std::size_t i = 1; i < reply_header.size(); ++i) {
    if (const auto etag = HeaderValue(reply_header[i], "ETag"); etag && !etag_seen) {
      etag_seen = true;
      if (Keepable(*etag)) validators.etag = *etag;
    } else if (const auto date = HeaderValue(reply_header[i], "Last-Modified");
               date && !last_modified_seen) {
      last_modified_seen = true;
      if (Keepable(*date)) validators.last_modified = *date;
    }
  }
  return validators;
}

std::vector<std::string> ConditionalRequestLines(const PageValidators& validators) {
  std::vector<std::string> lines;
  if (!validators.etag.empty()) lines.push_back("If-None-Match: " + validators.etag);
  if (!validators.last_modified.empty()) {
    lines.push_back("If-Modified-Since: " + validators.last_modified);
  }
  return lines;
}

ListingValidators ListingValidators::Load(std::string path) {
  ListingValidators validators(std::move(path));
  const std::optional<std::string> bytes = ReadWholeFile(validators.path_, kMaxFileSize + 1);
  if (!bytes || bytes->size() > kMaxFileSize) return validators;
  std::string_view rest = *bytes;
  std::map<std::string, PageValidators> read;
  for (bool header = true;; header = false) {
    const std::size_t end = rest.find(kLineEnd);
    if (end == std::string_view::npos) break;
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + kLineEnd.size());
    if (header) {
      if (line != kValidatorsHeader) return validators;
      continue;
    }
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) return validators;
    const PageValidators values{std::string(line.substr(tab1 + 1, tab2 - tab1 - 1)),
                                std::string(line.substr(tab2 + 1))};
    if (tab1 == 0 || !Keepable(values.etag) || !Keepable(values.last_modified)) {
      return validators;
    }
    read[std::string(line.substr(0, tab1))] = values;
  }
  if (rest.empty()) validators.by_url_ = std::move(read);
  return validators;
}

PageValidators ListingValidators::For(const std::string& url) const {
  const auto found = by_url_.find(url);
  return found == by_url_.end() ? PageValidators{} : found->second;
}

FileWriteStatus ListingValidators::Keep(const std::string& url, const PageValidators& validators) {
  if (For(url) == validators) return {};
  if (validators.Empty()) {
    by_url_.erase(url);
  } else {
    by_url_[url] = validators;
  }
  std::string text(kValidatorsHeader);
  text += kLineEnd;
  for (const auto& [page, values] : by_url_) {
    if (page.find_first_of("\t\r\n") != std::string::npos) continue;
    text += page + "\t" + values.etag + "\t" + values.last_modified + std::string(kLineEnd);
  }
  return ReplaceFileAtomically(path_, text);
}

}  // namespace kasumido
