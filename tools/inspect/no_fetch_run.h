// A run for the analyses that fetches nothing, for callers that analyse a page already
// in memory (the inspector, the benchmarks): every FetchUrl answers 0 ("not fetched")
// and creates no file, and the last one is remembered; the stop and skip flags stay clear, the
// waits return at once, and the log and the title list take nothing.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "analysis/run_access.h"

namespace kasumido::inspect {

class NoFetchRun : public RunAccess {
 public:
  // `temp_folder` ends in "/"; `site_origin` has no trailing "/".
  NoFetchRun(std::string temp_folder, std::string site_origin)
      : temp_folder_(std::move(temp_folder)), site_origin_(std::move(site_origin)) {}

  bool StopRequested() const override { return false; }
  bool SkipRequested() const override { return false; }
  int FetchUrl(const std::string& url, const std::string& file, DocumentKind) override {
    url_ = url;
    file_ = file;
    return 0;
  }
  std::string LastFetchFailure() const override {
    return url_.empty() ? std::string() : "not fetched";
  }
  void WriteLog(std::string_view) override {}
  void WriteErrorLog(std::string_view) override {}
  size_t TitleCount() const override { return 0; }
  void ClearTitles() override {}
  void AddTitle(std::string_view) override {}
  void YieldToUI() override {}
  void Wait(std::chrono::milliseconds) override {}
  std::string TempFolder() const override { return temp_folder_; }
  std::string SiteOrigin() const override { return site_origin_; }
  std::string MasterFilePath() const override { return {}; }

  // The URL and the file of the last FetchUrl; empty before the first.
  const std::string& Url() const { return url_; }
  const std::string& File() const { return file_; }

 private:
  std::string temp_folder_;
  std::string site_origin_;
  std::string url_;
  std::string file_;
};

}  // namespace kasumido::inspect
