// The validators of the saved listing pages: the ETag and Last-Modified that came with the
// page that became each saved copy, kept by the URL they came from ("old/
// kasumidoValidators.txt" in the host's folder, the program's own file beside the saved
// copies, where the host never looks). The next run sends them back (If-None-Match,
// If-Modified-Since) for that URL only, so a site that answers 304 costs no download.
// Steps 5 and 6 (and 9 and 10) share one saved copy, but each URL keeps its own
// validators: a 304 for a URL means its page has not changed since it was last analysed
// to its end, whichever page the shared copy now holds.
//
// Values are kept as received when they are printable ASCII of at most kMaxValidatorLength
// bytes (anything else is dropped, never sent back). The file is replaced atomically; a
// missing or damaged one is an empty one (the pages are then fetched whole once).
//
// File format: the line kValidatorsHeader, then "<URL>\t<ETag>\t<Last-Modified>" per URL
// (either value may be empty), lines ended by CR LF.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kasumido {

inline constexpr std::string_view kValidatorsFileName = "kasumidoValidators.txt";
inline constexpr std::string_view kValidatorsHeader = "kasumido listing validators 1";
inline constexpr std::size_t kMaxValidatorLength = 256;

struct PageValidators {
  std::string etag;           // the ETag header's value, as received
  std::string last_modified;  // the Last-Modified header's value, as received

  bool Empty() const { return etag.empty() && last_modified.empty(); }
  bool operator==(const PageValidators&) const = default;
};

// The validators among a reply's header lines (status line first): the first ETag and
// Last-Modified (names in any case, values trimmed), each dropped when not printable
// ASCII or longer than kMaxValidatorLength.
PageValidators ValidatorsOf(const std::vector<std::string>& reply_header);

// The request lines that send `validators` back (none for an empty value).
std::vector<std::string> ConditionalRequestLines(const PageValidators& validators);

class ListingValidators {
 public:
  // Reads the file at `path`.
  static ListingValidators Load(std::string path);

  // The validators kept for `url`; empty when none.
  PageValidators For(const std::string& url) const;
  // Keeps `validators` for `url` (forgets the URL when they are empty) and replaces the
  // file when that changed anything. A failure only means a whole download next time.
  FileWriteStatus Keep(const std::string& url, const PageValidators& validators);

 private:
  explicit ListingValidators(std::string path) : path_(std::move(path)) {}

  std::string path_;
  std::map<std::string, PageValidators> by_url_;
};

}  // namespace kasumido
