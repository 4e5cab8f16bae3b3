// kasumido-inspect: shows what the program sees in a saved page of the publisher's site.
//
//   kasumido-inspect [MODE] PAGE [OPTION]
//
// Modes are subcommands; each takes the page file as its argument, and some one option
// after it. A new mode is one more row in kModes.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/detail_walker.h"
#include "detail_walk.h"
#include "element_listing.h"
#include "health_table.h"
#include "html/html_parser.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/program_arguments.h"
#include "recheck.h"
#include "shell/health_history.h"
#include "text/numbers.h"
#include "text/paths.h"

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

// PAGE: the program's folder or the host's (the inspector's own folder when not given,
// since it is installed beside the program).
int RunHealthMode(const std::string& folder, std::string_view option) {
  if (!option.empty()) {
    std::cerr << kProgram << ": the health mode takes no option\n";
    return 2;
  }
  const std::string where = folder.empty() ? kasumido::FolderOf(kasumido::ProgramFile()) : folder;
  const std::string path = kasumido::inspect::FindHealthHistory(where);
  if (path.empty()) {
    std::cerr << kProgram << ": no site health history in \"" << where
              << "\" or its sub-folders (the program keeps one after its first run)\n";
    return 1;
  }
  const kasumido::HealthHistory history = kasumido::HealthHistory::Load(path);
  if (history.State() == kasumido::HealthHistory::LoadState::kDamaged) {
    std::cout << "The history is damaged: shown as far as it could be read; the next run\n"
                 "writes it afresh.\n";
  }
  kasumido::inspect::WriteHealthTables(path, history.Runs(), std::cout);
  return std::cout.good() ? 0 : 1;
}

int RunRecheck(const std::string& file, std::string_view option) {
  if (!option.empty()) {
    std::cerr << kProgram << ": the recheck mode takes no option\n";
    return 2;
  }
  const std::optional<std::string> bytes = kasumido::ReadWholeFile(file);
  const std::optional<kasumido::Capture> capture =
      bytes ? kasumido::ParseCapture(*bytes) : std::nullopt;
  if (!capture) {
    std::cerr << kProgram << ": \"" << file
              << (bytes ? "\" is not a page the program kept (captures/capture-NNN.txt)\n"
                        : "\" cannot be read\n");
    return 1;
  }
  kasumido::inspect::WriteRecheck(file, *capture, std::cout);
  return std::cout.good() ? 0 : 1;
}

struct Mode {
  std::string_view name;
  std::string_view summary;
  int (*run)(const std::string& page, std::string_view option);
  bool page_optional = false;  // the mode runs without PAGE
};

constexpr Mode kModes[] = {
    {"elements", "the HTML element list, one tag or text a line (default)", RunElements},
    {"detail",
     "the detail-page walk (state after each element), the Book record and its\n"
     "            master-file line; OPTION: the category default code (193, 79 or 0)",
     RunDetail},
    {"health",
     "the site health history that the program keeps: runs by steps, counts and\n"
     "            fill rates, and the newest run's findings; PAGE: the program's or the\n"
     "            host's folder (default: the inspector's own folder)",
     RunHealthMode, true},
    {"recheck",
     "a page the program kept as evidence (PAGE: captures/capture-NNN.txt in its\n"
     "            folder) read with today's extraction: its fields, or its links",
     RunRecheck},
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
  if (args.size() == 1) {
    const Mode* mode = FindMode(args[0]);
    if (mode != nullptr && mode->page_optional) return mode->run({}, {});
    return kModes[0].run(args[0], {});
  }
  if (args.size() == 2 || args.size() == 3) {
    const std::string_view option = args.size() == 3 ? std::string_view(args[2]) : "";
    if (const Mode* mode = FindMode(args[0])) return mode->run(args[1], option);
    std::cerr << kProgram << ": unknown mode \"" << args[0] << "\"\n";
  }
  return Usage();
}
