#include "analysis/book_record.h"

#include <chrono>
#include <cstdio>

#include "analysis/failure_log.h"
#include "analysis/work_files.h"
#include "kasumido/texts.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "text/file_names.h"
#include "text/half_width.h"
#include "text/isbn.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

// Day 0 of the day count.
constexpr sys_days kDayZero = sys_days{std::chrono::year{1899} / 12 / 30};

// The longest file name the file system takes, in bytes, and the longest extension kept
// when a name has to be shortened.
constexpr size_t kMaxFileName = 255;
constexpr size_t kMaxKeptExtension = 32;

// The first `max_bytes` bytes of `text`, cut before a double-byte character that would
// not fit whole.
std::string_view CutAtCharacter(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t end = 0;
  while (end < text.size()) {
    const size_t width = IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + width > max_bytes) break;
    end += width;
  }
  return text.substr(0, end);
}

// SafeFileName, then every control byte (never a trail byte) made "_".
std::string PlainNamePart(std::string_view part) {
  std::string safe = SafeFileName(part);
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '_';
  }
  return safe;
}

// Replaces CR and LF by spaces, so that a field never breaks the line.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

void AppendQuoted(std::string& line, std::string_view field) {
  line += '"';
  line += OneLine(field);
  line += "\",";
}

void AppendNumber(std::string& line, int number) {
  line += std::to_string(number);
  line += ',';
}

// Fetches `url` into `path`; empty when bytes arrived, else why not in plain words.
// Pumps the event loop: button handlers and timers may run before this returns.
std::string FetchCover(RunAccess& run, const std::string& url, const std::string& path) {
  try {
    if (run.FetchUrl(url, path, DocumentKind::kCover) > 0) return {};
    return run.LastFetchFailure();
  } catch (const std::exception& error) {
    const std::string reason = run.LastFetchFailure();
    return reason.empty() ? error.what() : reason;
  } catch (...) {
    return "unknown error";
  }
}

// Fetches the cover into the temporary folder under its Shift_JIS name made path text,
// and sets CoverFile to the Shift_JIS path the host opens it by. A cover that cannot be
// named for the file system or for the host, fetched or saved leaves the field empty and
// is logged with its URL and the reason; the book is still written. When the host cannot
// name the temporary folder at all, the run has said so once and no cover is fetched.
// Pumps the event loop: button handlers and timers may run before this returns.
void DownloadCover(BookRecord& record, RunAccess& run) {
  record.CoverFile.clear();
  if (record.CoverImagePath.empty() || !SjisPathForHost(run.TempFolder())) return;
  const std::string url = run.SiteOrigin() + record.CoverImagePath;
  const std::string name = CoverFileName(record.ISBN, record.Title, record.CoverImagePath);
  if (name.empty()) {
    return LogFailure(run, LogLineKind::kPlain, url, texts::kWordCoverFetchFailed,
                      "no usable file name");
  }
  const std::optional<std::string> file_name = PathFromSjis(name);
  if (!file_name) {
    return LogFailure(run, LogLineKind::kPlain, url, texts::kWordCoverNotSaved,
                      "not a file name: " + name);
  }
  const std::string path = run.TempFolder() + *file_name;
  if (const std::string reason = FetchCover(run, url, path); !reason.empty()) {
    return LogFailure(run, LogLineKind::kPlain, url, texts::kWordCoverFetchFailed, reason);
  }
  std::optional<std::string> for_host = SjisPathForHost(path);
  if (!for_host) {
    RemoveFile(path);
    return LogFailure(run, LogLineKind::kPlain, url, texts::kWordCoverNotSaved,
                      "no path the host can open: " + ShiftJisForDisplay(path));
  }
  record.CoverFile = std::move(*for_host);
}

}  // namespace

std::optional<int> DayCountOf(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) {
    return std::nullopt;
  }
  const year_month_day date{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                            std::chrono::day{unsigned(day)}};
  if (!date.ok()) return std::nullopt;
  return static_cast<int>((sys_days{date} - kDayZero).count());
}

std::string FormatReleaseDate(int day_count) {
  const year_month_day date{kDayZero + days{day_count}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02u%02u", int(date.year()), unsigned(date.month()),
                unsigned(date.day()));
  return text;
}

std::string NormalizeIsbn(std::string_view isbn) { return Isbn10To13(StripIsbnHyphens(isbn)); }

std::string CleanTitle(std::string_view title) {
  std::string clean = TrimAll(SjisReplaceAll(ToHalfWidth(title), "(", " "));
  return TrimAll(SjisReplaceAll(clean, ")", ""));
}

std::string_view CoverExtension(std::string_view cover_image_path) {
  const size_t dot = cover_image_path.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::string_view extension = cover_image_path.substr(dot);
  if (extension.find('/') != std::string_view::npos) return {};
  return extension;
}

std::string CoverFileName(std::string_view isbn, std::string_view title,
                          std::string_view cover_image_path) {
  const std::string base = PlainNamePart(isbn.empty() ? std::string_view(title) : isbn);
  const std::string extension = PlainNamePart(CoverExtension(cover_image_path));
  std::string name = base + extension;
  if (name == "." || name == "..") name.assign(name.size(), '_');
  if (name.size() > kMaxFileName) {
    if (extension.size() <= kMaxKeptExtension) {
      name = std::string(CutAtCharacter(base, kMaxFileName - extension.size())) + extension;
    } else {
      name = std::string(CutAtCharacter(name, kMaxFileName));
    }
  }
  if (name == kListingWorkFile || name == kDetailWorkFile) return {};
  return name;
}

bool FinishBookRecord(BookRecord& record, int category_default_code, RunAccess& run) {
  record.ISBN = NormalizeIsbn(record.ISBN);
  if (record.Title.empty()) return false;
  record.Title = CleanTitle(record.Title);
  record.Author = ToHalfWidth(record.Author);
  record.Description = ToHalfWidth(record.Description);
  DownloadCover(record, run);
  if (record.ClassCode == 0) record.ClassCode = category_default_code;
  return true;
}

std::string MasterFileLine(const BookRecord& record) {
  std::string line;
  line.reserve(256 + record.Title.size() + record.Author.size() + record.Description.size() +
               record.DetailURL.size() + record.CoverFile.size());
  AppendQuoted(line, record.ISBN);
  AppendQuoted(line, record.Title);
  AppendQuoted(line, "");
  AppendQuoted(line, record.Author);
  AppendQuoted(line, "");
  AppendQuoted(line, record.Series);
  AppendQuoted(line, texts::kPublisherName);
  AppendNumber(line, record.Price);
  AppendNumber(line, record.ClassCode);
  line += "0,0,";
  line += FormatReleaseDate(record.ReleaseDate);
  line += ',';
  AppendNumber(line, record.Pages);
  AppendQuoted(line, record.Format);
  AppendQuoted(line, record.Description);
  AppendQuoted(line, record.DetailURL);
  line += '"';
  line += OneLine(record.CoverFile);
  line += "\"\r\n";
  return line;
}

}  // namespace kasumido
