// The host's folder for run tests, in a scratch folder: "host/" with its Shelvio.ini, the
// program folder "host/plugin/" and a temporary folder "temp/" of its own. A run in the
// test process gets it through Setup() (the test binary is then the program file, so the
// run log's Version line is the suite's own); Start() copies the real program into
// "host/plugin" and runs it as a child process with the console view. What a test reads
// back is what the host would: the master file, the run log, the saved copies and the
// work files in the temporary folder.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.h"
#include "shell/form_dll.h"
#include "shell/startup.h"
#include "support/child_process.h"
#include "support/scratch_dir.h"

namespace kasumido::test {

class HostLayout {
 public:
  // `host` and `temp` name the host's folder and the temporary folder below the scratch
  // folder (UTF-8, "Zoë/host" for a host folder named so).
  explicit HostLayout(std::string host = "host", std::string temp = "temp");

  // Writes Shelvio.ini with section TSetup holding `settings`, whole and renamed into
  // place as the host replaces its file: a run reading it meanwhile never sees half a file.
  void WriteSettings(const std::map<std::string, std::string>& settings) const;

  // Where a run in the test process finds its world, with the site at `origin`.
  RunSetup Setup(const std::string& origin) const {
    RunSetup setup;
    setup.program_file = ProgramFile();
    setup.program_dir = Host("plugin");
    setup.site_origin = origin;
    setup.temp_folder = Temp() + "/";
    return setup;
  }

  // Starts the program with the console view, the site at `origin`, the layout's
  // temporary folder, no proxy, and `extra_env` on top; its output goes to `output_name`
  // in the scratch folder.
  std::unique_ptr<ChildProcess> Start(const std::string& origin,
                                      const std::vector<std::string>& args = {},
                                      const std::map<std::string, std::string>& extra_env = {},
                                      const std::string& output_name = "console.txt");
  // Starts it and waits for its end (exit code 0 expected); its output.
  std::string RunToEnd(const std::string& origin,
                       std::chrono::milliseconds timeout = std::chrono::seconds(60));

  // The temporary folder (without a trailing "/"), or `name` inside it.
  std::string Temp(std::string_view name = {}) const;
  // The host's folder, or `name` inside it.
  std::string Host(std::string_view name = {}) const;
  // The run log as it is (Shift_JIS, CR LF).
  std::string Log() const { return scratch.Read(host_ + "/Shelvio.log"); }
  // Lines of the run log and of the master file as UTF-8, without line ends. Every line
  // of these files must end in CR LF; a test fails on a cut line.
  std::vector<std::string> LogLines() const;
  std::vector<std::string> MasterLines() const;
  // The plan lines of run `index` (0-based) in the run log: what follows its START block
  // and Version line, up to its END line, which is given as "END".
  std::vector<std::string> PlanLines(int index = 0) const;
  // How many runs the log shows (START lines).
  int Runs() const;
  // The saved copy `name` in the host's "old"; empty when there is none.
  std::string SavedCopy(std::string_view name) const;
  bool TempHas(std::string_view name) const;

  ScratchDir scratch;

 private:
  std::string host_;
  std::string temp_;
};

}  // namespace kasumido::test
