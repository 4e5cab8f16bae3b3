// The "health" mode of the inspector: the site's health history that the program keeps in
// its folder, as tables (the runs by steps; the newest run's counts and fill rates per
// step) followed by the findings of the newest run against the runs before it, worded as
// the run log has them.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "shell/health_history.h"

namespace kasumido::inspect {

// The history file for `folder`: the one in it (the program's folder), else the one in
// the first of its sub-folders that holds one (the host's folder, whose sub-folder holds
// the program); empty when there is none.
std::string FindHealthHistory(const std::string& folder);

// Writes the tables and the findings of `runs` (oldest first), read from `path`.
void WriteHealthTables(const std::string& path, const std::vector<RunHealth>& runs,
                       std::ostream& out);

}  // namespace kasumido::inspect
