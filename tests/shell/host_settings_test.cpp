#include "shell/host_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/paths.h"
#include "support/faulty_file_system.h"
#include "support/scratch_dir.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

// A host folder with the program in its sub-folder "kasumido".
class HostSettingsTest : public ::testing::Test {
 protected:
  HostSettingsTest() { std::filesystem::create_directories(ProgramDir()); }
  std::string ProgramDir() const { return dir_.File("host/kasumido"); }
  void WriteSettings(const std::string& tsetup_lines) {
    dir_.Write("host/Shelvio.ini",
               "[Other]\r\nDLLBooks_Checked=True\r\n[TSetup]\r\n" + tsetup_lines);
  }
  HostSettings Settings() const { return HostSettings(ProgramDir()); }

  test::ScratchDir dir_;
};

TEST_F(HostSettingsTest, ReadsSectionTSetupOfShelvioIniInTheProgramsParentFolder) {
  dir_.Write("host/kasumido/Shelvio.ini", "[TSetup]\nTimeOut_Text=1\n");  // not the host's
  WriteSettings("TimeOut_Text=25\r\n");
  const std::string separator(1, PathSeparator());
  for (const std::string& program_dir : {ProgramDir(), ProgramDir() + separator}) {
    const HostSettings settings(program_dir);
    EXPECT_EQ(settings.FilePath(), ProgramDir() + separator + ".." + separator + "Shelvio.ini");
    EXPECT_EQ(settings.ReadHostSetting(host_keys::kTimeOutText), "25");
    EXPECT_EQ(settings.TimeOutSeconds(), 25);
    // The key of another section is not the setting.
    EXPECT_EQ(settings.ReadHostSetting(host_keys::kDllBooksChecked), "");
  }
}

TEST_F(HostSettingsTest, ReadsEveryValueAfreshFromTheFile) {
  const HostSettings settings = Settings();
  WriteSettings("DLLComic_Checked=True\r\n");
  EXPECT_TRUE(settings.SwitchOn(host_keys::kDllComicChecked));
  WriteSettings("DLLComic_Checked=False\r\n");
  EXPECT_FALSE(settings.SwitchOn(host_keys::kDllComicChecked));
  std::filesystem::remove(dir_.Path() / "host/Shelvio.ini");
  EXPECT_FALSE(settings.SwitchOn(host_keys::kDllComicChecked));
}

TEST_F(HostSettingsTest, SwitchIsOnOnlyForTheExactWordTrue) {
  const struct {
    std::string line;
    bool on;
  } cases[] = {
      {"DLLBunko_Checked=True", true},   {"DLLBunko_Checked= True ", true},
      {"DLLBunko_Checked=true", false},  {"DLLBunko_Checked=TRUE", false},
      {"DLLBunko_Checked=1", false},     {"DLLBunko_Checked=", false},
      {"DLLBunko_Checked=Truey", false}, {"OtherKey=True", false},
  };
  for (const auto& c : cases) {
    WriteSettings(c.line + "\r\n");
    EXPECT_EQ(Settings().SwitchOn(host_keys::kDllBunkoChecked), c.on) << c.line;
  }
}

TEST_F(HostSettingsTest, EditedPageCheckIsOnUnlessExactlyFalse) {
  const struct {
    std::string line;
    bool on;
  } cases[] = {
      {"CheckEdited_Checked=False", false},
      {"CheckEdited_Checked=false", true},
      {"CheckEdited_Checked=True", true},
      {"CheckEdited_Checked=", true},
      {"OtherKey=False", true},
  };
  for (const auto& c : cases) {
    WriteSettings(c.line + "\r\n");
    EXPECT_EQ(Settings().CheckEditedOn(), c.on) << c.line;
  }
}

TEST_F(HostSettingsTest, AReadLooksAgainForAMissingSectionWhileTheHostSavesTheFile) {
  using std::chrono::milliseconds;
  const std::string whole = "[TSetup]\r\nTimeOut_Text=25\r\n";
  const struct {
    const char* name;
    const char* before;     // the file until the host's save ends; null: missing
    milliseconds saved_at;  // when the whole file is there; 0: never
    bool with_loop;
    std::string value;
    milliseconds waited;
  } cases[] = {
      {"whole from the start", whole.c_str(), milliseconds(0), true, "25", milliseconds(0)},
      {"empty during the save", "", milliseconds(300), true, "25", milliseconds(375)},
      {"cut before the section", "[Other]\r\nx=1\r\n[TSe", milliseconds(100), true, "25",
       milliseconds(125)},
      {"missing during the save", nullptr, milliseconds(450), true, "25", milliseconds(500)},
      {"never there", "", milliseconds(0), true, "", milliseconds(500)},
      {"without a loop", "", milliseconds(300), false, "", milliseconds(0)},
      {"the section without the key", "[TSetup]\r\n", milliseconds(0), true, "", milliseconds(0)},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir_.Path() / "host/Shelvio.ini");
    if (c.before) dir_.Write("host/Shelvio.ini", c.before);
    test::TestEventLoop loop;
    const std::unique_ptr<Timer> host_save = loop.CreateTimer();
    host_save->SetInterval(c.saved_at);
    host_save->OnTimer = [&] {
      dir_.Write("host/Shelvio.ini", whole);
      host_save->SetEnabled(false);
    };
    host_save->SetEnabled(c.saved_at.count() > 0);
    const HostSettings settings(ProgramDir(), c.with_loop ? &loop : nullptr);
    const TimePoint start = loop.Now();
    EXPECT_EQ(settings.ReadHostSetting(host_keys::kTimeOutText), c.value) << c.name;
    EXPECT_EQ(loop.Now() - start, c.waited) << c.name;
  }
  // The same through the file seam: the first three opens find the file empty.
  dir_.Write("host/Shelvio.ini", whole);
  test::FaultyFileSystem faults;
  faults.ReadEmpty("Shelvio.ini", 3);
  test::TestEventLoop loop;
  const TimePoint start = loop.Now();
  EXPECT_EQ(HostSettings(ProgramDir(), &loop).TimeOutSeconds(), 25);
  EXPECT_EQ(loop.Now() - start, 3 * kSettingsReadPause);
  EXPECT_EQ(faults.Refusals("Shelvio.ini"), 3);
}

