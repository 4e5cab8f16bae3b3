// The "recheck" mode of the inspector: a page the program kept as evidence (captures in
// its folder) read again with today's extraction, offline: for a detail page the walk's
// Book record field by field and its master-file line, for a listing page the detail
// links it gives; so a fix of the program can be checked on the pages that showed a fault.
#pragma once

#include <ostream>
#include <string>

#include "shell/capture_store.h"

namespace kasumido::inspect {

// Writes what `capture` (kept in the file `path`) gives now. A detail page's record is
// finished with the default code of the category whose listing folder its URL lies in.
void WriteRecheck(const std::string& path, const Capture& capture, std::ostream& out);

}  // namespace kasumido::inspect
