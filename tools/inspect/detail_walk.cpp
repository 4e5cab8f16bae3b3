#include "detail_walk.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "analysis/book_record.h"
#include "element_listing.h"
#include "no_fetch_run.h"
#include "shell/environment.h"
#include "shell/startup.h"
#include "terminal_text.h"

namespace kasumido::inspect {
namespace {

struct Field {
  const char* name;
  std::string value;  // UTF-8, escaped
};

std::vector<Field> Fields(const BookRecord& record) {
  const std::string date =
      record.ReleaseDate == 0 ? "(none)" : FormatReleaseDate(record.ReleaseDate);
  return {
      {"ISBN", PrintableSjis(record.ISBN)},
      {"Title", PrintableSjis(record.Title)},
      {"Author", PrintableSjis(record.Author)},
      {"Series", PrintableSjis(record.Series)},
      {"Price", std::to_string(record.Price)},
      {"ClassCode", std::to_string(record.ClassCode)},
      {"ReleaseDate", date},
      {"Pages", std::to_string(record.Pages)},
      {"Format", PrintableSjis(record.Format)},
      {"Description", PrintableSjis(record.Description)},
      {"DetailURL", PrintableSjis(record.DetailURL)},
      {"CoverImagePath", Printable(record.CoverImagePath)},
      {"CoverFile", PrintableSjis(record.CoverFile)},
  };
}

}  // namespace

void WriteDetailWalk(const THTMLParser& parser, DetailWalker& walker, std::ostream& out) {
  out << "Walk (index, state after the element, rule lines, element):\n";
  for (size_t i = 0; i < parser.Elements.size(); ++i) {
    const std::vector<Field> before = Fields(walker.Record());
    walker.Visit(parser.Elements[i]);
    const std::vector<Field> after = Fields(walker.Record());
    char head[64];
    std::snprintf(head, sizeof head, "%5zu %-16s %d  ", i,
                  std::string(ToString(walker.State())).c_str(), walker.RuleLineCount());
    out << head << ElementText(parser.Elements[i]) << '\n';
    for (size_t f = 0; f < after.size(); ++f) {
      if (after[f].value != before[f].value) {
        out << "        " << after[f].name << " := \"" << after[f].value << "\"\n";
      }
    }
  }
}

void WriteFinishedRecord(BookRecord record, int category_default_code, std::ostream& out) {
  // The cover URL is made from KASUMIDO_SITE_ORIGIN, as in a run.
  NoFetchRun run(TempFolder(), SiteOriginFromEnvironment());
  const bool written = FinishBookRecord(record, category_default_code, run);
  out << "\nBook record (finished, category default code " << category_default_code << "):\n";
  for (const Field& field : Fields(record)) {
    char name[32];
    std::snprintf(name, sizeof name, "  %-15s", field.name);
    out << name << '"' << field.value << "\"\n";
  }
  if (!written) {
    out << "\nNo title: no line is written and no cover is fetched.\n";
    return;
  }
  if (run.Url().empty()) {
    out << "\nNo cover to fetch.\n";
  } else {
    out << "\nCover not fetched (the inspector fetches nothing); a run would get\n  "
        << PrintableSjis(run.Url()) << "\ninto\n  " << PrintableSjis(run.File()) << '\n';
  }
  std::string line = MasterFileLine(record);
  line.resize(line.size() - 2);  // the CR LF
  out << "\nMaster-file line (Shift_JIS in the file, ends in CR LF):\n"
      << PrintableSjis(line) << '\n';
}

}  // namespace kasumido::inspect