TEST(ParseTimeOutSeconds, TakesADecimalNumberElse60) {
  const struct {
    std::string_view text;
    int seconds;
  } cases[] = {
      {"", 60},
      {"abc", 60},
      {"0", 0},
      {"10", 10},
      {"+5", 5},
      {"-5", 0},
      {"12abc", 60},
      {"0x10", 60},
      {"-", 60},
      {"1 0", 60},
      {"007", 7},
      {"2147483", 2147483},
      {"2147484", kMaxTimeOutSeconds},
      {"99999999999999999999999", kMaxTimeOutSeconds},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseTimeOutSeconds(c.text), c.seconds) << c.text;
  }
}

TEST_F(HostSettingsTest, MissingFileGivesEmptyKeysAndTheDefaults) {
  const HostSettings settings = Settings();
  for (const std::string_view key :
       {host_keys::kDllBooksChecked, host_keys::kDllBunkoChecked, host_keys::kDllComicChecked,
        host_keys::kCheckEditedChecked, host_keys::kTimeOutText, host_keys::kUseIeProxyChecked,
        host_keys::kUseProxyChecked, host_keys::kProxyServerText, host_keys::kProxyPortText}) {
    EXPECT_EQ(settings.ReadHostSetting(key), "") << key;
  }
  EXPECT_FALSE(settings.SwitchOn(host_keys::kDllBooksChecked));
  EXPECT_TRUE(settings.CheckEditedOn());
  EXPECT_EQ(settings.TimeOutSeconds(), 60);
  EXPECT_EQ(ChooseProxy(IeProxySettings{true, "sys.example", "8080"}, settings), ProxySetting{});
  // A folder in the file's place reads the same.
  std::filesystem::create_directories(dir_.Path() / "host/Shelvio.ini");
  EXPECT_EQ(settings.TimeOutSeconds(), 60);
}

TEST_F(HostSettingsTest, ChoosesSystemProxyThenManualProxyElseDirect) {
  const IeProxySettings system_on{true, "sys.example", "8080"};
  const IeProxySettings system_off{};
  const struct {
    std::string lines;
    IeProxySettings system_proxy;
    ProxySetting expected;
  } cases[] = {
      // The system proxy wins over the manual one.
      {"UseIEProxy_Checked=True\nUseProxy_Checked=True\nProxyServer_Text=man\nProxyPort_Text=1\n",
       system_on,
       {"sys.example", "8080"}},
      // ... even when it is off: direct.
      {"UseIEProxy_Checked=True\nUseProxy_Checked=True\nProxyServer_Text=man\nProxyPort_Text=1\n",
       system_off,
       {"", ""}},
      {"UseIEProxy_Checked=true\nUseProxy_Checked=True\nProxyServer_Text=  man.example \t\n"
       "ProxyPort_Text= 3128 \n",
       system_on,
       {"man.example", "3128"}},
      {"UseProxy_Checked=True\nProxyServer_Text=\"\x01 man.example\x1f "
       "\"\nProxyPort_Text=\"\t80\r\"\n",
       system_on,
       {"man.example", "80"}},
      {"UseProxy_Checked=True\nProxyServer_Text=man.example\nProxyPort_Text=abc\n",
       system_on,
       {"man.example", "abc"}},
      {"UseProxy_Checked=True\n", system_on, {"", ""}},
      {"UseProxy_Checked=False\nProxyServer_Text=man.example\nProxyPort_Text=3128\n",
       system_on,
       {"", ""}},
      {"", system_on, {"", ""}},
  };
  for (const auto& c : cases) {
    WriteSettings(c.lines);
    EXPECT_EQ(ChooseProxy(c.system_proxy, Settings()), c.expected) << c.lines;
  }
}

}  // namespace
}  // namespace kasumido
