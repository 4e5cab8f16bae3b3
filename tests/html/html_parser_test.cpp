#include "html/html_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "html/element_dump.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::BriefList;
using test::FullList;
using ::testing::ElementsAreArray;

std::vector<std::string> Tokenize(std::vector<std::string> lines) {
  THTMLParser parser;
  parser.Lines = std::move(lines);
  parser.Parse();
  return BriefList(parser);
}

struct TokenCase {
  const char* what;
  std::vector<std::string> lines;
  std::vector<std::string> elements;
};

TEST(THTMLParser, CutsLinesIntoTagsAndTexts) {
  const TokenCase cases[] = {
      {"tag with attribute", {"<a href=x>"}, {"<A HREF=x>"}},
      {"end tag", {"</td>"}, {"</TD>"}},
      {"self-closing slash joins the name", {"<br/>"}, {"<BR/>"}},
      {"detached slash is an attribute", {"<img src=a.gif />"}, {"<IMG SRC=a.gif /=>"}},
      {"text between tags", {"<b>bold</b>"}, {"<B>", "'bold'", "</B>"}},
      {"stray > yields an empty tag before the text", {"x > y"}, {"<>", "'x y '"}},
      {"<> yields an empty tag", {"a<>b"}, {"'a'", "<>", "'b '"}},
      {"< inside a tag is dropped", {"<<b>"}, {"<B>"}},
      {"< inside a tag continues it", {"<a <b c>"}, {"<A B= C=>"}},
      {"page ending inside a tag", {"text<p"}, {"'text'", "<P>"}},
      {"page ending with a bare <", {"text<"}, {"'text'"}},
      {"tag over two lines is joined", {"<a", "href=x>"}, {"<AHREF=X>"}},
      {"tag over two lines after a space", {"<a ", "href=x>"}, {"<A HREF=x>"}},
      {"line end after text becomes a space", {"Hello", "<b>"}, {"'Hello '", "<B>"}},
      {"line end with no pending text adds nothing", {"<b>", "Hello"}, {"<B>", "'Hello '"}},
      {"texts of several lines join", {"one", "", "two"}, {"'one two '"}},
      {"blank text between tags", {"<td>   </td>"}, {"<TD>", "' '", "</TD>"}},
      {"comment with marker", {"<!-- *MAIN -->"}, {"<!-- *MAIN= --=>"}},
      {"marker glued to the comment opener", {"<!--*MAIN-->"}, {"<!--*MAIN-->"}},
      {"> inside a comment ends it", {"<!-- a > b -->"}, {"<!-- A=>", "<>", "' b -- '"}},
      {"quotes do not protect >", {"<a title=\"x>y\">"}, {"<A TITLE=\"x>", "<>", "'y\" '"}},
      {"script content is text",
       {"<script>if (a<b) x();</script>"},
       {"<SCRIPT>", "'if (a'", "<B) X();/SCRIPT=>"}},
      {"tab is part of the name", {"<a\tb c>"}, {"<A\tB C=>"}},
      {"leading space gives an empty name", {"< a>"}, {"< A=>"}},
      {"entities in text", {"a&nbsp;b &lt;p&gt;"}, {"'a b <p> '"}},
      {"empty lines only", {"", ""}, {}},
      {"no lines", {}, {}},
  };
  for (const TokenCase& c : cases) {
    EXPECT_THAT(Tokenize(c.lines), ElementsAreArray(c.elements)) << c.what;
  }
}

TEST(THTMLParser, KeepsRawTextsExactly) {
  THTMLParser parser;
  parser.Lines = {"Hello  ", "wor&amp;ld<a  Href=\"/x y\"  alt='q'>", "<!-- *MAIN -->"};
  parser.Parse();
  EXPECT_THAT(FullList(parser),
              ElementsAreArray({
                  "text{Hello  \nwor&amp;ld|Hello wor&ld}",
                  "tag{A|a  Href=\"/x y\"  alt='q'|(HREF|/x y|Href=\"/x y\")(ALT|'q'|alt='q')}",
                  "tag{!--|!-- *MAIN --|(*MAIN||*MAIN)(--||--)}",
              }));
}

