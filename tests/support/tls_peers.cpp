#include "support/tls_peers.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kasumido::test {

TlsPeers::TlsPeers() {
  dir_ = std::filesystem::path(KASUMIDO_BINARY_DIR) / "tls-peers";
  std::ifstream env(dir_ / "peers.env");
  std::string line;
  while (std::getline(env, line)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    ports_[line.substr(0, equals)] = static_cast<std::uint16_t>(std::stoi(line.substr(equals + 1)));
  }
  if (ports_.empty()) {
    throw std::runtime_error("no TLS peers in " + (dir_ / "peers.env").string() +
                             ": run through ctest (fixture tls-peers)");
  }
}

std::uint16_t TlsPeers::Port(const std::string& name) const {
  const auto found = ports_.find(name);
  if (found == ports_.end()) throw std::runtime_error("no TLS peer named " + name);
  return found->second;
}

std::string TlsPeers::Origin(const std::string& name) const {
  return std::string(name == "plain" ? "http" : "https") +
         "://localhost:" + std::to_string(Port(name));
}

std::string TlsPeers::Log(const std::string& file) const {
  std::ifstream in(dir_ / file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kasumido::test
