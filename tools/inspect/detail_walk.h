// The "detail" mode of the inspector: how the program reads a saved detail page. It runs
// the program's own detail walker over the page's element list and shows, one line per
// element, the state of the walk after it, the rule-line count and the element; below an
// element, the record fields that it changed. Then the finished Book record and the
// master-file line it yields, as the run would append it. Nothing is fetched: the cover
// is named and its URL shown, but not downloaded, so the line's cover field stays empty.
#pragma once

#include <ostream>
#include <string>

#include "analysis/detail_walker.h"
#include "html/html_parser.h"

namespace kasumido::inspect {

// Visits every element of `parser` with `walker`, writing one line per element and one
// indented line per changed field.
void WriteDetailWalk(const THTMLParser& parser, DetailWalker& walker, std::ostream& out);

// Finishes `record` as the run would (with `category_default_code`, the site origin of
// KASUMIDO_SITE_ORIGIN or the compiled-in default, and the temporary folder), without
// fetching anything, and writes the record's fields and its master-file line.
void WriteFinishedRecord(BookRecord record, int category_default_code, std::ostream& out);

}  // namespace kasumido::inspect
