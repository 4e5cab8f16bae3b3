// kasumido-inspect: shows what the program sees in a saved page of the publisher's site.
//
//   kasumido-inspect [MODE] PAGE [OPTION]
//
// Modes are subcommands; each takes the page file as its argument, and some one option
// after it. A new mode is one more row in kModes.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/detail_walker.h"
#include "detail_walk.h"
#include "element_listing.h"
#include "html/html_parser.h"
#include "platform/program_arguments.h"
#include "text/numbers.h"

namespace {

using kasumido::THTMLParser;

constexpr const char* kProgram = "kasumido-inspect";

// Loads and tokenizes the page; false (with a message on stderr) when it cannot be read.
bool LoadPage(const std::string& path, THTMLParser& parser) {
  errno = 0;
  if (!parser.LoadLines(path)) {
    std::cerr << kProgram << ": cannot read page file \"" << path << "\""
              << (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()) << '\n';
    return false;
  }
  parser.Parse();
  return true;
}

int RunElements(const std::string& page, std::string_view option) {
  if (!option.empty()) {
    std::cerr << kProgram << ": the elements mode takes no option\n";
    return 2;
  }
  THTMLParser parser;
  if (!LoadPage(page, parser)) return 1;
  kasumido::inspect::WriteListing(parser, std::cout);
  return std::cout.good() ? 0 : 1;
}

// OPTION: the category default code (0 when not given: the book listings' code).
int RunDetail(const std::string& page, std::string_view option) {
  constexpr int kNoCode = -1;
  const int code = option.empty() ? 0 : kasumido::StrToIntNoCommas(option, kNoCode);
  if (code < 0) {
    std::cerr << kProgram << ": the category default code must be a number such as 193\n";
    return 2;
  }
  THTMLParser parser;
  if (!LoadPage(page, parser)) return 1;
  kasumido::DetailWalker walker;
  walker.Record().DetailURL = page;  // a run writes the URL the page came from
  kasumido::inspect::WriteDetailWalk(parser, walker, std::cout);
  kasumido::inspect::WriteFinishedRecord(walker.Record(), code, std::cout);
  return std::cout.good() ? 0 : 1;
}

struct Mode {
  std::string_view name;
  std::string_view summary;
  int (*run)(const std::string& page, std::string_view option);
};

constexpr Mode kModes[] = {
    {"elements", "the HTML element list, one tag or text a line (default)", RunElements},
    {"detail",
     "the detail-page walk (state after each element), the Book record and its\n"
     "            master-file line; OPTION: the category default code (193, 79 or 0)",
     RunDetail},
};

int Usage() {
  std::cerr << "usage: " << kProgram << " [MODE] PAGE [OPTION]\n"
            << "Shows what the program sees in a saved page (EUC-JP) of the publisher's site.\n"
            << "Modes:\n";
  for (const Mode& mode : kModes) {
    std::cerr << "  " << mode.name << std::string(10 - mode.name.size(), ' ') << mode.summary
              << '\n';
  }
  return 2;
}

const Mode* FindMode(std::string_view name) {
  for (const Mode& mode : kModes) {
    if (mode.name == name) return &mode;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> all = kasumido::ProgramArguments(argc, argv);
  const std::span<const std::string> args(all.begin() + (all.empty() ? 0 : 1), all.end());
  kasumido::UseUtf8Console();
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    Usage();
    return 0;
  }
  if (args.size() == 1) return kModes[0].run(args[0], {});
  if (args.size() == 2 || args.size() == 3) {
    const std::string_view option = args.size() == 3 ? std::string_view(args[2]) : "";
    if (const Mode* mode = FindMode(args[0])) return mode->run(args[1], option);
    std::cerr << kProgram << ": unknown mode \"" << args[0] << "\"\n";
  }
  return Usage();
}
