// The fields of a written book that the run keeps count of, to notice when a page of the
// site stops yielding one of them: which fields of a finished Book record are filled.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "analysis/book_record.h"

namespace kasumido {

enum class BookField {
  kISBN,
  kTitle,
  kAuthor,
  kSeries,
  kPrice,
  kClassCode,
  kReleaseDate,
  kPages,
  kFormat,
  kDescription,
  kCover,
};
inline constexpr int kBookFieldCount = 11;

// A set of BookFields, one bit per field (bit i for field i).
using BookFieldSet = std::uint16_t;

constexpr BookFieldSet FieldBit(BookField field) {
  return static_cast<BookFieldSet>(1u << static_cast<int>(field));
}

// The fields in order, with their names as the inspector's table shows them (ASCII).
inline constexpr std::array<std::string_view, kBookFieldCount> kBookFieldNames = {
    "ISBN",        "Title", "Author", "Series",      "Price", "ClassCode",
    "ReleaseDate", "Pages", "Format", "Description", "Cover"};

// The fields of `record` that hold something: a text not empty, a number not 0, the
// cover saved (CoverFile). `class_code_on_page` says whether the page named a
// classification code (a finished record holds the category's default otherwise).
BookFieldSet FilledFields(const BookRecord& record, bool class_code_on_page);

}  // namespace kasumido
