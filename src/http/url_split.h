// SplitUrl: cuts a URL, a proxy text ("host", "host:port") or a Location value into its
// parts, for the forms the client meets: "scheme://[user[:password]@]host[:port][path]",
// an authority without a scheme, and a bare "/"-rooted path (scheme "http", no host).
// Nothing is decoded and no part is validated; a missing part is empty.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

struct UrlParts {
  std::string Scheme;  // empty when the text names none ("http" for a bare path)
  std::string User;
  std::string Password;
  std::string Host;
  std::string Port;  // empty when none is written
  std::string Path;  // from the first "/" or "?" after the authority; empty when none
  bool HasUser = false;
  bool HasPassword = false;

  bool operator==(const UrlParts&) const = default;
};

// The scheme is the text before the first "://" when it holds only lower-case letters,
// digits, "+", "-" and "."; without it the text is authority and path. The authority
// ends at the first "/" or "?"; in it the last "@" ends the user information (split at
// its first ":" into user and password) and a ":" after that "@" (the last one) starts
// the port.
UrlParts SplitUrl(std::string_view url);

}  // namespace kasumido
