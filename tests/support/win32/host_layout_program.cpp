// The host layout's real program on Windows: kasumido.exe copied into the plug-in folder
// and started as a child process, its windows on the display the suite runs on.
#include <filesystem>

#include "support/host_layout.h"

namespace kasumido::test {

std::unique_ptr<ChildProcess> HostLayout::Start(const std::string& origin,
                                                const std::vector<std::string>& args,
                                                const std::map<std::string, std::string>& extra_env,
                                                const std::string& output_name) {
  // Copied, not linked: the program finds the host's files relative to its own folder.
  const std::string program = Host("plugin/kasumido.exe");
  if (!std::filesystem::exists(FsPath(program))) {
    std::filesystem::copy_file(std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido.exe",
                               FsPath(program));
  }
  std::map<std::string, std::string> env = {
      {"KASUMIDO_SITE_ORIGIN", origin}, {"TEMP", Temp()}, {"TMP", Temp()}};
  for (const auto& [name, value] : extra_env) env[name] = value;
  return std::make_unique<ChildProcess>(program, args, scratch.Path() / output_name, env);
}

}  // namespace kasumido::test
