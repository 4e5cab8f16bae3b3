// A run for the analyses without window or network: FetchUrl serves scripted bodies by
// URL (writing them into the file as the real fetch does, removing the file on failure),
// and every call the analyses make is recorded for the tests to check. Files live in a
// scratch folder: "temp/" is the temporary folder, "host/ShelvioMas.csv" the master file.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/run_access.h"
#include "platform/files.h"
#include "support/scratch_dir.h"

namespace kasumido::test {

inline constexpr std::string_view kTestOrigin = "http://127.0.0.1:8080";

class FakeRunAccess : public RunAccess {
 public:
  struct Fetch {
    std::string url;
    std::string file;
    DocumentKind kind;
  };

  FakeRunAccess() {
    std::filesystem::create_directories(scratch_.Path() / "temp");
    std::filesystem::create_directories(scratch_.Path() / "host");
  }

  // Scripting.
  std::map<std::string, std::string> bodies;   // URL -> body served (empty body: failure)
  std::map<std::string, int> failures_before;  // URL -> attempts that fail before it is served
  std::map<std::string, bool> throwing;        // URL -> FetchUrl throws
  std::map<std::string, bool> claims_no_file;  // URL -> answers bytes but writes no file
  std::map<std::string, std::string> failure_texts;          // URL -> its failure's reason
  std::map<std::string, int> failure_statuses;               // URL -> its failure's status
                                                             // ("404 Not Found" when not given)
  std::function<void(const std::string& url)> during_fetch;  // runs inside FetchUrl
  std::function<void()> during_yield;                        // runs inside YieldToUI
  bool stop = false;
  bool skip = false;
  int add_title_failures = 0;  // AddTitle throws this many times

  // Records.
  std::vector<Fetch> fetches;    // every call, also those refused after a stop
  std::vector<std::string> log;  // plain and error lines, in order
  std::vector<std::string> titles;
  std::vector<std::chrono::milliseconds> waits;
  int retry_waits = 0;
  int yields = 0;
  std::string last_failure;           // what LastFetchFailure answers
  int last_status = 0;                // what LastReplyStatus answers
  std::vector<std::string> evidence;  // "<URL> <why>" of each page kept

  std::string Temp() const { return scratch_.File("temp") + "/"; }
  std::string MasterPath() const { return scratch_.File("host/ShelvioMas.csv"); }
  std::string Master() const { return scratch_.Read("host/ShelvioMas.csv"); }
  bool MasterExists() const { return std::filesystem::exists(MasterPath()); }
  const ScratchDir& Scratch() const { return scratch_; }
  // URLs fetched, in order.
  std::vector<std::string> FetchedUrls() const {
    std::vector<std::string> urls;
    for (const Fetch& fetch : fetches) urls.push_back(fetch.url);
    return urls;
  }

  bool StopRequested() const override { return stop; }
  bool SkipRequested() const override { return skip; }

  int FetchUrl(const std::string& url, const std::string& file, DocumentKind kind) override {
    fetches.push_back({url, file, kind});
    last_status = 0;
    if (stop) {
      last_failure = "stopped";
      return 0;  // the real fetch refuses at once after a stop
    }
    if (during_fetch) during_fetch(url);
    if (throwing[url]) {
      last_failure = "fetch failed: " + url;
      throw std::runtime_error(last_failure);
    }
    const auto body = bodies.find(url);
    if (claims_no_file[url]) return 1;
    if (body == bodies.end() || body->second.empty() || failures_before[url]-- > 0) {
      RemoveFile(file);
      const auto text = failure_texts.find(url);
      last_failure = text == failure_texts.end() ? "404 Not Found" : text->second;
      const auto status = failure_statuses.find(url);
      last_status = status == failure_statuses.end() ? 404 : status->second;
      return 0;
    }
    // Like the real fetch, a file that cannot be created is an exception.
    std::string error;
    std::optional<OutputFile> out = OutputFile::Open(file, OutputMode::kCreateOrTruncate, error);
    if (!out || !out->Write(body->second, error)) throw std::runtime_error("cannot create " + file);
    return static_cast<int>(body->second.size());
  }

  // Error lines carry the log's error mark at their end.
  void WriteLog(std::string_view message) override { log.emplace_back(message); }
  void WriteErrorLog(std::string_view message) override {
    log.push_back(std::string(message) + " (C.ERROR)");
  }

  size_t TitleCount() const override { return titles.size(); }
  void ClearTitles() override { titles.clear(); }
  void AddTitle(std::string_view line) override {
    if (add_title_failures > 0) {
      --add_title_failures;
      throw std::runtime_error("title list full");
    }
    titles.emplace_back(line);
  }

  void YieldToUI() override {
    ++yields;
    if (during_yield) during_yield();
  }
  void Wait(std::chrono::milliseconds duration) override { waits.push_back(duration); }
  void WaitBeforeRetry() override { ++retry_waits; }

  std::string TempFolder() const override { return Temp(); }
  std::string SiteOrigin() const override { return std::string(kTestOrigin); }
  std::string MasterFilePath() const override { return MasterPath(); }
  std::string LastFetchFailure() const override { return last_failure; }
  int LastReplyStatus() const override { return last_status; }
  void KeepEvidence(const std::string& url, const std::string& page_file,
                    std::string_view why) override {
    EXPECT_TRUE(std::filesystem::exists(page_file)) << url;
    evidence.push_back(url + " " + std::string(why));
  }

 private:
  ScratchDir scratch_;
};

}  // namespace kasumido::test
