// The composition of one request: its lines in a fixed order, each only when its value
// is given, then the bytes sent in one piece (every line ended by CR LF, then an empty
// line). The version is always "HTTP/1.0"; no Connection, Proxy-Connection or Keep-Alive
// header is ever written, so the server closes the connection after its reply.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace kasumido {

struct RequestHead {
  std::string Method = "GET";
  std::string RequestPath;  // the request-line target
  std::string Host;         // the Host header: a host name, never a port
  std::string Sender;       // From
  std::string Accept;
  std::string Reference;  // Referer
  std::string AcceptLanguage;
  std::string Agent;  // User-Agent
  bool NoCache = false;
  std::time_t ModifiedSince = 0;  // seconds since the epoch, UTC; 0: none
  std::string Username;
  std::string Password;
  bool ThroughProxy = false;
  std::string ProxyUsername;
  std::string ProxyPassword;
  std::string Cookie;
};

// The lines in this order: request line, From, Accept, Referer, Accept-Language,
// User-Agent, Host (always), Pragma: no-cache, If-Modified-Since, Authorization,
// Proxy-Authorization (only through a proxy), Cookie.
std::vector<std::string> RequestLines(const RequestHead& head);

// The request that opens a tunnel through a proxy to `authority` ("host:port"):
// "CONNECT host:port HTTP/1.0", User-Agent when given, "Host: host:port", and the proxy's
// Basic authorization when a user is given.
std::vector<std::string> TunnelRequestLines(const std::string& authority, const std::string& agent,
                                            const std::string& proxy_user,
                                            const std::string& proxy_password);

// Every line followed by CR LF, then CR LF.
std::string AssembleRequest(const std::vector<std::string>& lines);

// "Tue, 05 Mar 2024 09:04:00 GMT" for `time` (UTC).
std::string HttpDate(std::time_t time);

// Base64 with "=" padding, as Basic authorization sends user + ":" + password.
std::string Base64Encode(std::string_view bytes);

}  // namespace kasumido
