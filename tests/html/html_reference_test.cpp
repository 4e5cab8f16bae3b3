// The tokenizer against a literal, byte-by-byte transcription of its rules
// (naive_tokenizer.h), on a few thousand random and mutated pages. The
// production code scans runs with memchr and folds and decodes in one linear pass; this
// proves it yields the very same element lists, and that nothing crashes on odd input.
#include <algorithm>
#include <cctype>
#include <optional>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "html/element_dump.h"
#include "html/html_parser.h"
#include "html/naive_tokenizer.h"
#include "html/page_lines.h"
#include "support/encoding.h"

namespace kasumido {
namespace {

using test::NaiveParse;
using test::NaiveSplit;
using test::NaiveUpper;

// ---- Pages ---------------------------------------------------------------------------

const std::vector<std::string>& Fragments() {
  static const std::vector<std::string> fragments = {"<",
                                                     ">",
                                                     "<>",
                                                     " ",
                                                     "  ",
                                                     "\n",
                                                     "\r\n",
                                                     "\r",
                                                     "\t",
                                                     "\"",
                                                     "'",
                                                     "=",
                                                     "&",
                                                     "&#",
                                                     "&#x",
                                                     ";",
                                                     "a",
                                                     "Z",
                                                     "0",
                                                     "7",
                                                     "9",
                                                     "f",
                                                     "x",
                                                     "X",
                                                     "-",
                                                     "/",
                                                     "!--",
                                                     "--",
                                                     "*MAIN",
                                                     "*main",
                                                     "&amp;",
                                                     "&amp",
                                                     "&lt;",
                                                     "&gt;",
                                                     "&quot;",
                                                     "&nbsp;",
                                                     "&Agrave;",
                                                     "&yuml;",
                                                     "&AMP;",
                                                     "&#65;",
                                                     "&#x41;",
                                                     "&#255;",
                                                     "&#256;",
                                                     "&#0;",
                                                     "&#;",
                                                     "&# ",
                                                     "&#999;",
                                                     "&#-1;",
                                                     "<a href=\"/bk_detail.php?pcd=123\">",
                                                     "<img src=/image/ma_line2-330.gif alt='x y'>",
                                                     "<!-- *MAIN -->",
                                                     "</td>",
                                                     "<br/>",
                                                     "<td   class=\"a b\"  >",
                                                     "alt=\"\"",
                                                     "alt=\"",
                                                     "\xa4\xa2",
                                                     "\xb4\xc1",
                                                     "\xa1\xa1",
                                                     "\x8e\xb1",
                                                     "\xff",
                                                     "\x80",
                                                     std::string(1, '\0')};
  return fragments;
}

std::string RandomPage(std::mt19937& random) {
  const auto& fragments = Fragments();
  std::uniform_int_distribution<size_t> pick(0, fragments.size() - 1);
  std::uniform_int_distribution<int> length(0, 120);
  std::string page;
  for (int i = length(random); i > 0; --i) {
    // Rarely a NUL: it ends the page's text, so most pages should not have one early.
    const std::string& fragment = fragments[pick(random)];
    if (fragment[0] == '\0' && random() % 8 != 0) continue;
    page += fragment;
  }
  return page;
}

std::string SamplePage() {
  return test::Euc(
      "<html><head><title>霞堂書店 - 文庫</title></head>\r\n<body bgcolor=\"#FFFFFF\">\r\n"
      "<!-- *MAIN -->\r\n<table width=\"600\" border=0><tr><td>\r\n"
      "<img src=\"/image/ma_sb-bunko16.gif\" alt='シリーズ'><br>\r\n"
      "<img src=/image/ma_line2-330.gif>\r\n<font size=+1><b>星の海の図書館</b></font>\r\n"
      "<img src=/image/ma_line2-330.gif>\r\n[ 著 ]&nbsp;&nbsp;霞 ゆかり\r\n"
      "<p>[ 内容 ]<br>\r\n古い図書館に眠る&quot;星の地図&quot;をめぐる物語。&lt;上巻&gt;</p>\r\n"
      "<img src=\"/image/spacer.gif\" width=1 height=8>\r\n発売日：2026年12月25日<br>\r\n"
      "定価（税込）：\t\t1,650円<br>256ページ<br>文庫判<br>\r\nISBN 4-89-123456-7 C0193<br>\r\n"
      "<a href=\"javascript:history.back()\">戻 る</a>\r\n"
      "<img src=\"/image/cover_123456.jpg\" "
      "alt=\"cover\">\r\n</td></tr></table></body></html>\r\n");
}

std::string Mutate(std::string page, std::mt19937& random) {
  const auto& fragments = Fragments();
  const int edits = 1 + static_cast<int>(random() % 6);
  for (int i = 0; i < edits && !page.empty(); ++i) {
    const size_t at = random() % page.size();
    switch (random() % 4) {
      case 0:  // flip a byte
        page[at] = static_cast<char>(random() % 256);
        break;
      case 1:  // delete a stretch
        page.erase(at, random() % 12);
        break;
      case 2:  // insert a fragment
        page.insert(at, fragments[random() % fragments.size()]);
        break;
      default:  // duplicate a stretch
        page.insert(at, page.substr(random() % page.size(), random() % 40));
        break;
    }
  }
  return page;
}

// ---- Checks --------------------------------------------------------------------------

bool HasLowerAscii(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// Properties every element list has, whatever the page.
void ExpectWellFormed(const THTMLParser& parser, const std::string& page) {
  std::optional<THTMLElement> previous;
  for (const THTMLElement element : parser.Elements) {
    if (const std::optional<THTMLTag> tag = element.AsTag()) {
      EXPECT_EQ(tag->Raw.find_first_of("<>\r\n"), std::string::npos) << page;
      EXPECT_FALSE(HasLowerAscii(tag->Name)) << page;
      EXPECT_EQ(tag->Name.find(' '), std::string::npos) << page;
      EXPECT_EQ(NaiveUpper(std::string(tag->Raw)).rfind(tag->Name, 0), 0u) << page;
      for (const THTMLParam& param : tag->Params) {
        EXPECT_FALSE(param.Raw.empty()) << page;
        EXPECT_FALSE(HasLowerAscii(param.Name)) << page;
        EXPECT_NE(tag->Raw.find(param.Raw), std::string::npos) << page;
        EXPECT_LE(param.Value.size(), param.Raw.size()) << page;
      }
    } else {
      const std::optional<THTMLText> text = element.AsText();
      ASSERT_TRUE(text.has_value());
      EXPECT_FALSE(text->Raw.empty()) << page;
      EXPECT_FALSE(text->Text.empty()) << page;
      EXPECT_EQ(text->Raw.find_first_of("<>\r"), std::string::npos) << page;
      EXPECT_EQ(text->Text.find('\n'), std::string::npos) << page;
      EXPECT_FALSE(previous && previous->AsText()) << "two texts in a row: " << page;
    }
    previous = element;
  }
}

void ExpectSameAsTheRules(const std::string& page) {
  const std::vector<std::string> lines = SplitPageLines(page);
  ASSERT_EQ(lines, NaiveSplit(page)) << page;
  THTMLParser parser;
  parser.Lines.AssignPage(page);
  ASSERT_TRUE(parser.Lines == lines) << page;
  parser.Parse();
  ExpectWellFormed(parser, page);
  ASSERT_EQ(test::FullList(parser), NaiveParse(lines)) << page;
}

TEST(THTMLParser, EqualsALiteralReadingOfItsRulesOnRandomPages) {
  std::mt19937 random(20261225);
  for (int i = 0; i < 2000; ++i) {
    ExpectSameAsTheRules(RandomPage(random));
    if (HasFatalFailure()) return;
  }
}

TEST(THTMLParser, EqualsALiteralReadingOfItsRulesOnMutatedPages) {
  std::mt19937 random(4891234);
  const std::string sample = SamplePage();
  ExpectSameAsTheRules(sample);
  for (int i = 0; i < 1000; ++i) {
    ExpectSameAsTheRules(Mutate(sample, random));
    if (HasFatalFailure()) return;
  }
}

// Big enough to fill many blocks of the element store, with texts and tags that get
// blocks of their own.
TEST(THTMLParser, EqualsALiteralReadingOfItsRulesOnALargePage) {
  std::mt19937 random(31);
  const std::string sample = SamplePage();
  std::string page;
  for (int i = 0; i < 150; ++i) {
    page += RandomPage(random);
    page += Mutate(sample, random);
    if (i % 50 == 0) {
      page += std::string(5000, 'x') + "&amp;" + std::string(3000, 'y') + "\n";
      page += "<a" + std::string(4000, ' ') + "href=\"" + std::string(3000, 'z') + "\">";
    }
  }
  page.erase(std::remove(page.begin(), page.end(), '\0'), page.end());
  ExpectSameAsTheRules(page);
}

TEST(THTMLParser, SurvivesArbitraryBytes) {
  std::mt19937 random(77);
  for (int i = 0; i < 500; ++i) {
    std::string page(random() % 600, '\0');
    for (char& c : page) c = static_cast<char>(1 + random() % 255);  // no NUL: it ends the text
    ExpectSameAsTheRules(page);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace kasumido
