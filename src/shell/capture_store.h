// Pages kept as evidence: a detail page that gave no book or a book without ISBN, a
// listing page that gave no detail link where it used to. Each is kept with its URL, why
// it was kept, when, and the server's status line and header, in the program's own folder
// ("captures", never among the host's files), so that a change of the site's pages can be
// seen, and a fix of the program checked, on the very pages that showed it
// (kasumido-inspect recheck).
//
// Bounded: at most kCapturesKept pages and kCaptureBytesLimit bytes in all, the oldest
// dropped first; files are named "capture-NNN.txt" with NNN cycling through
// kCaptureNames numbers, so the folder never holds more than that many whatever becomes
// of its index ("index.txt": a header line, then "<name>\t<bytes>\t<digest>" per
// capture, oldest first). The same page from the same URL is kept once, so a page that
// gives too little at every run does not push the others out. Files are replaced
// atomically; a missing or damaged index starts afresh, removing every capture file.
// Never needed for a run to work.
//
// A capture file: the line kCaptureHeader; "URL: ", "Why: " and "Kept: " lines; an empty
// line; the reply's header lines as received (status line first); an empty line; the
// page's bytes. Lines end in CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kasumido {

inline constexpr std::string_view kCaptureFolderName = "captures";
inline constexpr std::string_view kCaptureHeader = "kasumido capture 1";
inline constexpr std::size_t kCapturesKept = 40;
inline constexpr std::int64_t kCaptureBytesLimit = 4 * 1024 * 1024;
inline constexpr int kCaptureNames = 100;

struct Capture {
  std::string url;                        // where the page came from
  std::string why;                        // plain ASCII words
  std::string kept;                       // local time, "yyyy-mm-dd hh:nn"
  std::vector<std::string> reply_header;  // the reply's header lines, status line first
  std::string page;                       // the page's bytes as received

  bool operator==(const Capture&) const = default;
};

// The file's bytes of `capture` (CR and LF inside the URL, the reason or a header line
// become blanks), and the capture of a file's bytes (nothing when they are not one).
std::string SerializeCapture(const Capture& capture);
std::optional<Capture> ParseCapture(std::string_view bytes);

class CaptureStore {
 public:
  // `folder`: the captures folder (made when the first page is kept).
  explicit CaptureStore(std::string folder) : folder_(std::move(folder)) {}

  // Keeps `capture`, dropping the oldest beyond the bounds. The name of the file kept (of
  // the one kept before when it holds the same URL and page), or nothing with the failure
  // in `error`; what was kept before stays as it was on a failure.
  std::optional<std::string> Keep(const Capture& capture, std::string& error);

 private:
  std::string folder_;
};

}  // namespace kasumido
