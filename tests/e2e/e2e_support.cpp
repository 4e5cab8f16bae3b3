#include "e2e/e2e_support.h"

#include <sstream>

#include <gtest/gtest.h>

namespace kasumido::e2e {

std::filesystem::path SourcePath(std::string_view relative) {
  return std::filesystem::path(KASUMIDO_SOURCE_DIR) / relative;
}

// ---- SiteServer ---------------------------------------------------------------------

SiteServer::SiteServer(const std::filesystem::path& root,
                       const std::vector<std::string>& extra_args) {
  const std::string program = std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-site-server";
  std::vector<std::string> args = {"--root",        root.string(),         "--port",         "0",
                                   "--request-log", dir_.File("requests"), "--request-times"};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  process_.Start(program, args, dir_.Path() / "output");
  const std::string output =
      process_.WaitForOutput("\n", std::chrono::seconds(10)) ? process_.Output() : std::string();
  const std::size_t at = output.find("127.0.0.1:");
  if (at != std::string::npos)
    port_ = static_cast<std::uint16_t>(std::stoi(output.substr(at + 10)));
  if (port_ == 0) ADD_FAILURE() << "the site server did not start: " << process_.Output();
}

SiteServer::~SiteServer() { process_.Stop(); }

std::string SiteServer::Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> SiteServer::Requests() const {
  std::vector<std::string> requests;
  std::istringstream in(test::ReadFile(dir_.Path() / "requests"));
  for (std::string line; std::getline(in, line);)
    requests.push_back(line.substr(line.find(' ') + 1));
  return requests;
}

std::vector<long> SiteServer::RequestTimes() const {
  std::vector<long> times;
  std::istringstream in(test::ReadFile(dir_.Path() / "requests"));
  for (std::string line; std::getline(in, line);) times.push_back(std::stol(line));
  return times;
}

}  // namespace kasumido::e2e
