#include "text/isbn.h"

#include <string>

#include <gtest/gtest.h>

namespace kasumido {
namespace {

// ISBN-10 and ISBN-13 of the same books, check digits worked out apart from this code.
struct IsbnPair {
  const char* isbn10;
  const char* hyphenated10;
  const char* isbn13;
  const char* hyphenated13;
};
const IsbnPair kBooks[] = {
    {"0131103628", "0-13-110362-8", "9780131103627", "978-0-13-110362-7"},
    {"0201896834", "0-201-89683-4", "9780201896831", "978-0-201-89683-1"},
    {"0262510871", "0-262-51087-1", "9780262510875", "978-0-262-51087-5"},
    {"0306406152", "0-306-40615-2", "9780306406157", "978-0-306-40615-7"},
    {"080442957X", "0-8044-2957-X", "9780804429573", "978-0-8044-2957-3"},
    {"4061825100", "4-06-182510-0", "9784061825109", "978-4-06-182510-9"},
    {"4003101014", "4-00-310101-4", "9784003101018", "978-4-00-310101-8"},
    {"4048686402", "4-04-868640-2", "9784048686402", "978-4-04-868640-2"},
    {"4840237743", "4-8402-3774-3", "9784840237741", "978-4-8402-3774-1"},
};

TEST(Isbn, NormalisesRealBooksToThirteenDigits) {
  for (const IsbnPair& book : kBooks) {
    const std::string isbn13 = book.isbn13;
    EXPECT_EQ(Ean13CheckDigit(isbn13), isbn13.substr(12)) << isbn13;
    EXPECT_EQ(Ean13CheckDigit(isbn13.substr(0, 12)), isbn13.substr(12)) << isbn13;
    EXPECT_EQ(Isbn10To13(book.isbn10), isbn13);
    EXPECT_EQ(Isbn10To13(StripIsbnHyphens(book.hyphenated10)), isbn13);
    EXPECT_EQ(Isbn10To13(StripIsbnHyphens(book.hyphenated13)), isbn13);
  }
}

TEST(Ean13CheckDigit, NeedsTwelveDigits) {
  const std::pair<std::string, std::string> cases[] = {
      {"97848912345", ""},  // eleven digits
      {"", ""},
      {"97848912345X", ""},  // non-digit at an even position
      {"X78489123456", ""},  // non-digit at an odd position
      {"978 489123456", ""},
      {"978489123456", "0"},
      {"978489123456-rest", "0"},  // characters after the twelfth are ignored
      {"000000000000", "0"},
  };
  for (const auto& [text, digit] : cases) {
    EXPECT_EQ(Ean13CheckDigit(text), digit) << text;
  }
}

TEST(Isbn10To13, ConvertsOnlyTenByteTexts) {
  const std::pair<std::string, std::string> cases[] = {
      {"4-89-123456-7", "4-89-123456-7"},  // 13 bytes: unchanged
      {"4891234567", "9784891234560"},
      {" 4891234567\t", "9784891234560"},  // blanks around are trimmed first
      {"489123456X", "9784891234560"},     // the old check character is dropped
      {"48912345X7", ""},                  // a non-digit among the first nine
      {"ABCDEFGHIJ", ""},
      {" 978489123456 ", " 978489123456 "},  // other lengths untouched, blanks too
      {"", ""},
  };
  for (const auto& [text, result] : cases) {
    EXPECT_EQ(Isbn10To13(text), result) << text;
  }
}

TEST(StripIsbnHyphens, StripsOnlyThirteenAndSeventeenByteTexts) {
  const std::pair<std::string, std::string> cases[] = {
      {"4-89-123456-7", "4891234567"},          {"978-4-89-123456-0", "9784891234560"},
      {" 4-89-123456-7 ", " 4891234567 "},      {"4891234567", "4891234567"},
      {"9784891234560", "9784891234560"},        // 13 digits: nothing to strip
      {"4-89123456-7", "4-89123456-7"},          // 12 bytes
      {"978-4-89-1234560", "978-4-89-1234560"},  // 16 bytes
  };
  for (const auto& [text, result] : cases) {
    EXPECT_EQ(StripIsbnHyphens(text), result) << text;
  }
}

}  // namespace
}  // namespace kasumido
