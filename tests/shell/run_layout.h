// A host folder for run tests, in a scratch folder: "host/" with its Shelvio.ini, the
// program folder "host/plugin/" and the temporary folder "temp/". The program file is
// the test binary itself, so the run log's Version line is the suite's own.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "platform/paths.h"
#include "shell/form_dll.h"
#include "shell/startup.h"
#include "support/scratch_dir.h"

namespace kasumido::test {

class RunLayout {
 public:
  RunLayout() {
    std::filesystem::create_directories(scratch.Path() / "host" / "plugin");
    std::filesystem::create_directories(scratch.Path() / "temp");
  }

  // Writes Shelvio.ini with section TSetup holding `settings`.
  void WriteSettings(const std::map<std::string, std::string>& settings) const {
    std::string ini = "[TSetup]\r\n";
    for (const auto& [key, value] : settings) ini += key + "=" + value + "\r\n";
    scratch.Write("host/Shelvio.ini", ini);
  }

  RunSetup Setup(const std::string& origin) const {
    RunSetup setup;
    setup.program_file = ProgramFile();
    setup.program_dir = scratch.File("host/plugin");
    setup.site_origin = origin;
    setup.temp_folder = scratch.File("temp") + "/";
    return setup;
  }

  std::string Temp(const std::string& name) const { return scratch.File("temp/" + name); }
  std::string Host(const std::string& name) const { return scratch.File("host/" + name); }
  std::string Log() const { return scratch.Read("host/Shelvio.log"); }

  ScratchDir scratch;
};

}  // namespace kasumido::test
