// Where the system proxy setting comes from on this platform. The program reads it
// afresh for every run that asks for the system proxy; the HTTP layer turns the text into
// a host and port by its own rules.
#pragma once

#include <string>

namespace kasumido {

enum class SystemProxyForm {
  kServerText,  // a server list such as "host:port" or "http=host:port;ftp=..."
  kProxyUrl,    // a proxy URL such as "http://user:pw@host:3128/"
};

struct SystemProxySource {
  bool enabled = false;  // the system proxy is switched on
  SystemProxyForm form = SystemProxyForm::kServerText;
  std::string text;  // empty when no proxy is named
};

// Linux: "http_proxy" when set and not empty, else "HTTP_PROXY", a proxy URL; enabled
// when one of them is. Windows: "ProxyEnable" (its low byte) and "ProxyServer" of the
// current user's Internet Settings, a server text. Never fails: an unreadable setting is
// a disabled one.
SystemProxySource ReadSystemProxySource();

}  // namespace kasumido
