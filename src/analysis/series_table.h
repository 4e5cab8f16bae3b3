// The series table: the heading images that name a book's series on a detail page, and
// the series label that each stands for. Rows are tried in order and the first row whose
// image piece occurs in an image source wins, so a piece may match with a folder in front
// of it or anything behind it (the bare "ma_sb-mook" matches every mook heading).
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kasumido {

struct SeriesRow {
  std::string_view image_piece;  // ASCII
  std::string_view label;        // Shift_JIS
};

inline constexpr size_t kSeriesRowCount = 32;
extern const std::array<SeriesRow, kSeriesRowCount> kSeriesTable;

// The label of the first row whose image piece occurs (whole characters, case-sensitive)
// in `image_source`, the raw SRC value of an IMG tag; nullopt when no row matches.
std::optional<std::string_view> LookupSeries(std::string_view image_source);

}  // namespace kasumido
