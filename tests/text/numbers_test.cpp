#include "text/numbers.h"

#include <string>

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace kasumido {
namespace {

TEST(StrToIntNoCommas, ReadsSignedDecimalsIgnoringCommas) {
  const std::pair<std::string, int> cases[] = {
      {"1,260", 1260},
      {"0", 0},
      {"-15", -15},
      {"+7", 7},
      {",1,,2,", 12},
      {"-,5", -5},
      {"007", 7},
      {"2,147,483,647", 2147483647},
      {"-2147483648", -2147483647 - 1},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(StrToIntNoCommas(text, 99), value) << text;
  }
}

TEST(StrToIntNoCommas, GivesTheDefaultForAnythingElse) {
  const std::string cases[] = {
      "",
      ",",
      "-",
      "+",
      " 12",
      "12 ",
      "1.5",
      "12a",
      "0x1F",
      "$1F",
      "--1",
      "1-",
      "2147483648",
      "-2147483649",
      "99999999999999999999",
      test::Sjis("１２"),
      "1,260円",
  };
  for (const std::string& text : cases) {
    EXPECT_EQ(StrToIntNoCommas(text, -7), -7) << text;
  }
}

}  // namespace
}  // namespace kasumido
