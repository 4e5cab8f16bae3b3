// kasumido-master-table FILE
//
// Prints the lines of a master file as a table on a UTF-8 terminal: ISBN, title, author,
// series, price, classification code, release date, pages and format, each column cut
// to a readable width (a wide character counts two). The file is read as the program
// writes it: Shift_JIS, CR LF, 17 fields; the numeric middle ",price,code,0,0,date,pages,"
// anchors the split, so a double quote inside a title does not confuse it. A line of
// another shape is shown whole in the title column.
#include <clocale>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/utf8.h"

namespace {

struct Column {
  const char* heading;
  int width;
};

const std::vector<Column> kColumns = {{"ISBN", 13},     {"書名", 34}, {"著者", 22},
                                      {"シリーズ", 18}, {"価格", 5},  {"分類", 4},
                                      {"発売日", 8},    {"頁", 4},    {"判型", 10}};

// The text cut to `width` terminal columns and padded to it.
std::string Fit(const std::string& utf8, int width) {
  std::mbstate_t state{};
  std::string out;
  int used = 0;
  const char* p = utf8.data();
  const char* const end = p + utf8.size();
  while (p < end) {
    wchar_t wide = 0;
    const std::size_t length = std::mbrtowc(&wide, p, static_cast<std::size_t>(end - p), &state);
    if (length == 0 || length > static_cast<std::size_t>(end - p)) break;
    const int columns = std::max(0, wcwidth(wide));
    if (used + columns > width) break;
    out.append(p, length);
    used += columns;
    p += length;
  }
  out.append(static_cast<std::size_t>(width - used), ' ');
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  static const std::regex kLayout(
      R"re(^"(.*?)","(.*?)","","(.*?)","","(.*?)","(.*?)",(-?\d+),(-?\d+),0,0,(\d+),(-?\d+),"(.*?)","(.*)","(.*?)","(.*?)"$)re");
  std::smatch match;
  if (!std::regex_match(line, match, kLayout)) return {"", line, "", "", "", "", "", "", ""};
  return {match[1], match[2], match[3], match[4], match[6],
          match[7], match[8], match[9], match[10]};
}

void PrintRow(const std::vector<std::string>& cells) {
  std::string row;
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    row += Fit(cells[i], kColumns[i].width);
    row += ' ';
  }
  row.erase(row.find_last_not_of(' ') + 1);
  row += '\n';
  std::fputs(row.c_str(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kasumido-master-table FILE\n");
    return 2;
  }
  std::setlocale(LC_ALL, "C.UTF-8");
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kasumido-master-table: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<std::string> headings;
  for (const Column& column : kColumns) headings.push_back(column.heading);
  PrintRow(headings);
  int books = 0;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    PrintRow(Fields(kasumido::Utf8FromSjis(line)));
    ++books;
  }
  std::printf("%d books\n", books);
  return 0;
}
