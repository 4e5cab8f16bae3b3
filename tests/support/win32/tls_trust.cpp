// Windows: the authority goes into the current user's Root store, where the chain check
// of every program of this user (of this Wine prefix) finds it.
#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "support/tls_peers.h"

namespace kasumido::test {

void TrustTestAuthority(const std::filesystem::path& pem) {
  std::ifstream in(pem, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const std::string base64 = text.str();
  DWORD size = 0;
  if (!CryptStringToBinaryA(base64.c_str(), static_cast<DWORD>(base64.size()),
                            CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    throw std::runtime_error("not a PEM certificate: " + pem.string());
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(base64.c_str(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64HEADER,
                       der.data(), &size, nullptr, nullptr);
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (store == nullptr) throw std::runtime_error("cannot open the current user's Root store");
  const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  if (!added) throw std::runtime_error("cannot add the test authority to the Root store");
}

}  // namespace kasumido::test
