#include "shell/environment.h"

#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace kasumido {
namespace {

// Clears every variable the temporary folder may come from (any case of "temp", and
// TMPDIR) and puts the environment back as it was afterwards.
class TempEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const char* equals = std::strchr(*entry, '=');
      if (equals == nullptr) continue;
      std::string name(*entry, equals - *entry);
      if (strcasecmp(name.c_str(), "temp") == 0 || strcasecmp(name.c_str(), "TMPDIR") == 0 ||
          strcasecmp(name.c_str(), "KASUMIDO_T") == 0) {
        saved_.emplace_back(std::move(name), equals + 1);
      }
    }
    for (const auto& [name, value] : saved_) unsetenv(name.c_str());
  }
  void TearDown() override {
    for (const char* name : {"TEMP", "temp", "Temp", "TMPDIR", "KASUMIDO_T", "kasumido_t"}) {
      unsetenv(name);
    }
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  }
  static void Set(const char* name, const std::string& value) {
    ASSERT_EQ(setenv(name, value.c_str(), 1), 0);
  }

 private:
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(TempEnvironment, GetEnvValueTrimsAndLimitsTheValue) {
  const std::pair<std::string, std::string> cases[] = {
      {" \t/var/cache/kasumido \r\n", "/var/cache/kasumido"},
      {"", ""},
      {" \t ", ""},
      {std::string(259, 'v'), std::string(259, 'v')},  // fits the buffer with its NUL
      {std::string(260, 'v'), ""},
      {" " + std::string(258, 'v') + " ", ""},  // the limit counts the untrimmed value
  };
  for (const auto& [value, read] : cases) {
    Set("KASUMIDO_T", value);
    EXPECT_EQ(GetEnvValue("KASUMIDO_T"), read) << value.size();
  }
  unsetenv("KASUMIDO_T");
  EXPECT_EQ(GetEnvValue("KASUMIDO_T"), "");
}

TEST_F(TempEnvironment, GetEnvValueMatchesNamesInAnyCasePreferringTheExactOne) {
  Set("kasumido_t", "lower");
  EXPECT_EQ(GetEnvValue("KASUMIDO_T"), "lower");
  EXPECT_EQ(GetEnvValue("Kasumido_T"), "lower");
  Set("KASUMIDO_T", "upper");
  EXPECT_EQ(GetEnvValue("KASUMIDO_T"), "upper");
  EXPECT_EQ(GetEnvValue("kasumido_t"), "lower");
  EXPECT_EQ(GetEnvValue(""), "");
  EXPECT_EQ(GetEnvValue("KASUMIDO_T=upper"), "");
}

TEST_F(TempEnvironment, TempFolderTakesTheFirstUsableSourceTheHostCanNameAndEndsInSlash) {
  struct Case {
    const char* temp_name;  // which spelling of "temp" is set; null for none
    std::string temp;
    const char* tmpdir;  // null when unset
    std::string folder;
  };
  const std::string long_folder = "/" + std::string(300, 'x');
  const Case cases[] = {
      {nullptr, "", nullptr, "/tmp/"},
      {"TEMP", "/var/tmp", nullptr, "/var/tmp/"},
      {"temp", "/var/tmp/", "/srv/t", "/var/tmp/"},
      {"Temp", "  /home/u/t\t", nullptr, "/home/u/t/"},
      {nullptr, "", "/srv/t", "/srv/t/"},
      {"TEMP", long_folder, "/srv/t", long_folder + "/"},  // any length
      {"TEMP", "/", "/srv/t", "/srv/t/"},                  // never the root folder
      {"TEMP", "//\\", nullptr, "/tmp/"},
      {"TEMP", "", "/", "/tmp/"},
      {"TEMP", "   ", "relative/dir", "/tmp/"},  // never relative to the working folder
      {"TEMP", "/t/ソ表", nullptr, "/t/ソ表/"},
      {"TEMP", "/t/表\\", nullptr, "/t/表\\"},
      // A folder whose name Shift_JIS cannot hold gives way to one the host can name.
      {"TEMP", "/home/Zoë/t", "/srv/𠮷田", "/tmp/"},
      {"TEMP", "/home/한글", "/srv/t", "/srv/t/"},
      {"TEMP", std::string("/t/\xff\xfe"), nullptr, "/tmp/"},  // not UTF-8
  };
  for (const Case& c : cases) {
    if (c.temp_name != nullptr) Set(c.temp_name, c.temp);
    if (c.tmpdir != nullptr) Set("TMPDIR", c.tmpdir);
    EXPECT_EQ(TempFolder(), c.folder) << (c.temp_name ? c.temp_name : "-") << "=" << c.temp
                                      << " TMPDIR=" << (c.tmpdir ? c.tmpdir : "-");
    for (const char* name : {"TEMP", "temp", "Temp", "TMPDIR"}) unsetenv(name);
  }
}

}  // namespace
}  // namespace kasumido
