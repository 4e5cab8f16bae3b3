// Where a request goes: the host named in the Host header, the host and port the
// connection is made to (the site's, or the proxy's), the request-line target (a path
// directly, the absolute URL through a proxy), and whether the site speaks TLS
// ("https"). A TLS site behind a proxy is reached through the proxy's CONNECT tunnel,
// and its request-line target is then the path alone. Computed from the URL when a
// request starts and from a Location value when a reply relocates it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

struct RequestTarget {
  bool ThroughProxy = false;
  std::string TargetHost;   // sent in the Host header, never with a port
  std::string ConnectHost;  // the site's host, or the proxy's
  std::string ConnectPort;
  std::string RequestPath;  // the request-line target
  bool Secure = false;      // "https": TLS to the site, default port 443
  std::string Tunnel;       // "host:port" of the CONNECT tunnel through the proxy; or empty

  bool operator==(const RequestTarget&) const = default;
};

// A target together with the credentials its URL carried (each only when written).
struct TargetChoice {
  RequestTarget Target;
  std::optional<std::string> User;
  std::optional<std::string> Password;
};

// The proxy to connect to: the host of `proxy` and its port, else `proxy_port`.
struct ProxyEndpoint {
  std::string Host;
  std::string Port;
};
ProxyEndpoint ProxyEndpointOf(std::string_view proxy, std::string_view proxy_port);

// The target of `url`: direct when `proxy` is empty (port "80", "443" for "https", when
// the URL names none; path "/" when it has none); through the proxy otherwise (request
// path "scheme://host" + ":port" when written + path, "http" for a missing scheme; no
// "/" added), except for "https", which goes through a tunnel to the site's host and
// port with the path alone.
TargetChoice TargetForUrl(std::string_view url, std::string_view proxy,
                          std::string_view proxy_port);

// The target a Location value `location` leads to from `current`:
// - "/"-rooted: same host and port, that path (through a proxy prefixed with the scheme,
//   host and port of the current absolute target);
// - beginning with "http://" or "https://" exactly: that URL's scheme, host, port ("80"
//   or "443" when none) and path ("/" when none, unless written absolute for a proxy);
//   its user and password are returned when both are written;
// - anything else (an upper-case scheme included) is relative to the directory of the
//   current path: cut after its last "/" or ":" before the first "?". Rooted and
//   relative values keep the current scheme.
// Through a proxy the connect host and port are those of `proxy`/`proxy_port`.
// The result may hold any byte of `location`: see SendableTarget before requesting it.
TargetChoice RelocatedTarget(const RequestTarget& current, std::string_view location,
                             std::string_view proxy, std::string_view proxy_port);

// Whether a request to `target` can be sent as it is: no byte below 0x20 and no 0x7F in
// its host names, port, tunnel and request path, which go into the request line and the
// Host header (a CR there would start a new header line).
bool SendableTarget(const RequestTarget& target);

}  // namespace kasumido
