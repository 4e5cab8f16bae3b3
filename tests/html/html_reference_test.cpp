// The tokenizer against a literal, byte-by-byte transcription of its rules (deliberately
// naive: repeated deletes and re-scans), on a few thousand random and mutated pages. The
// production code scans runs with memchr and folds and decodes in one linear pass; this
// proves it yields the very same element lists, and that nothing crashes on odd input.
#include <algorithm>
#include <cctype>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "html/element_dump.h"
#include "html/html_parser.h"
#include "html/page_lines.h"
#include "support/encoding.h"

namespace kasumido {
namespace {

// ---- The rules, transcribed literally ----------------------------------------------

std::string NaiveUpper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

std::vector<std::string> NaiveSplit(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // a line has started and not ended yet
  for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += bytes[i];
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

std::string NaiveParam(std::string s) {
  std::string value;
  std::string name_part = s;
  const size_t equals = s.find('=');
  if (equals != std::string::npos) {
    value = s.substr(equals + 1);
    name_part = s.substr(0, equals);
    if (value.size() > 1 && value[0] == '"' && value[value.size() - 1] == '"') {
      value.erase(value.size() - 1, 1);
      value.erase(0, 1);
    }
  }
  std::string out = "(";
  return out.append(NaiveUpper(name_part)).append("|").append(value).append("|").append(s) + ")";
}

std::string NaiveTag(std::string s) {
  const std::string raw = s;
  std::string name;
  while (!s.empty() && s[0] != ' ') {
    name += s[0];
    s.erase(0, 1);
  }
  std::string out = "tag{" + NaiveUpper(name) + "|" + raw + "|";
  while (!s.empty()) {
    std::string attribute;
    bool quoted = false;
    while (!s.empty() && !(s[0] == ' ' && !quoted)) {
      if (s[0] == '"') quoted = !quoted;
      attribute += s[0];
      s.erase(0, 1);
    }
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
    if (!attribute.empty()) out += NaiveParam(attribute);
  }
  return out + "}";
}

std::vector<std::pair<std::string, std::string>> NaiveEntityTable() {
  std::vector<std::pair<std::string, std::string>> rows = {
      {"&quot;", "&#34;"}, {"&amp;", "&#38;"}, {"&lt;", "&#60;"}, {"&gt;", "&#62;"}};
  std::istringstream names(
      "nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr deg "
      "plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 "
      "iquest Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc Euml "
      "Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash Ugrave "
      "Uacute Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml aring aelig ccedil "
      "egrave eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve oacute ocirc otilde "
      "ouml divide oslash ugrave uacute ucirc uuml yacute thorn yuml");
  std::string name;
  for (int code = 160; names >> name; ++code) {
    rows.emplace_back("&" + name + ";", "&#" + std::to_string(code) + ";");
  }
  return rows;
}

// The digit part as an integer: decimal digits, or hexadecimal ones after the marker.
bool NaiveToInt(std::string digits, int* value) {
  int base = 10;
  if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
    base = 16;
    digits.erase(0, 1);
  }
  if (digits.empty()) return false;
  for (char c : digits) {
    const bool ok = base == 10 ? std::isdigit(static_cast<unsigned char>(c))
                               : std::isxdigit(static_cast<unsigned char>(c));
    if (!ok) return false;
  }
  *value = std::stoi(digits, nullptr, base);
  return true;
}

std::string NaiveText(const std::string& s) {
  static const auto table = NaiveEntityTable();
  std::string t = s;
  std::replace(t.begin(), t.end(), '\n', ' ');
  for (size_t at; (at = t.find("  ")) != std::string::npos;) t.erase(at, 1);
  bool collecting = false;
  std::string buffer;
  size_t start = 0;
  size_t p = 0;
  while (p < t.size()) {
    size_t next = p + 1;
    if (t[p] == '&') {
      start = p;
      buffer.clear();
      collecting = true;
    }
    if (collecting) {
      buffer += t[p];
      if (t[p] == ';' || t[p] == ' ') {
        const size_t n = buffer.size();
        int value = 0;
        if (n > 2 && buffer[1] == '#') {
          const std::string digits = buffer.substr(2, n - 3);
          if (digits.size() <= 3 && NaiveToInt(digits, &value) && value <= 255) {
            const char byte = (value < 32 || value == 160) ? ' ' : static_cast<char>(value);
            t.replace(start, n, 1, byte);
            next = start + 1;
          }
        } else {
          next = start + 1;
          for (const auto& [name, numeric] : table) {
            if (buffer == name) {
              t.replace(start, n, numeric);
              next = start;
              break;
            }
          }
        }
        collecting = false;
      }
    }
    p = next;
  }
  return "text{" + s + "|" + t + "}";
}

std::vector<std::string> NaiveParse(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  std::string pending_text, pending_tag;
  bool in_tag = false;
  auto flush_text = [&] {
    if (in_tag || pending_text.empty()) return;
    out.push_back(NaiveText(pending_text));
    pending_text.clear();
  };
  auto flush_tag = [&] {
    in_tag = false;
    out.push_back(NaiveTag(pending_tag));
    pending_tag.clear();
  };
  for (const std::string& line : lines) {
    for (char c : line) {
      if (c == '<') {
        flush_text();
        in_tag = true;
      } else if (c == '>') {
        flush_tag();
      } else if (in_tag) {
        pending_tag += c;
      } else {
        pending_text += c;
      }
    }
    if (!in_tag && !pending_text.empty()) pending_text += '\n';
  }
  if (in_tag && !pending_tag.empty()) flush_tag();
  if (!in_tag && !pending_text.empty()) flush_text();
  return out;
}

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
  const THTMLElement* previous = nullptr;
  for (const auto& element : parser.Elements) {
    if (const THTMLTag* tag = element->AsTag()) {
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
      const THTMLText* text = element->AsText();
      ASSERT_NE(text, nullptr);
      EXPECT_FALSE(text->Raw.empty()) << page;
      EXPECT_FALSE(text->Text.empty()) << page;
      EXPECT_EQ(text->Raw.find_first_of("<>\r"), std::string::npos) << page;
      EXPECT_EQ(text->Text.find('\n'), std::string::npos) << page;
      EXPECT_FALSE(previous != nullptr && previous->AsText() != nullptr)
          << "two texts in a row: " << page;
    }
    previous = element.get();
  }
}

void ExpectSameAsTheRules(const std::string& page) {
  const std::vector<std::string> lines = SplitPageLines(page);
  ASSERT_EQ(lines, NaiveSplit(page)) << page;
  THTMLParser parser;
  parser.Lines = lines;
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
