// The run around the download plan for the plan's tests: settings, listing pages and
// their detail links scripted, every fetch, analysis, followed link and log line recorded.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kasumido/texts.h"
#include "platform/waits.h"
#include "shell/download_plan.h"
#include "shell/fake_download_view.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"
#include "support/test_event_loop.h"

namespace kasumido::test {

inline constexpr const char* kOrigin = "http://site.test";

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

// The run around the plan: settings from a map, pages from a map (a missing page fails
// its fetch), every fetch, analysis and log line recorded. OnAnalyse runs inside the
// analysis, so a test can press buttons or change settings there.
class FakePlanRun final : public PlanRun {
 public:
  explicit FakePlanRun(const ScratchDir& scratch)
      : host_(scratch.File("host")),
        program_(scratch.File("host/plugin")),
        work_(scratch.File("temp") + "/") {
    std::filesystem::create_directories(host_ + "/old");
    std::filesystem::create_directories(program_);
    std::filesystem::create_directories(work_);
  }

  bool StopRequested() const override { return stop; }
  bool SkipRequested() const override { return skip; }
  void ClearSkipRequested() override {
    skip = false;
    events.push_back("clear skip");
  }
  std::string ReadHostSetting(std::string_view key) const override {
    const auto found = settings.find(std::string(key));
    return found == settings.end() ? std::string() : found->second;
  }
  int FetchUrl(const std::string& url, const std::string& file, DocumentKind) override {
    events.push_back("fetch " + url);
    fetched.push_back(url);
    const std::optional<PageValidators> sent = std::exchange(next_validators_, std::nullopt);
    if (sent) validators_sent.push_back(url + " " + sent->etag + " " + sent->last_modified);
    last_url_ = url;
    last_status_ = 200;
    const auto page = pages.find(url);
    if (page == pages.end()) {
      last_failure = "404 Not Found";
      last_status_ = 404;
      return 0;
    }
    if (answers_not_modified && sent && !sent->Empty() && *sent == page_validators[url]) {
      last_failure = "empty document (304 Not Modified)";
      last_status_ = 304;
      return 0;
    }
    WriteFile(file, page->second);
    return static_cast<int>(page->second.size());
  }
  std::vector<LinkResult> AnalyseListing(const std::string& folder_url, int default_code) override {
    analysed.push_back(folder_url + " " + std::to_string(default_code));
    events.push_back("analyse " + folder_url);
    if (OnAnalyse) OnAnalyse(analysed.size());
    std::vector<LinkResult> results;
    for (const std::string& link : links[folder_url]) results.push_back(Follow(folder_url, link));
    return results;
  }
  LinkResult FollowLink(const std::string& folder_url, const std::string& link,
                        int default_code) override {
    events.push_back("follow " + folder_url + link + " " + std::to_string(default_code));
    LinkResult result = Follow(folder_url, link);
    if (OnFollow) OnFollow();
    return result;
  }
  void WriteLog(std::string_view message) override { log.emplace_back(message); }
  void WriteErrorLog(std::string_view message) override {
    log.push_back(std::string(message) + " (C.ERROR)");
  }
  void SetPhaseCaption(std::string_view caption) override { view.SetPhaseCaption(caption); }
  size_t TitleCount() const override { return view.titles.size(); }
  void ClearTitles() override { view.ClearTitles(); }
  void AddTitle(std::string_view line) override { view.AddTitle(line); }
  void YieldToUI() override { loop.ProcessPendingEvents(); }
  void Wait(std::chrono::milliseconds duration) override { PumpFor(loop, duration); }
  EventLoop& Loop() override { return loop; }
  const std::string& HostFolder() const override { return host_; }
  const std::string& ProgramFolder() const override { return program_; }
  void SendValidatorsWithNextFetch(const PageValidators& validators) override {
    next_validators_ = validators;
  }
  PageValidators LastPageValidators() const override {
    const auto found = page_validators.find(last_url_);
    return last_status_ != 200 || found == page_validators.end() ? PageValidators{} : found->second;
  }
  int LastReplyStatus() const override { return last_status_; }
  std::string SiteOrigin() const override { return origin_; }
  std::string TempFolder() const override { return work_; }
  std::string MasterFilePath() const override { return host_ + "/ShelvioMas.csv"; }
  std::string LastFetchFailure() const override { return last_failure; }
  void KeepEvidence(const std::string& url, const std::string&, std::string_view why) override {
    evidence.push_back(url + " " + std::string(why));
  }

  std::string SavedCopy(const char* name) const { return test::ReadFile(host_ + "/old/" + name); }
  std::string WorkingFile() const { return work_ + "GetKasumido.html"; }

  bool stop = false;
  bool skip = false;
  std::map<std::string, std::string> settings;
  // Detail links of each listing folder URL, and what following a link's URL gives
  // (written when not scripted).
  std::map<std::string, std::vector<std::string>> links;
  std::map<std::string, LinkOutcome> outcomes;
  // The fields a written book has, by detail URL (all when not scripted).
  std::map<std::string, BookFieldSet> fields;
  std::vector<std::string> followed;  // detail URLs, by the analysis or again
  std::map<std::string, std::string> pages;
  std::vector<std::string> fetched;
  std::string last_failure;
  std::vector<std::string> analysed;
  std::vector<std::string> events;
  std::vector<std::string> log;
  std::vector<std::string> evidence;  // "<URL> <why>" of each page kept
  // The validators the site gives with each page (it answers 304 when they come back),
  // and "<URL> <ETag> <Last-Modified>" of each fetch that sent some.
  std::map<std::string, PageValidators> page_validators;
  std::vector<std::string> validators_sent;
  bool answers_not_modified = true;  // false: a site that ignores the validators
  std::function<void(std::size_t analysis_count)> OnAnalyse;
  std::function<void()> OnFollow;  // runs inside FollowLink
  FakeDownloadView view;
  test::TestEventLoop loop;

 private:
  LinkResult Follow(const std::string& folder_url, const std::string& link) {
    followed.push_back(folder_url + link);
    const auto outcome = outcomes.find(folder_url + link);
    const auto filled = fields.find(folder_url + link);
    LinkResult result{
        link, outcome == outcomes.end() ? LinkOutcome::kWritten : outcome->second, 1, {}};
    if (result.outcome == LinkOutcome::kWritten) {
      result.filled_fields = filled == fields.end() ? BookFieldSet{0x7FF} : filled->second;
    }
    return result;
  }

  std::optional<PageValidators> next_validators_;
  std::string last_url_;
  int last_status_ = 0;
  std::string host_;
  std::string program_;
  std::string work_;
  std::string origin_ = kOrigin;
};

inline std::string Url(std::string_view path) { return std::string(kOrigin) + std::string(path); }
inline std::string LogLine(std::string_view path, const char* word) {
  return Url(path) + " " + Sjis(word);
}

// Every one of the twelve listing pages, each with its own tag-free line.
inline void PutWholeSite(FakePlanRun& run) {
  for (const PlanStep& step : kPlanSteps) {
    run.pages[Url(step.page_path)] = "<html>\n" + std::string(step.page_path) + "\n</html>\n";
  }
}

}  // namespace kasumido::test
