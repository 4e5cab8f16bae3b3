#include "html/html_element.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "html/element_dump.h"

namespace kasumido {
namespace {

using ::testing::ElementsAreArray;

struct TagCase {
  std::string raw;
  std::string name;
  std::vector<std::string> param_raws;
};

TEST(THTMLTag, SplitsNameAndAttributesAtSpacesOutsideDoubleQuotes) {
  ElementStore store;
  const TagCase cases[] = {
      {"a href=x", "A", {"href=x"}},
      {"img src=a.gif /", "IMG", {"src=a.gif", "/"}},
      {"a  b   c ", "A", {"b", "c"}},
      {" a", "", {"a"}},
      {"", "", {}},
      {"   ", "", {}},
      {"a href=\"x y\" b", "A", {"href=\"x y\"", "b"}},
      {"img alt='a b'", "IMG", {"alt='a", "b'"}},
      {"img a = b", "IMG", {"a", "=", "b"}},
      {"a x=\"open y z", "A", {"x=\"open y z"}},
      {"a x=\"\"\"y z\" w", "A", {"x=\"\"\"y z\"", "w"}},
      {"a x=\"1\"2 3", "A", {"x=\"1\"2", "3"}},
      {"a\tb c", "A\tB", {"c"}},
      {"td\xb4\xc1x y", "TD\xb4\xc1X", {"y"}},
      {"!-- *main --", "!--", {"*main", "--"}},
  };
  for (const TagCase& c : cases) {
    THTMLTag tag;
    tag.SetText(c.raw, store);
    EXPECT_EQ(tag.Raw, c.raw);
    EXPECT_EQ(tag.Name, c.name) << c.raw;
    std::vector<std::string> raws;
    for (const THTMLParam& param : tag.Params) raws.emplace_back(param.Raw);
    EXPECT_THAT(raws, ElementsAreArray(c.param_raws)) << c.raw;
  }
}

TEST(THTMLTag, KeepsEveryAttributeOfALongTag) {
  ElementStore store;
  std::string raw = "input";
  std::vector<std::string> expected;
  for (int i = 0; i < 70; ++i) {
    expected.push_back("a" + std::to_string(i) + "=\"v " + std::to_string(i) + "\"");
    raw += "  " + expected.back();
  }
  THTMLTag tag;
  tag.SetText(raw, store);
  ASSERT_EQ(tag.Params.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(tag.Params[i].Raw, expected[i]);
    EXPECT_EQ(tag.Params[i].Name, "A" + std::to_string(i));
    EXPECT_EQ(tag.Params[i].Value, "v " + std::to_string(i));
  }
}

TEST(THTMLTag, SetTextReplacesWhatTheTagHeld) {
  ElementStore store;
  THTMLTag tag;
  tag.SetText("a href=\"/a/long/enough/path.html\" name=2 title=x", store);
  tag.SetText("img src=3", store);
  EXPECT_EQ(test::Full(tag), "tag{IMG|img src=3|(SRC|3|src=3)}");
}

struct ParamCase {
  std::string raw;
  std::string name;
  std::string value;
};

// Each attribute goes through a tag, as the tokenizer cuts it.
TEST(THTMLParam, SplitsAtTheFirstEqualsSignAndStripsOnePairOfDoubleQuotes) {
  ElementStore store;
  const ParamCase cases[] = {
      {"href=\"/a b.html\"", "HREF", "/a b.html"},
      {"SRC=/img/x.gif", "SRC", "/img/x.gif"},
      {"selected", "SELECTED", ""},
      {"alt=\"\"", "ALT", ""},
      {"alt=\"", "ALT", "\""},
      {"alt='x'", "ALT", "'x'"},
      {"alt=\"x", "ALT", "\"x"},
      {"alt=x\"", "ALT", "x\""},
      {"alt=\"a\"b\"", "ALT", "a\"b"},
      {"alt=\"\"\"\"", "ALT", "\"\""},
      {"a=b=c", "A", "b=c"},
      {"=x", "", "x"},
      {"x=", "X", ""},
      {"hReF=MiXeD", "HREF", "MiXeD"},
      {"*main", "*MAIN", ""},
      {"x\t=\ty", "X\t", "\ty"},
      {"alt=\xa5\xb7\xa5\xea", "ALT", "\xa5\xb7\xa5\xea"},
  };
  for (const ParamCase& c : cases) {
    THTMLTag tag;
    tag.SetText("p " + c.raw, store);
    ASSERT_EQ(tag.Params.size(), 1u) << c.raw;
    const THTMLParam& param = tag.Params[0];
    EXPECT_EQ(param.Raw, c.raw);
    EXPECT_EQ(param.Name, c.name) << c.raw;
    EXPECT_EQ(param.Value, c.value) << c.raw;
  }
}

struct TextCase {
  std::string raw;
  std::string text;
};

TEST(THTMLText, FoldsLineEndsAndRunsOfSpaces) {
  ElementStore store;
  const TextCase cases[] = {
      {"Hello\n", "Hello "},      {"a\n\nb", "a b"}, {"  a  ", " a "},
      {"a \n b", "a b"},          {"\n", " "},       {"   ", " "},
      {"a\tb\t\tc", "a\tb\t\tc"}, {"a\rb", "a\rb"},  {"\xa4\xa2  \xa4\xa4", "\xa4\xa2 \xa4\xa4"},
  };
  for (const TextCase& c : cases) {
    THTMLText text;
    text.SetText(c.raw, store);
    EXPECT_EQ(text.Raw, c.raw);
    EXPECT_EQ(text.Text, c.text) << c.raw;
  }
}

TEST(THTMLText, DecodesNumericReferencesOfOneByteValues) {
  ElementStore store;
  const TextCase cases[] = {
      {"&#65;", "A"},
      {"&#x41;", "A"},
      {"&#X41;", "A"},
      {"&#065;", "A"},
      {"&#65 b", "Ab"},  // a space terminator is consumed
      {"&#65;;", "A;"},
      {"&#x20;", " "},
      {"&#0;", " "},
      {"&#10;", " "},
      {"&#31;", " "},
      {"&#32;&#32;", "  "},  // spaces made by references are not folded again
      {"&#160;", " "},
      {"&#127;", "\x7f"},
      {"&#169;", "\xa9"},
      {"&#255;", "\xff"},
      {"&#xff;", "\xff"},
      {"&#38;lt;", "&lt;"},  // the byte a reference yields is never decoded
                             // again
      {"x&#59;y", "x;y"},
  };
  for (const TextCase& c : cases) {
    THTMLText text;
    text.SetText(c.raw, store);
    EXPECT_EQ(text.Text, c.text) << c.raw;
  }
}

TEST(THTMLText, LeavesNumericReferencesAsWrittenWhenTheyDoNotDecode) {
  ElementStore store;
  const std::string cases[] = {
      "&#8212;", "&#x2014;", "&#0065;", "&#x100;", "&#256;", "&#999;", "&#-5;", "&#+5;",
      "&#;",     "&# x",     "&#x;",    "&#xg;",   "&#1a;",  "&#65",   "&#",    "a&#\t65;",
  };
  for (const std::string& raw : cases) {
    THTMLText text;
    text.SetText(raw, store);
    EXPECT_EQ(text.Text, raw);
  }
}

TEST(THTMLText, DecodesNamedReferencesThroughTheirNumericForm) {
  ElementStore store;
  const TextCase cases[] = {
      {"a&nbsp;b", "a b"},
      {"&lt;p&gt;", "<p>"},
      {"&quot;x&quot;", "\"x\""},
      {"&amp;lt;", "&lt;"},
      {"&amp;amp;", "&amp;"},
      {"&Agrave;&agrave;", "\xc0\xe0"},
      {"&copy;2026",
       "\xa9"
       "2026"},
      {"&yuml;", "\xff"},
      {"&iexcl;", "\xa1"},
      {"&a&lt;", "&a<"},  // a second "&" restarts the reference
      {"a & b &amp; c", "a & b & c"},
      {"&amp;&amp;", "&&"},
      {"\xa4\xa2&amp;\xa4\xa4", "\xa4\xa2&\xa4\xa4"},
  };
  for (const TextCase& c : cases) {
    THTMLText text;
    text.SetText(c.raw, store);
    EXPECT_EQ(text.Text, c.text) << c.raw;
  }
}

TEST(THTMLText, LeavesUnknownOrUnterminatedNamesAsWritten) {
  ElementStore store;
  const std::string cases[] = {
      "&AMP;",  "&Amp;", "&amp ", "&amp", "&lt",      "&apos;", "&hellip;",
      "&euro;", "&;",    "& ;",   "&&",   "&nbsp\tx", "a&b;c",  "&NBSP;",
  };
  for (const std::string& raw : cases) {
    THTMLText text;
    text.SetText(raw, store);
    EXPECT_EQ(text.Text, raw);
  }
}

TEST(THTMLText, DecodesAfterFolding) {
  ElementStore store;
  const TextCase cases[] = {
      // The folded line end terminates "&amp" with a space, and named references need ";".
      {"&amp\n;", "&amp ;"},
      {"&#65\n\nB", "AB"},
      {"a  &nbsp;  b", "a   b"},
  };
  for (const TextCase& c : cases) {
    THTMLText text;
    text.SetText(c.raw, store);
    EXPECT_EQ(text.Text, c.text) << c.raw;
  }
}

}  // namespace
}  // namespace kasumido
