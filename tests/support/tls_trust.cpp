// Linux: the process's OpenSSL takes its trust store from SSL_CERT_FILE.
#include <cstdlib>
#include <stdexcept>

#include "support/tls_peers.h"

namespace kasumido::test {

void TrustTestAuthority(const std::filesystem::path& pem) {
  if (::setenv("SSL_CERT_FILE", pem.c_str(), 1) != 0) {
    throw std::runtime_error("cannot set SSL_CERT_FILE");
  }
}

}  // namespace kasumido::test
