// The "recheck" mode of the inspector: a page the program kept as evidence (captures in
// its folder) read again with today's extraction, offline: for a detail page the walk's
// Book record field by field and its master-file line, for a listing page the detail
// links it gives; so a fix of the program can be checked on the pages that showed a fault.
#pragma once

#include <ostream>
#include <string>

#include "shell/capture_store.h"

namespace kasumido::inspect {

// Writes what `capture` (kept in the file `path`) gives now. `category_default_code` is
// the one of the capture's category (taken from its URL's folder).
void WriteRecheck(const std::string& path, const Capture& capture, std::ostream& out);

}  // namespace kasumido::inspect
