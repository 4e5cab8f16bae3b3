#include "http/proxy_discovery.h"

#include "platform/ascii.h"
#include "platform/system_proxy.h"

namespace kasumido {
namespace {

void SetNoProxy(IeProxySettings& settings) {
  settings.Enabled = false;
  settings.ProxyHost.clear();
  settings.ProxyPortText.clear();
}

}  // namespace

void ReadIeProxy(IeProxySettings& settings) {
  const SystemProxySource source = ReadSystemProxySource();
  if (source.form == SystemProxyForm::kServerText) {
    ParseProxyServer(source.enabled, source.text, settings);
    return;
  }
  std::optional<std::string> server;
  if (source.enabled) server = ProxyServerFromUrl(source.text);
  ParseProxyServer(server.has_value(), server.value_or(std::string()), settings);
}

void ParseProxyServer(bool enabled, std::string_view server, IeProxySettings& settings) {
  settings.Enabled = enabled;
  const std::size_t entry = AsciiLower(server).find("http=");
  if (entry != std::string::npos) {
    server.remove_prefix(entry + 5);
    server = server.substr(0, server.find(';'));
  } else if (server.find('=') != std::string_view::npos) {
    // A per-protocol list that names no HTTP proxy: another protocol's server would not
    // understand the requests, so the fetches go direct.
    SetNoProxy(settings);
    return;
  }
  const std::size_t colon = server.find(':');
  if (!enabled || colon == std::string_view::npos || colon == 0 || colon + 1 == server.size()) {
    SetNoProxy(settings);
    return;
  }
  settings.ProxyHost = std::string(server.substr(0, colon));
  settings.ProxyPortText = std::string(server.substr(colon + 1));
}

std::optional<std::string> ProxyServerFromUrl(std::string_view url) {
  const std::size_t scheme_end = url.find("://");
  if (scheme_end != std::string_view::npos) {
    if (AsciiLower(url.substr(0, scheme_end)) != "http") return std::nullopt;
    url.remove_prefix(scheme_end + 3);
  }
  std::string_view authority = url.substr(0, url.find_first_of("/?#"));
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  const std::size_t colon = authority.find(':');
  const std::string_view host = authority.substr(0, colon);
  if (host.empty()) return std::nullopt;
  std::string_view port;
  if (colon != std::string_view::npos) port = authority.substr(colon + 1);
  if (port.empty()) port = "80";
  return std::string(host) + ":" + std::string(port);
}

}  // namespace kasumido
