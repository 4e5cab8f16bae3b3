#include "shell/startup.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "text/paths.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kasumido {
namespace {

using namespace std::chrono_literals;

// Sets (or unsets, with nullopt) an environment variable for the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Apply(value);
  }
  ~ScopedVariable() { Apply(old_); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  void Apply(const std::optional<std::string>& value) {
    if (value) {
      setenv(name_, value->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ChooseStartMode, OnlyAFirstArgumentOfSlashCInAnyCaseShowsTheVersion) {
  struct Case {
    std::vector<const char*> args;
    StartMode mode;
  };
  const std::vector<Case> cases = {
      {{"kasumido"}, StartMode::kDownload},
      {{"kasumido", "/c"}, StartMode::kVersionDialog},
      {{"kasumido", "/C"}, StartMode::kVersionDialog},
      {{"kasumido", "/c", "more"}, StartMode::kVersionDialog},
      {{"kasumido", "/c "}, StartMode::kDownload},
      {{"kasumido", "/cc"}, StartMode::kDownload},
      {{"kasumido", "-c"}, StartMode::kDownload},
      {{"kasumido", "c"}, StartMode::kDownload},
      {{"kasumido", ""}, StartMode::kDownload},
      {{"kasumido", "x", "/c"}, StartMode::kDownload},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseStartMode(static_cast<int>(c.args.size()), c.args.data()), c.mode)
        << (c.args.size() > 1 ? c.args[1] : "(none)");
  }
}

TEST(ChooseViewKind, TakesTheVariableElseTheWindowOnlyWhereItIsSeen) {
  using V = std::optional<std::string>;
  struct Case {
    V ui;
    V platform;  // QT_QPA_PLATFORM
    V display;
    V wayland;
    ViewKind kind;
  };
  const V no;
  const std::vector<Case> cases = {
      {"console", no, ":0", no, ViewKind::kConsole},
      {"console", "xcb", ":0", no, ViewKind::kConsole},
      {"gui", no, ":0", no, ViewKind::kWindow},
      {"gui", "offscreen", no, no, ViewKind::kWindow},
      {"gui", no, no, "wayland-0", ViewKind::kWindow},
      // Nothing could draw the window: the toolkit would end the program at start.
      {"gui", no, no, no, ViewKind::kConsole},
      {"gui", "", "", "", ViewKind::kConsole},
      {no, no, ":0", no, ViewKind::kWindow},
      {no, no, no, "wayland-0", ViewKind::kWindow},
      {no, "", ":0", no, ViewKind::kWindow},
      {no, no, "", no, ViewKind::kConsole},
      {no, no, no, no, ViewKind::kConsole},
      {no, "offscreen", ":0", no, ViewKind::kConsole},
      {no, "minimal", ":0", no, ViewKind::kConsole},
      {no, "xcb", ":0", no, ViewKind::kWindow},
      {no, "vnc:size=800x600", no, no, ViewKind::kWindow},
      {no, "offscreen:fontengine=freetype", no, no, ViewKind::kConsole},
      {"GUI", no, no, no, ViewKind::kConsole},
      {"other", no, ":0", no, ViewKind::kWindow},
  };
  for (const Case& c : cases) {
    ScopedVariable ui("KASUMIDO_UI", c.ui);
    ScopedVariable platform("QT_QPA_PLATFORM", c.platform);
    ScopedVariable display("DISPLAY", c.display);
    ScopedVariable wayland("WAYLAND_DISPLAY", c.wayland);
    EXPECT_EQ(ChooseViewKind(), c.kind)
        << c.ui.value_or("(unset)") << " " << c.platform.value_or("(unset)") << " "
        << c.display.value_or("(unset)") << " " << c.wayland.value_or("(unset)");
  }
}

TEST(SiteOriginFromEnvironment, TakesTheVariableWithoutTrailingSlashesElseTheDefault) {
  struct Case {
    std::optional<std::string> value;
    std::string origin;
  };
  const std::vector<Case> cases = {
      {std::nullopt, "http://www.kasumido-shoten.example"},
      {"", "http://www.kasumido-shoten.example"},
      {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
      {"http://127.0.0.1:8080//", "http://127.0.0.1:8080"},
  };
  for (const Case& c : cases) {
    ScopedVariable origin("KASUMIDO_SITE_ORIGIN", c.value);
    EXPECT_EQ(SiteOriginFromEnvironment(), c.origin);
  }
}

TEST(DocumentDeadlineFromEnvironment, TakesWholeSecondsFromOneUpElseTheFallback) {
  const std::pair<std::optional<std::string>, Milliseconds> cases[] = {
      {std::nullopt, 300s}, {"", 300s}, {"0", 300s},   {"-5", 300s},
      {"3x", 300s},         {"3", 3s},  {"600", 600s},
  };
  for (const auto& [value, deadline] : cases) {
    ScopedVariable variable("KASUMIDO_DOCUMENT_DEADLINE", value);
    EXPECT_EQ(DocumentDeadlineFromEnvironment(300s), deadline) << value.value_or("(unset)");
  }
}

TEST(ProgramFile, IsTheRunningExecutableAndItsFolderHoldsIt) {
  const std::string file = ProgramFile();
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(IsAbsolutePath(file)) << file;
  EXPECT_TRUE(IsFile(file)) << file;
  EXPECT_EQ(JoinPath(FolderOf(file), FileNameOf(file)), file);
  EXPECT_EQ(std::string(FileNameOf(file)).rfind("shell_tests", 0), 0u) << file;
}

}  // namespace
}  // namespace kasumido
