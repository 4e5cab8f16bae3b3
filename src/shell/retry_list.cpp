#include "shell/retry_list.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "analysis/listing_analysis.h"

namespace kasumido {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// The longest line the program writes; a file longer than the list can grow is not ours.
constexpr std::size_t kMaxLineLength = kMaxRememberedLinkLength + 64;
constexpr std::size_t kMaxFileSize =
    kRetryListHeader.size() + kLineEnd.size() + kRetryListCapacity * kMaxLineLength;

bool Rememberable(std::string_view link) {
  return !link.empty() && link.size() <= kMaxRememberedLinkLength &&
         link.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::optional<int> ParseNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Cuts the next tab-ended field off the front of `line`.
std::optional<std::string_view> TakeField(std::string_view& line) {
  const std::size_t tab = line.find('\t');
  if (tab == std::string_view::npos) return std::nullopt;
  const std::string_view field = line.substr(0, tab);
  line.remove_prefix(tab + 1);
  return field;
}

// One line of the file, or nothing when it is not one the program writes.
std::optional<RememberedLink> ParseLine(std::string_view line) {
  const auto runs = TakeField(line);
  const auto code = TakeField(line);
  const auto folder = TakeField(line);
  if (!folder) return std::nullopt;
  const auto failed_runs = ParseNumber(*runs);
  const auto default_code = ParseNumber(*code);
  if (!failed_runs || *failed_runs < 0 || *failed_runs >= kRetryRunLimit || !default_code ||
      folder->size() < 2 || folder->front() != '/' || folder->back() != '/' ||
      !Rememberable(line) || !IsDetailLink(line)) {
    return std::nullopt;
  }
  return RememberedLink{*failed_runs, *default_code, std::string(*folder), std::string(line)};
}

}  // namespace

RetryList RetryList::Load(std::string path) {
  RetryList list(std::move(path));
  if (!PathExists(list.path_)) return list;
  const std::optional<std::string> bytes = ReadWholeFile(list.path_, kMaxFileSize + 1);
  if (!bytes) {
    list.state_ = LoadState::kUnreadable;
  } else if (bytes->size() > kMaxFileSize) {
    list.state_ = LoadState::kDamaged;
  } else {
    list.Parse(*bytes);
  }
  list.changed_ = list.state_ == LoadState::kDamaged;
  return list;
}

void RetryList::Parse(std::string_view bytes) {
  state_ = LoadState::kLoaded;
  bool header = true;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find(kLineEnd);
    const std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + kLineEnd.size());
    if (end == std::string_view::npos) {
      state_ = LoadState::kDamaged;  // the program ends every line
      break;
    }
    if (header) {
      header = false;
      if (line == kRetryListHeader) continue;
      state_ = LoadState::kDamaged;  // another format or another program's file
      break;
    }
    const std::optional<RememberedLink> link = ParseLine(line);
    if (!link || links_.size() == kRetryListCapacity ||
        Find({link->folder, link->default_code, link->link}) != links_.end()) {
      state_ = LoadState::kDamaged;
      continue;
    }
    links_.push_back(*link);
  }
  if (header && state_ == LoadState::kLoaded) state_ = LoadState::kDamaged;  // an empty file
}

std::vector<RememberedLink>::iterator RetryList::Find(const Key& key) {
  return std::find_if(links_.begin(), links_.end(), [&key](const RememberedLink& link) {
    return link.folder == std::get<0>(key) && link.default_code == std::get<1>(key) &&
           link.link == std::get<2>(key);
  });
}

std::vector<std::string> RetryList::Pending(std::string_view folder, int default_code) const {
  std::vector<std::string> pending;
  for (const RememberedLink& link : links_) {
    if (link.folder == folder && link.default_code == default_code &&
        followed_.count({link.folder, link.default_code, link.link}) == 0) {
      pending.push_back(link.link);
    }
  }
  return pending;
}

RetryList::Change RetryList::Note(std::string_view folder, int default_code,
                                  const LinkResult& result) {
  const Key key{std::string(folder), default_code, result.link};
  if (result.outcome != LinkOutcome::kInterrupted) followed_.insert(key);
  const auto found = Find(key);
  if (!BookMissing(result.outcome)) {
    if (result.outcome == LinkOutcome::kWritten) written_.insert(key);
    if (found == links_.end()) return Change::kNone;
    links_.erase(found);
    changed_ = true;
    return Change::kForgotten;
  }
  if (written_.count(key) != 0) return Change::kNone;
  const bool counts = result.outcome == LinkOutcome::kFetchFailed && counted_.insert(key).second;
  if (found != links_.end()) {
    if (!counts) return Change::kKept;
    changed_ = true;
    if (++found->failed_runs < kRetryRunLimit) return Change::kKept;
    links_.erase(found);
    return Change::kGivenUp;
  }
  if (links_.size() >= kRetryListCapacity || !Rememberable(result.link)) return Change::kNotKept;
  links_.push_back({counts ? 1 : 0, default_code, std::string(folder), result.link});
  changed_ = true;
  return Change::kKept;
}

std::string RetryList::Serialize() const {
  std::string bytes(kRetryListHeader);
  bytes += kLineEnd;
  for (const RememberedLink& link : links_) {
    bytes += std::to_string(link.failed_runs) + '\t' + std::to_string(link.default_code) + '\t' +
             link.folder + '\t' + link.link;
    bytes += kLineEnd;
  }
  return bytes;
}

FileWriteStatus RetryList::Save() {
  if (state_ == LoadState::kUnreadable) {
    return FileWriteStatus::Failed(path_, "the list could not be read at the start of the run");
  }
  FileWriteStatus status = ReplaceFileAtomically(path_, Serialize());
  if (status) changed_ = false;
  return status;
}

}  // namespace kasumido
