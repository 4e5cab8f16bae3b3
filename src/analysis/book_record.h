// The Book record: what one detail page tells about one book, and the line that it adds
// to the host's master file. The detail analysis fills the raw fields; FinishBookRecord
// then normalises them in a fixed order (ISBN to 13 digits, title clean-up, width folding,
// cover download, default classification code), and MasterFileLine composes the
// 17-field line. Text fields hold Shift_JIS bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "analysis/run_access.h"

namespace kasumido {

struct BookRecord {
  std::string ISBN;
  std::string Title;
  std::string Author;   // several author lines joined by "/"
  std::string Series;   // series label, empty when no series image matched
  int Price = 0;        // yen; 0 when none
  int ClassCode = 0;    // the digits after "C" on the ISBN line (0193 gives 193)
  int ReleaseDate = 0;  // days since 30 December 1899; 0 when missing or undecided
  int Pages = 0;
  std::string Format;          // the whole text line holding the book size
  std::string Description;     // title continuation lines and the contents text
  std::string DetailURL;       // listing folder URL followed by the link value
  std::string CoverImagePath;  // site path of the cover image (not written)
  std::string CoverFile;       // local path of the downloaded cover; empty when none
};

// The day count of year/month/day, or nullopt when they form no valid date (year 1 to
// 9999, month 1 to 12, day within the month).
std::optional<int> DayCountOf(int year, int month, int day);

// "yyyymmdd" of a day count; day count 0 gives "18991230".
std::string FormatReleaseDate(int day_count);

// StripIsbnHyphens, then Isbn10To13.
std::string NormalizeIsbn(std::string_view isbn);

// The written form of a title: ToHalfWidth, every "(" made a space, TrimAll, every ")"
// removed, TrimAll.
std::string CleanTitle(std::string_view title);

// The extension of a cover image path: from its last "." to the end, dot included; empty
// when there is no dot or when what follows it holds a "/" (a dot in a folder name).
std::string_view CoverExtension(std::string_view cover_image_path);

// The name of the local cover file: `isbn` when not empty, else `title` made safe with
// SafeFileName, followed by the extension of `cover_image_path`; always a plain file name
// inside the temporary folder:
// - characters a file name cannot hold are replaced as SafeFileName does (a "/" or "\" of
//   an ISBN or extension too), control bytes become "_", and a name that is only "." or
//   ".." has its dots made "_";
// - a name longer than 255 bytes is shortened at a character boundary, keeping an
//   extension of up to 32 bytes;
// - empty when no name results, or when the name is one of the run's work files.
// An ordinary name (digits or a title without such characters, ".jpg") is kept as it is.
std::string CoverFileName(std::string_view isbn, std::string_view title,
                          std::string_view cover_image_path);

// Finishes `record` for writing, in this order: ISBN normalised (always); then, only when
// the title is not empty: title cleaned, author and description folded with ToHalfWidth,
// the cover fetched from the site origin followed by CoverImagePath into the temporary
// folder (CoverFile set only when bytes arrived; a cover that cannot be named, fetched or
// saved leaves CoverFile empty and never throws), and ClassCode set to
// `category_default_code` when it is 0. Answers whether the record is to be written
// (false when the title was empty).
// Pumps the event loop (through the cover fetch): handlers may run before this returns.
bool FinishBookRecord(BookRecord& record, int category_default_code, RunAccess& run);

// The master-file line of a finished record, CR LF included: ISBN, Title, "", Author, "",
// Series, the publisher's name (quoted), Price, ClassCode, 0, 0, ReleaseDate as
// yyyymmdd, Pages (unquoted), Format, Description, DetailURL, CoverFile (quoted). Nothing
// inside quotes is escaped; a CR or LF inside a text field is written as a space so that
// the line stays one line.
std::string MasterFileLine(const BookRecord& record);

}  // namespace kasumido
