// The description as the walk builds it, against the rule applied literally, and the
// walk's yields on a long page.
#include "analysis/detail_walker.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "html/html_parser.h"
#include "kasumido/texts.h"
#include "support/encoding.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

// A page whose texts after the contents heading are `pieces` (raw EUC-JP bytes, free of
// "<", ">", "&", blanks and line ends), tokenized.
void ParsePage(const std::vector<std::string>& pieces, THTMLParser& parser) {
  std::string page =
      "<!-- *MAIN --><b>" + test::Euc("題名") + "</b><b>" + test::Euc("[ 内容 ]") + "</b>";
  for (const std::string& piece : pieces) page += "<br>" + piece;
  parser.Lines = {page};
  parser.Parse();
}

// The description by the rule, word for word: Description := TrimAll(Description) + "　"
// + t for every prepared text t that is not empty.
std::string DescriptionByTheRule(const std::vector<std::string>& pieces) {
  std::string description;
  for (const std::string& piece : pieces) {
    const std::string t = PrepareDetailText(piece);
    if (t.empty()) continue;
    description = TrimAll(description) + std::string(texts::kFullWidthSpace) + t;
  }
  return description;
}

std::string Repeat(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

TEST(DetailWalker, DescriptionIsTheTrimRuleAppliedAtEveryAppend) {
  // EUC-JP A1 A1 is the full-width space; 8E xx gives the single byte xx, here a lead
  // byte without its trail.
  const std::string wide = "\xA1\xA1";
  const std::string lone_lead = "\x8E\x81";
  const std::vector<std::vector<std::string>> cases = {
      {"abc", test::Euc("港町の"), "x"},
      // Each append peels one more "full-width space, control byte" pair off the front.
      {Repeat(wide + "\x01", 6) + "X", "y", "z", "w", "v"},
      {Repeat(wide + "\x01", 3000) + "X", Repeat("y", 50), "z", "w", "v", "u"},
      // A text that ends in a full-width space, cut by the next append.
      {"X" + wide + "\x01", "Y" + wide + " " + wide + "\x02", "Z"},
      // Runs of lone lead bytes at the end decide what is a trail byte.
      {Repeat(lone_lead, 3), "a" + lone_lead + "\xA1", Repeat(lone_lead, 4) + wide, "b"},
      // Texts that trim to nothing, and control bytes around everything.
      {"\x01" + wide + "\x01", "\x03q\x03", wide + "\x01" + wide, "r"},
  };
  for (const auto& pieces : cases) {
    THTMLParser parser;
    ParsePage(pieces, parser);
    DetailWalker walked;
    walked.Walk(parser.Elements);
    const std::string want = DescriptionByTheRule(pieces);
    EXPECT_EQ(walked.Record().Description, want) << test::Utf8FromSjis(want.substr(0, 60));
    DetailWalker stepped;
    for (const THTMLElement element : parser.Elements) stepped.Visit(element);
    EXPECT_EQ(stepped.Record().Description, want);
    EXPECT_EQ(walked.Record().Title, TrimAll(test::Sjis("題名")));
  }
}

TEST(DetailWalker, LongPageYieldsWhileItIsWalked) {
  std::vector<std::string> pieces(3000, test::Euc("港町の古い図書館"));
  THTMLParser parser;
  ParsePage(pieces, parser);
  TimePoint now{};
  std::vector<size_t> lengths_at_yield;
  DetailWalker walker;
  YieldPacer pacer([&] { lengths_at_yield.push_back(walker.Record().Description.size()); },
                   [&] { return now += Milliseconds(1); }, Milliseconds(1), 512);
  walker.Walk(parser.Elements, pacer);
  ASSERT_GE(lengths_at_yield.size(), 20u);
  EXPECT_LT(lengths_at_yield.front(), lengths_at_yield.back()) << "yields come during the walk";
  EXPECT_EQ(walker.Record().Description, DescriptionByTheRule(pieces));
}

}  // namespace
}  // namespace kasumido
