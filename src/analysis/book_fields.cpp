#include "analysis/book_fields.h"

namespace kasumido {

BookFieldSet FilledFields(const BookRecord& record, bool class_code_on_page) {
  const std::pair<BookField, bool> filled[] = {
      {BookField::kISBN, !record.ISBN.empty()},
      {BookField::kTitle, !record.Title.empty()},
      {BookField::kAuthor, !record.Author.empty()},
      {BookField::kSeries, !record.Series.empty()},
      {BookField::kPrice, record.Price != 0},
      {BookField::kClassCode, class_code_on_page},
      {BookField::kReleaseDate, record.ReleaseDate != 0},
      {BookField::kPages, record.Pages != 0},
      {BookField::kFormat, !record.Format.empty()},
      {BookField::kDescription, !record.Description.empty()},
      {BookField::kCover, !record.CoverFile.empty()},
  };
  BookFieldSet set = 0;
  for (const auto& [field, is_filled] : filled) {
    if (is_filled) set |= FieldBit(field);
  }
  return set;
}

}  // namespace kasumido
