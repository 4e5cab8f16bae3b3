// The end-to-end harness: the real program copied into a host-folder layout
// (test::HostLayout), started as a separate process with the console view, against a
// site served over loopback HTTP by the site server, by nginx or by a steered site; and
// what its files must hold afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"
#include "support/host_layout.h"
#include "support/scratch_dir.h"
#include "support/whole_run_expectations.h"

namespace kasumido::e2e {

using test::HostLayout;

// kasumido-site-server serving `root` on a free loopback port, its request log kept
// with the time of each request; `extra_args` go to the server too ("--hostile", ...).
class SiteServer {
 public:
  explicit SiteServer(const std::filesystem::path& root,
                      const std::vector<std::string>& extra_args = {});
  ~SiteServer();

  std::uint16_t Port() const { return port_; }
  std::string Origin() const;
  // The request targets served so far, one per request, in order.
  std::vector<std::string> Requests() const;
  // When each of them came, in milliseconds since the server started.
  std::vector<long> RequestTimes() const;

 private:
  test::ScratchDir dir_;
  test::ChildProcess process_;
  std::uint16_t port_ = 0;
};

using test::ExpectedMasterLines;

std::filesystem::path SourcePath(std::string_view relative);

}  // namespace kasumido::e2e
