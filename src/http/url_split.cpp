#include "http/url_split.h"

#include <algorithm>

namespace kasumido {
namespace {

bool IsSchemeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

void SplitAuthority(std::string_view authority, UrlParts& parts) {
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view user_info = authority.substr(0, at);
    authority.remove_prefix(at + 1);
    const std::size_t colon = user_info.find(':');
    parts.HasUser = true;
    parts.User = std::string(user_info.substr(0, colon));
    if (colon != std::string_view::npos) {
      parts.HasPassword = true;
      parts.Password = std::string(user_info.substr(colon + 1));
    }
  }
  const std::size_t colon = authority.rfind(':');
  parts.Host = std::string(authority.substr(0, colon));
  if (colon != std::string_view::npos) parts.Port = std::string(authority.substr(colon + 1));
}

}  // namespace

UrlParts SplitUrl(std::string_view url) {
  UrlParts parts;
  if (url.starts_with('/') && !url.starts_with("//")) {
    parts.Scheme = "http";
    parts.Path = std::string(url);
    return parts;
  }
  std::string_view rest = url;
  const std::size_t marker = url.find("://");
  if (marker != std::string_view::npos && marker > 0 &&
      std::all_of(url.begin(), url.begin() + marker, IsSchemeChar)) {
    parts.Scheme = std::string(url.substr(0, marker));
    rest = url.substr(marker + 3);
  } else if (url.starts_with("//")) {
    rest = url.substr(2);  // an authority without a scheme, written after "//"
  }
  const std::size_t path_start = rest.find_first_of("/?");
  SplitAuthority(rest.substr(0, path_start), parts);
  if (path_start != std::string_view::npos) parts.Path = std::string(rest.substr(path_start));
  return parts;
}

}  // namespace kasumido