TEST(THTMLParser, KeepsDoubleByteTextUnconverted) {
  const std::string kanji = test::Euc("発売日：2026年12月25日");
  const std::string quoted_series = test::Euc("'シリーズ'");
  THTMLParser parser;
  parser.Lines = {"<td>" + kanji + "</td>", "<img alt=" + quoted_series + ">"};
  parser.Parse();
  ASSERT_EQ(parser.Elements.size(), 4u);
  EXPECT_EQ(parser.Elements[1].AsText()->Text, kanji);
  const std::optional<THTMLTag> img = parser.Elements[3].AsTag();
  ASSERT_TRUE(img.has_value());
  ASSERT_EQ(img->Params.size(), 1u);
  EXPECT_EQ(img->Params[0].Value, quoted_series);
}

TEST(THTMLParser, TellsTagsFromTexts) {
  THTMLParser parser;
  parser.Lines = {"a<b>"};
  parser.Parse();
  ASSERT_EQ(parser.Elements.size(), 2u);
  const THTMLElement text = parser.Elements[0];
  const THTMLElement tag = parser.Elements[1];
  EXPECT_EQ(text.Kind(), ElementKind::kText);
  EXPECT_FALSE(text.AsTag().has_value());
  EXPECT_TRUE(text.AsText().has_value());
  EXPECT_EQ(tag.Kind(), ElementKind::kTag);
  EXPECT_FALSE(tag.AsText().has_value());
  EXPECT_TRUE(tag.AsTag().has_value());
}

TEST(THTMLParser, SecondParseAppendsASecondCopy) {
  THTMLParser parser;
  // Ends inside a tag, so a stale open tag would spoil the second copy.
  parser.Lines = {"x<a href=1>y", "z<b"};
  parser.Parse();
  const std::vector<std::string> once = BriefList(parser);
  parser.Parse();
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_THAT(BriefList(parser), ElementsAreArray(twice));
  EXPECT_THAT(once, ElementsAreArray({"'x'", "<A HREF=1>", "'y z'", "<B>"}));
}

TEST(THTMLParser, LoadsLinesFromAPageFile) {
  test::ScratchDir dir;
  const std::string page = dir.Write("page.html", "<p>a\r\nb</p>\rc\n");
  THTMLParser parser;
  ASSERT_TRUE(parser.LoadLines(page));
  EXPECT_THAT(parser.Lines, ElementsAreArray({"<p>a", "b</p>", "c"}));
  parser.Parse();
  EXPECT_THAT(BriefList(parser), ElementsAreArray({"<P>", "'a b'", "</P>", "'c '"}));
}

TEST(THTMLParser, FailsToLoadWhatIsNotAReadableFile) {
  test::ScratchDir dir;
  dir.Write("file", "x");
  const std::string paths[] = {dir.File("missing.html"), dir.Path().string(),
                               dir.File("file/below-a-file.html")};
  for (const std::string& path : paths) {
    THTMLParser parser;
    parser.Lines = {"kept"};
    EXPECT_FALSE(parser.LoadLines(path)) << path;
    EXPECT_THAT(parser.Lines, ElementsAreArray({"kept"})) << path;
  }
}

// A clock that moves one millisecond every time it is read.
struct SteppingClock {
  TimePoint now{};
  TimePoint Read() { return now += Milliseconds(1); }
};

TEST(THTMLParser, YieldsToTheInterfaceWhileParsingWithoutChangingTheResult) {
  std::vector<std::string> lines;
  for (int i = 0; i < 2000; ++i) lines.push_back("<td class=c>cell " + std::to_string(i) + "</td>");
  THTMLParser quiet;
  quiet.Lines = lines;
  quiet.Parse();

  THTMLParser paced;
  paced.Lines = lines;
  SteppingClock clock;
  std::vector<size_t> elements_at_yield;
  YieldPacer pacer([&] { elements_at_yield.push_back(paced.Elements.size()); },
                   [&] { return clock.Read(); }, Milliseconds(3), 1024);
  paced.Parse(pacer);

  EXPECT_EQ(FullList(paced), FullList(quiet));
  // About 50 KB checked every 1 KB with a clock moving 1 ms per read and 3 ms between
  // yields: a yield every third check, spread over the whole parse.
  ASSERT_GE(elements_at_yield.size(), 10u);
  EXPECT_LE(elements_at_yield.size(), 30u);
  EXPECT_LT(elements_at_yield.front(), quiet.Elements.size() / 4);
  EXPECT_GT(elements_at_yield.back(), quiet.Elements.size() * 3 / 4);
}

}  // namespace
}  // namespace kasumido
