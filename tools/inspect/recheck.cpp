#include "recheck.h"

#include <vector>

#include "analysis/detail_walker.h"
#include "analysis/listing_analysis.h"
#include "detail_walk.h"
#include "html/html_parser.h"
#include "html/page_lines.h"
#include "shell/download_plan.h"
#include "terminal_text.h"

namespace kasumido::inspect {
namespace {

// The category default code of the plan step whose listing folder the URL lies in; 0 (the
// book listings' code) when none does.
int DefaultCodeOf(const std::string& url) {
  for (const PlanStep& step : kPlanSteps) {
    const std::size_t at = url.find(step.listing_folder);
    if (at != std::string::npos && url.find("://") < at) return step.default_code;
  }
  return 0;
}

void WriteListingLinks(const THTMLParser& parser, std::ostream& out) {
  std::vector<std::string> links;
  std::string last_link;
  for (const auto& element : parser.Elements) {
    const std::string link = TakeLink(element, last_link);
    if (IsDetailLink(link)) links.push_back(link);
  }
  out << "Detail links the listing analysis follows now: " << links.size() << '\n';
  for (const std::string& link : links) out << "  " << Printable(link) << '\n';
}

}  // namespace

void WriteRecheck(const std::string& path, const Capture& capture, std::ostream& out) {
  out << "Capture " << path << "\n  URL:  " << Printable(capture.url)
      << "\n  Kept: " << capture.kept << " (" << capture.why << ")\n  Reply:";
  for (const std::string& line : capture.reply_header) out << "\n    " << Printable(line);
  out << "\n  Page: " << capture.page.size() << " bytes\n\n";

  THTMLParser parser;
  parser.Lines = SplitPageLines(capture.page);
  parser.Parse();
  if (!IsDetailLink(capture.url)) {
    WriteListingLinks(parser, out);
    return;
  }
  DetailWalker walker;
  walker.Walk(parser.Elements);
  walker.Record().DetailURL = capture.url;
  out << "Today's detail-page walk gives:\n";
  WriteFinishedRecord(walker.Record(), DefaultCodeOf(capture.url), out);
}

}  // namespace kasumido::inspect
