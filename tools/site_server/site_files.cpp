#include "site_server/site_files.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/ascii.h"

namespace kasumido::site {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The path with its %XX escapes decoded; nothing for a broken escape.
std::optional<std::string> DecodePath(std::string_view path) {
  std::string decoded;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] != '%') {
      decoded += path[i];
      continue;
    }
    if (i + 2 >= path.size()) return std::nullopt;
    const int high = HexValue(path[i + 1]);
    const int low = HexValue(path[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return decoded;
}

bool IsRefusedName(std::string_view name) {
  return name.find("..") != std::string_view::npos || name.find("//") != std::string_view::npos ||
         name.find("/./") != std::string_view::npos || name.find('\0') != std::string_view::npos ||
         name.find('\\') != std::string_view::npos;
}

bool IsRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string Response(int status, std::string_view reason, std::string_view content_type,
                     std::string_view body, bool with_body) {
  std::string response = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
  response += "Content-Type: " + std::string(content_type) + "\r\n";
  response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  response += "Connection: close\r\n\r\n";
  if (with_body) response += body;
  return response;
}

SiteAnswer ErrorAnswer(int status, std::string_view reason) {
  const std::string body =
      "<html><body>" + std::to_string(status) + " " + std::string(reason) + "</body></html>\n";
  return {status, "", Response(status, reason, "text/html", body, true)};
}

}  // namespace

std::vector<std::string> SiteFileCandidates(std::string_view target) {
  const std::size_t question = target.find('?');
  const std::string_view raw_path = target.substr(0, question);
  const bool has_query = question != std::string_view::npos;
  const std::string_view query = has_query ? target.substr(question + 1) : std::string_view();
  if (raw_path.empty() || raw_path.front() != '/') return {};
  const std::optional<std::string> path = DecodePath(raw_path);
  if (!path || IsRefusedName(*path) || IsRefusedName(query)) return {};
  // Relative to the root: the leading "/" dropped, "index.html" for a folder.
  std::string plain = path->substr(1);
  if (plain.empty() || plain.back() == '/') plain += "index.html";
  std::vector<std::string> candidates;
  if (!query.empty()) {
    const std::string with_query = path->substr(1) + "__" + std::string(query);
    if (IsRefusedName("/" + with_query)) return {};
    candidates.push_back(with_query);
  }
  candidates.push_back(plain);
  return candidates;
}

std::string_view ContentTypeFor(std::string_view file_name) {
  const std::size_t slash = file_name.rfind('/');
  const std::size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return "text/html";
  }
  const std::string extension = AsciiLower(file_name.substr(dot + 1));
  if (extension == "jpg" || extension == "jpeg") return "image/jpeg";
  if (extension == "gif") return "image/gif";
  if (extension == "png") return "image/png";
  if (extension == "css") return "text/css";
  if (extension == "js") return "application/javascript";
  if (extension == "txt") return "text/plain";
  return "text/html";  // html, htm, php and the "__" query files
}

SiteAnswer AnswerSiteRequest(const std::filesystem::path& root, const wire::RequestHead& head) {
  if (!head.complete) return ErrorAnswer(400, "Bad Request");
  if (head.method != "GET" && head.method != "HEAD") return ErrorAnswer(405, "Method Not Allowed");
  for (const std::string& candidate : SiteFileCandidates(head.OriginForm())) {
    const std::filesystem::path file = root / candidate;
    if (!IsRegularFile(file)) continue;
    const std::string body = ReadWholeFile(file);
    return {200, candidate,
            Response(200, "OK", ContentTypeFor(candidate), body, head.method == "GET")};
  }
  return ErrorAnswer(404, "Not Found");
}

}  // namespace kasumido::site
