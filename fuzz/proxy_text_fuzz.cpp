// The proxy texts: a server text read by the server-list rules, and a proxy URL reduced
// to a server text. A proxy that is taken has a host and a port, the host without ":",
// and a server text made from a URL always names its port.
#include <string>

#include "fuzz_input.h"
#include "http/proxy_discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  fuzz::FuzzInput input(data, size);
  const bool enabled = (input.Byte() & 1) != 0;
  const std::string text(input.Rest());
  IeProxySettings settings;
  ParseProxyServer(enabled, text, settings);
  if (settings.Enabled) {
    FUZZ_CHECK(enabled);
    FUZZ_CHECK(!settings.ProxyHost.empty() && !settings.ProxyPortText.empty());
    FUZZ_CHECK(settings.ProxyHost.find(':') == std::string::npos);
  } else {
    FUZZ_CHECK(settings.ProxyHost.empty() && settings.ProxyPortText.empty());
  }
  if (const auto server = ProxyServerFromUrl(text)) {
    FUZZ_CHECK(server->find(':') != std::string::npos);
    FUZZ_CHECK(server->front() != ':');
  }
  return 0;
}
