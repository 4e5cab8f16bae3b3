#include "html/char_refs.h"

#include <sstream>

#include <gtest/gtest.h>

namespace kasumido {
namespace {

// The Latin-1 names, codes 160 to 255, written out independently of the table.
constexpr const char* kLatin1Names =
    "nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr "
    "deg plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 "
    "frac34 iquest Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc "
    "Euml Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash "
    "Ugrave Uacute Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml aring "
    "aelig ccedil egrave eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve "
    "oacute ocirc otilde ouml divide oslash ugrave uacute ucirc uuml yacute thorn yuml";

TEST(EntityTable, HoldsTheFourMarkupNamesThenLatin1InCodeOrder) {
  std::vector<std::pair<std::string, int>> expected = {
      {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62}};
  std::istringstream names(kLatin1Names);
  std::string name;
  for (int code = 160; names >> name; ++code) expected.emplace_back(name, code);
  ASSERT_EQ(expected.size(), kEntityTable.size());
  for (size_t row = 0; row < expected.size(); ++row) {
    const auto& [name_part, code] = expected[row];
    EXPECT_EQ(kEntityTable[row].name, "&" + name_part + ";") << "row " << row + 1;
    EXPECT_EQ(kEntityTable[row].numeric, "&#" + std::to_string(code) + ";") << "row " << row + 1;
  }
}

TEST(CodeToChar, GivesASpaceForControlCodesAndNoBreakSpaceElseTheSameByte) {
  const std::pair<int, char> cases[] = {
      {0, ' '},   {9, ' '},      {10, ' '},     {31, ' '},     {32, ' '},
      {33, '!'},  {65, 'A'},     {127, '\x7f'}, {128, '\x80'}, {159, '\x9f'},
      {160, ' '}, {161, '\xa1'}, {169, '\xa9'}, {254, '\xfe'}, {255, '\xff'},
  };
  for (const auto& [code, byte] : cases) EXPECT_EQ(CodeToChar[code], byte) << code;
}

}  // namespace
}  // namespace kasumido
