// The TLS peers that tests/support/tls_peers.sh started for this test run (the ctest
// fixture "tls-peers", in the build folder's "tls-peers"): their ports by name
// and the test certificate authority, which TrustTestAuthority makes trusted for this
// process (on Linux through SSL_CERT_FILE; under Windows in the current user's Root
// store, so programs started afterwards trust it too).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace kasumido::test {

class TlsPeers {
 public:
  // Reads the peers' folder. Throws std::runtime_error when the fixture did not run.
  TlsPeers();

  std::uint16_t Port(const std::string& name) const;
  // "https://localhost:PORT" of the named peer ("http://" for "plain").
  std::string Origin(const std::string& name) const;
  std::filesystem::path Authority() const { return dir_ / "ca.pem"; }
  std::filesystem::path Folder() const { return dir_; }
  // The named peer's log: "nginx-access.log", "proxy.log", ...
  std::string Log(const std::string& file) const;

 private:
  std::filesystem::path dir_;
  std::map<std::string, std::uint16_t> ports_;
};

// Makes the certificate authority in `pem` trusted. Throws std::runtime_error on failure.
void TrustTestAuthority(const std::filesystem::path& pem);

}  // namespace kasumido::test
