#include "http/http_request.h"

#include <cstdio>

namespace kasumido {
namespace {

void AddWhenGiven(std::vector<std::string>& lines, std::string_view name,
                  const std::string& value) {
  if (!value.empty()) lines.push_back(std::string(name) + ": " + value);
}

std::string BasicCredentials(const std::string& user, const std::string& password) {
  return "Basic " + Base64Encode(user + ":" + password);
}

}  // namespace

std::vector<std::string> TunnelRequestLines(const std::string& authority, const std::string& agent,
                                            const std::string& proxy_user,
                                            const std::string& proxy_password) {
  std::vector<std::string> lines{"CONNECT " + authority + " HTTP/1.0"};
  AddWhenGiven(lines, "User-Agent", agent);
  lines.push_back("Host: " + authority);
  if (!proxy_user.empty()) {
    lines.push_back("Proxy-Authorization: " + BasicCredentials(proxy_user, proxy_password));
  }
  return lines;
}

std::vector<std::string> RequestLines(const RequestHead& head) {
  std::vector<std::string> lines;
  lines.push_back(head.Method + " " + head.RequestPath + " HTTP/1.0");
  AddWhenGiven(lines, "From", head.Sender);
  AddWhenGiven(lines, "Accept", head.Accept);
  AddWhenGiven(lines, "Referer", head.Reference);
  AddWhenGiven(lines, "Accept-Language", head.AcceptLanguage);
  AddWhenGiven(lines, "User-Agent", head.Agent);
  lines.push_back("Host: " + head.Host);
  if (head.NoCache) lines.push_back("Pragma: no-cache");
  if (head.ModifiedSince != 0)
    lines.push_back("If-Modified-Since: " + HttpDate(head.ModifiedSince));
  if (!head.Username.empty()) {
    lines.push_back("Authorization: " + BasicCredentials(head.Username, head.Password));
  }
  if (head.ThroughProxy && !head.ProxyUsername.empty()) {
    lines.push_back("Proxy-Authorization: " +
                    BasicCredentials(head.ProxyUsername, head.ProxyPassword));
  }
  AddWhenGiven(lines, "Cookie", head.Cookie);
  return lines;
}

std::string AssembleRequest(const std::vector<std::string>& lines) {
  std::size_t size = 2;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  bytes += "\r\n";
  return bytes;
}

std::string HttpDate(std::time_t time) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  if (gmtime_r(&time, &utc) == nullptr) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%s, %2.2d %s %4.4d %2.2d:%2.2d:%2.2d GMT", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned value = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
    encoded += kAlphabet[value >> 18 & 63];
    encoded += kAlphabet[value >> 12 & 63];
    encoded += kAlphabet[value >> 6 & 63];
    encoded += kAlphabet[value & 63];
  }
  const std::size_t left = bytes.size() - i;
  if (left > 0) {
    unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
    if (left == 2) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    encoded += kAlphabet[value >> 18 & 63];
    encoded += kAlphabet[value >> 12 & 63];
    encoded += left == 2 ? kAlphabet[value >> 6 & 63] : '=';
    encoded += '=';
  }
  return encoded;
}

}  // namespace kasumido
