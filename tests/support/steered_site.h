// The sample site behind a scripted loopback server, for runs that a test steers while
// they work. Detail pages and images are served from samples/site; a listing page has
// only the content the test gives it (Listing, Answer) and is missing (404) otherwise,
// so a run walks exactly the books the test chose, unless the whole site is served. A request can
// be held open without an answer, once or every time. Every request target is recorded in order.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "site_server/hostile_answers.h"
#include "support/scripted_http_server.h"

namespace kasumido::test {

class SteeredSite {
 public:
  SteeredSite();

  std::string Origin() const { return server_.Origin(); }
  // Holds the next request for `target` open (times: 1), or every one (times: 0). A hold
  // comes before any answer.
  void Hold(const std::string& target, int times = 1);
  // Answers every request for `target` with `script`.
  void Answer(const std::string& target, Script script);
  // Serves `target` as the site does again: its sample page, or 404 for a listing page
  // unless the whole site is served.
  void Restore(const std::string& target);
  // Answers the next `times` requests for `target` (every one: 0) as a hostile or broken
  // server would (site_server/hostile_answers.h), distorting the site's own answer. It
  // comes before the answers of Answer and Listing.
  void Hostile(const std::string& target, const std::string& mode, int times = 0);
  // Answers `target` with a listing page that links `links` (relative to the listing's
  // folder, e.g. "detail/bk_detail.php?pcd=4001"), in order.
  void Listing(const std::string& target, const std::vector<std::string>& links);
  // Serves the sample site's own listing pages too, so a run walks the whole site (holds
  // and answers still come first).
  void ServeWholeSite();

  std::vector<std::string> Targets() const;
  int Count(const std::string& target) const;
  // Waits until `target` was requested `count` times; false when `timeout` passes.
  bool WaitFor(const std::string& target, int count = 1,
               std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

 private:
  Script Serve(const wire::RequestHead& head);

  mutable std::mutex mutex_;
  std::map<std::string, int> holds_;
  std::map<std::string, Script> answers_;
  std::map<std::string, std::pair<wire::HostileMode, int>> hostiles_;
  bool whole_site_ = false;
  std::vector<std::string> targets_;
  ScriptedHttpServer server_;  // last: stopped before the members above go
};

}  // namespace kasumido::test
