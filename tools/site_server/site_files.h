// A copy of a web site on disk, one file per request target, served by the project's
// loopback servers (the site server tool, the scripted test server in site mode) and by
// the nginx template beside this file, all with the same naming:
//
//   "/a/b.php?x=1&y=2"  is the file  "<root>/a/b.php__x=1&y=2"  (path, "__", query)
//   "/a/b.html"          is the file  "<root>/a/b.html"
//   "/a/"                is the file  "<root>/a/index.html"
//
// A target with a query whose "__" file does not exist falls back to its plain path, as
// the nginx template's try_files does. The path is percent-decoded, the query is not.
// Targets holding "..", "//", "/./", a NUL or a backslash are refused (404), so nothing
// outside the root is ever served. The Content-Type comes from the served file's
// extension; a file name with none that is known (a "__" query file) is "text/html".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "site_server/http_wire.h"

namespace kasumido::site {

// The files below the root that may hold `target` (origin form "/path?query"), relative
// and in the order they are tried. Empty when the target is refused.
std::vector<std::string> SiteFileCandidates(std::string_view target);

// The Content-Type of a served file, from its name's extension.
std::string_view ContentTypeFor(std::string_view file_name);

struct SiteAnswer {
  int status = 404;
  std::string file;      // the relative file served; empty for an error
  std::string response;  // the whole response: status line, header, body
};

// The answer to one request for the site at `root`: 200 with the file for GET (header
// only for HEAD), 404 when no candidate file is a regular file or the target is refused,
// 405 for any other method, 400 for an incomplete head. Absolute-form targets (a request
// sent to a proxy) are answered by their path and query.
SiteAnswer AnswerSiteRequest(const std::filesystem::path& root, const wire::RequestHead& head);

}  // namespace kasumido::site
