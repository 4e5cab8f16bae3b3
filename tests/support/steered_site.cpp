#include "support/steered_site.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "site_server/site_files.h"
#include "support/poll_until.h"

namespace kasumido::test {
namespace {

// Detail pages ("/comic/detail/...") and images ("/image/...") of the sample site.
bool FromSampleSite(const std::string& target) {
  return target.rfind("/image/", 0) == 0 || target.find("/detail/") != std::string::npos;
}

}  // namespace

SteeredSite::SteeredSite() {
  server_.SetHandler([this](const wire::RequestHead& head) { return Serve(head); });
}

Script SteeredSite::Serve(const wire::RequestHead& head) {
  std::lock_guard<std::mutex> lock(mutex_);
  targets_.push_back(head.target);
  const auto hold = holds_.find(head.target);
  if (hold != holds_.end()) {
    if (hold->second == 1) holds_.erase(hold);
    return Script().HoldOpen();
  }
  const std::filesystem::path root = std::filesystem::path(KASUMIDO_SOURCE_DIR) / "samples/site";
  const auto hostile = hostiles_.find(head.target);
  if (hostile != hostiles_.end()) {
    const wire::HostileMode mode = hostile->second.first;
    int& times = hostile->second.second;
    if (times > 1) {
      --times;
    } else if (times == 1) {
      hostiles_.erase(hostile);
    }
    return wire::HostileScript(mode, head.target, site::AnswerSiteRequest(root, head).response);
  }
  const auto answer = answers_.find(head.target);
  if (answer != answers_.end()) return answer->second;
  if (!whole_site_ && !FromSampleSite(head.target)) return Script::NotFound();
  return Script::Bytes(site::AnswerSiteRequest(root, head).response);
}

void SteeredSite::Hold(const std::string& target, int times) {
  std::lock_guard<std::mutex> lock(mutex_);
  holds_[target] = times;
}

void SteeredSite::Hostile(const std::string& target, const std::string& mode, int times) {
  const std::optional<wire::HostileMode> hostile = wire::ParseHostileMode(mode);
  if (!hostile) throw std::invalid_argument("not a hostile mode: " + mode);
  std::lock_guard<std::mutex> lock(mutex_);
  hostiles_.insert_or_assign(target, std::make_pair(*hostile, times));
}

void SteeredSite::Answer(const std::string& target, Script script) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.insert_or_assign(target, std::move(script));
}

void SteeredSite::Restore(const std::string& target) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.erase(target);
  hostiles_.erase(target);
}

void SteeredSite::Listing(const std::string& target, const std::vector<std::string>& links) {
  std::string page = "<html>\n<body>\n<h1>listing " + target + "</h1>\n";
  for (const std::string& link : links) page += "<A HREF=\"" + link + "\">book</A><br>\n";
  Answer(target, Script::Ok(page + "</body>\n</html>\n"));
}

void SteeredSite::ServeWholeSite() {
  std::lock_guard<std::mutex> lock(mutex_);
  whole_site_ = true;
}

std::vector<std::string> SteeredSite::Targets() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return targets_;
}

int SteeredSite::Count(const std::string& target) const {
  const std::vector<std::string> targets = Targets();
  return static_cast<int>(std::count(targets.begin(), targets.end(), target));
}

bool SteeredSite::WaitFor(const std::string& target, int count,
                          std::chrono::milliseconds timeout) const {
  return PollUntil([&] { return Count(target) >= count; }, Clock::now() + timeout);
}

}  // namespace kasumido::test
