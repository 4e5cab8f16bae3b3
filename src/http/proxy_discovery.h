// The system proxy: one HTTP proxy host and port taken from the platform's setting
// (platform/system_proxy.h), for the host setting that asks to use it. A server text is
// read as it is; a proxy URL (the Linux source, "http_proxy" else "HTTP_PROXY") is first
// reduced to a server text "host:port". Then the server-list rules apply: an "http="
// entry of a per-protocol list is taken alone, and a server without a port is no proxy.
// The result is either a usable host and port or two empty texts; nothing is ever
// reported.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

struct IeProxySettings {
  bool Enabled = false;       // the system proxy is switched on
  std::string ProxyHost;      // host name or dotted address; empty for none
  std::string ProxyPortText;  // the port exactly as written after the colon; empty for none
};

// Fills `settings` from the platform's system proxy setting; an unusable or absent value
// means no proxy. Never fails.
void ReadIeProxy(IeProxySettings& settings);

// Applies the server-text rules to `server` (a single "host:port", or a per-protocol list
// such as "ftp=a:21;http=b:8080"): "http=" is searched without regard to case and the
// entry after it taken up to the first ";"; the host is the text before the first ":",
// the port the text after it. Switched off, without a colon, with an empty host or port,
// or a per-protocol list without an "http=" entry: no proxy (both texts empty, Enabled
// false).
void ParseProxyServer(bool enabled, std::string_view server, IeProxySettings& settings);

// The server text "host:port" of a proxy URL such as "http://user:pw@proxy:3128/": the
// scheme is optional ("http" in any case when present), user information and a trailing
// path are dropped, and port 80 is added when the URL names none. Nothing for a URL of
// another scheme (a proxy that speaks something other than plain HTTP) or without a host.
std::optional<std::string> ProxyServerFromUrl(std::string_view url);

}  // namespace kasumido
