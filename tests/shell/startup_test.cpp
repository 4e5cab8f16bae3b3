#include "shell/startup.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kasumido {
namespace {

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

TEST(ChooseViewKind, TakesTheVariableElseTheWindowOnlyWithADisplay) {
  struct Case {
    std::optional<std::string> ui;
    std::optional<std::string> display;
    ViewKind kind;
  };
  const std::vector<Case> cases = {
      {"console", ":0", ViewKind::kConsole},
      {"gui", std::nullopt, ViewKind::kWindow},
      {std::nullopt, ":0", ViewKind::kWindow},
      {std::nullopt, "", ViewKind::kConsole},
      {std::nullopt, std::nullopt, ViewKind::kConsole},
      {"GUI", std::nullopt, ViewKind::kConsole},
  };
  ScopedVariable wayland("WAYLAND_DISPLAY", std::nullopt);
  for (const Case& c : cases) {
    ScopedVariable ui("KASUMIDO_UI", c.ui);
    ScopedVariable display("DISPLAY", c.display);
    EXPECT_EQ(ChooseViewKind(), c.kind)
        << c.ui.value_or("(unset)") << " " << c.display.value_or("(unset)");
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

TEST(ProgramFile, IsTheRunningExecutableAndItsFolderHoldsIt) {
  const std::string file = ProgramFile();
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(file.front(), '/');
  EXPECT_EQ(FolderOf(file) + "/shell_tests", file);
  EXPECT_EQ(FolderOf("/kasumido"), "/");
}

}  // namespace
}  // namespace kasumido
