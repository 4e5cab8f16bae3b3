// Whether a run can write what it must into the host's folder: new files (the saved
// listing pages, a master file not there yet) and lines at the end of the master file.
// A host installed where its user may not write (under Program Files, with a plug-in
// that the system does not redirect into the user's virtual store) fails here once,
// before anything is fetched, instead of on every book.
#pragma once

#include <optional>
#include <string>

namespace kasumido {

// Nothing when the host's folder takes a new file (a probe, created and removed at once)
// and, when the master file exists, the master file opens for appending (nothing is
// written to it). Otherwise the reason, in Shift_JIS for the log and the status bar: the
// file that could not be written ("?" for what code page 932 lacks) and the system's text.
std::optional<std::string> HostFolderWriteProblem(const std::string& host_dir,
                                                  const std::string& master_file);

}  // namespace kasumido
