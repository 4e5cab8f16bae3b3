#include "http/request_target.h"

#include "http/url_split.h"

namespace kasumido {
namespace {

constexpr std::string_view kSecureScheme = "https";

std::string DefaultPort(bool secure) { return secure ? "443" : "80"; }

std::string PortOr(const UrlParts& parts, bool secure) {
  return parts.Port.empty() ? DefaultPort(secure) : parts.Port;
}

// A TLS site through a proxy: the tunnel to its host and port, the path alone.
void UseTunnel(RequestTarget& target, const UrlParts& parts) {
  target.Tunnel = parts.Host + ":" + PortOr(parts, true);
  target.RequestPath = parts.Path.empty() ? "/" : parts.Path;
}

// "scheme://host" + ":port" when written: the front of an absolute request target.
std::string OriginOf(const UrlParts& parts) {
  std::string origin = parts.Scheme.empty() ? "http" : parts.Scheme;
  origin += "://";
  origin += parts.Host;
  if (!parts.Port.empty()) origin += ":" + parts.Port;
  return origin;
}

// The directory of a path: cut just after its last "/" or ":" before the first "?";
// empty when there is none.
std::string_view DirectoryOf(std::string_view path) {
  const std::string_view before_query = path.substr(0, path.find('?'));
  const std::size_t cut = before_query.find_last_of("/:");
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

bool HoldsControlByte(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

void UseProxy(RequestTarget& target, std::string_view proxy, std::string_view proxy_port) {
  ProxyEndpoint endpoint = ProxyEndpointOf(proxy, proxy_port);
  target.ThroughProxy = true;
  target.ConnectHost = std::move(endpoint.Host);
  target.ConnectPort = std::move(endpoint.Port);
}

}  // namespace

ProxyEndpoint ProxyEndpointOf(std::string_view proxy, std::string_view proxy_port) {
  UrlParts parts = SplitUrl(proxy);
  ProxyEndpoint endpoint;
  endpoint.Host = std::move(parts.Host);
  endpoint.Port = parts.Port.empty() ? std::string(proxy_port) : std::move(parts.Port);
  return endpoint;
}

TargetChoice TargetForUrl(std::string_view url, std::string_view proxy,
                          std::string_view proxy_port) {
  const UrlParts parts = SplitUrl(url);
  TargetChoice choice;
  RequestTarget& target = choice.Target;
  target.TargetHost = parts.Host;
  target.Secure = parts.Scheme == kSecureScheme;
  if (proxy.empty()) {
    target.RequestPath = parts.Path;
    target.ConnectHost = parts.Host;
    target.ConnectPort = PortOr(parts, target.Secure);
  } else {
    if (target.Secure) {
      UseTunnel(target, parts);
    } else {
      target.RequestPath = OriginOf(parts) + parts.Path;
    }
    UseProxy(target, proxy, proxy_port);
  }
  if (target.RequestPath.empty()) target.RequestPath = "/";
  if (parts.HasUser) choice.User = parts.User;
  if (parts.HasPassword) choice.Password = parts.Password;
  return choice;
}

TargetChoice RelocatedTarget(const RequestTarget& current, std::string_view location,
                             std::string_view proxy, std::string_view proxy_port) {
  TargetChoice choice;
  RequestTarget& target = choice.Target;
  target = current;
  // Through a proxy without a tunnel the request path is an absolute URL.
  const bool absolute_paths = current.ThroughProxy && current.Tunnel.empty();
  if (location.starts_with('/')) {
    target.RequestPath = absolute_paths
                             ? OriginOf(SplitUrl(current.RequestPath)) + std::string(location)
                             : std::string(location);
  } else if (location.starts_with("http://") || location.starts_with("https://")) {
    const UrlParts parts = SplitUrl(location);
    target.Secure = parts.Scheme == kSecureScheme;
    target.TargetHost = parts.Host;
    target.Tunnel.clear();
    if (!current.ThroughProxy) {
      target.ConnectHost = parts.Host;
      target.ConnectPort = PortOr(parts, target.Secure);
      target.RequestPath = parts.Path.empty() ? "/" : parts.Path;
    } else if (target.Secure) {
      UseTunnel(target, parts);
    } else {
      target.RequestPath = OriginOf(parts) + parts.Path;
    }
    if (parts.HasUser && parts.HasPassword) {
      choice.User = parts.User;
      choice.Password = parts.Password;
    }
  } else if (absolute_paths) {
    // Relative to the path of the absolute target; a target without a path ("http://h")
    // stands for the root, as it does for a direct request.
    const UrlParts parts = SplitUrl(current.RequestPath);
    std::string directory(DirectoryOf(parts.Path));
    if (directory.empty()) directory = "/";
    target.RequestPath = OriginOf(parts) + directory + std::string(location);
  } else {
    target.RequestPath = std::string(DirectoryOf(current.RequestPath)) + std::string(location);
  }
  if (current.ThroughProxy) UseProxy(target, proxy, proxy_port);
  return choice;
}

bool SendableTarget(const RequestTarget& target) {
  return !HoldsControlByte(target.TargetHost) && !HoldsControlByte(target.ConnectHost) &&
         !HoldsControlByte(target.ConnectPort) && !HoldsControlByte(target.RequestPath) &&
         !HoldsControlByte(target.Tunnel);
}

}  // namespace kasumido
