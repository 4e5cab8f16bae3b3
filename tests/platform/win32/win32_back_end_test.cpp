// Where the Windows back end behaves differently from Linux: the named mutex, the system
// proxy from the registry, the version resource the build compiles in, and paths.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "about/version_info.h"
#include "kasumido/texts.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"
#include "platform/system_proxy.h"
#include "platform/version_resource.h"
#include "shell/environment.h"
#include "shell/log_file.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

TEST(InstanceMutex, OfInstancesStartedTogetherExactlyOneRunsUntilItEnds) {
  constexpr int kStarters = 8;
  std::vector<InstanceLock> locks(kStarters);
  std::vector<LockOutcome> outcomes(kStarters);
  std::atomic<bool> go{false};
  std::vector<std::thread> starters;
  for (int i = 0; i < kStarters; ++i) {
    starters.emplace_back([&, i] {
      while (!go) std::this_thread::yield();
      outcomes[i] = locks[i].AcquireFor("C:\\host", "C:\\temp");
    });
  }
  go = true;
  for (std::thread& starter : starters) starter.join();
  int acquired = 0;
  for (LockOutcome outcome : outcomes) {
    EXPECT_NE(outcome, LockOutcome::kFailed);
    if (outcome == LockOutcome::kAcquired) ++acquired;
  }
  EXPECT_EQ(acquired, 1);
  for (InstanceLock& lock : locks) {
    if (lock.Held()) {
      EXPECT_EQ(lock.Path(), "ShelvioPlugIn");
    }
  }
  // The name is the host's: another plug-in holding it blocks us too.
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"ShelvioPlugIn");
  EXPECT_NE(mutex, nullptr);
  if (mutex != nullptr) CloseHandle(mutex);

  for (InstanceLock& lock : locks) lock.Release();
  InstanceLock next;
  EXPECT_EQ(next.AcquireFor("C:\\host", "C:\\temp"), LockOutcome::kAcquired);
}

// Runs reg.exe of the prefix, as `wine reg` does.
void Reg(const std::wstring& arguments) {
  std::wstring command = L"reg.exe " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

TEST(RegistryProxy, ReadsProxyEnableLowByteAndProxyServerOfInternetSettings) {
  const std::wstring key =
      L"\"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\"";
  struct Case {
    const wchar_t* enable;  // nullptr: no value
    const wchar_t* server;  // nullptr: no value
    bool enabled;
    std::string text;
  };
  const Case cases[] = {
      {L"1", L"proxy.example:8080", true, "proxy.example:8080"},
      {L"1", L"http=web:3128;ftp=files:21", true, "http=web:3128;ftp=files:21"},
      {L"256", L"proxy.example:8080", false, "proxy.example:8080"},  // low byte 0
      {L"0", nullptr, false, ""},
      {nullptr, nullptr, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + (c.enable ? " enable set" : " enable missing"));
    Reg(L"delete " + key + L" /v ProxyEnable /f");
    Reg(L"delete " + key + L" /v ProxyServer /f");
    if (c.enable) Reg(L"add " + key + L" /v ProxyEnable /t REG_DWORD /d " + c.enable + L" /f");
    if (c.server) Reg(L"add " + key + L" /v ProxyServer /t REG_SZ /d \"" + c.server + L"\" /f");
    const SystemProxySource source = ReadSystemProxySource();
    EXPECT_EQ(source.form, SystemProxyForm::kServerText);
    EXPECT_EQ(source.enabled, c.enabled);
    EXPECT_EQ(source.text, c.text);
  }
  Reg(L"delete " + key + L" /v ProxyEnable /f");
  Reg(L"delete " + key + L" /v ProxyServer /f");
}

TEST(VersionResource, TheBuildsResourceCarriesTheElevenStringsUnder041103A4) {
  const std::string self = ProgramFile();
  ASSERT_FALSE(self.empty());
  EXPECT_FALSE(IsExecutableImage(self)) << "the extension decides on Windows";
  const std::optional<VersionResource> resource = VersionResource::Read(self);
  ASSERT_TRUE(resource);
  EXPECT_EQ(resource->FirstTranslation(), "041103A4");
  const std::string prefix = "\\StringFileInfo\\041103A4\\";
  EXPECT_EQ(resource->Value(prefix + "FileVersion"), KASUMIDO_PROJECT_VERSION);
  EXPECT_EQ(resource->Value(prefix + "ProductName"), std::string(texts::kProductName));
  EXPECT_EQ(resource->Value(prefix + "FileDescription"), std::string(texts::kFileDescription));
  EXPECT_EQ(resource->Value(prefix + "LegalTrademarks"), "");
  EXPECT_FALSE(resource->Value(prefix + "NoSuchKey"));

  VersionRecord record;
  GetVersionInfo(self, record);
  EXPECT_EQ(record[VersionField::kFileVersion], KASUMIDO_PROJECT_VERSION) << "the file version";
  EXPECT_TRUE(FindResourceW(nullptr, L"MAINICON", MAKEINTRESOURCEW(14))) << "the icon group";

  // The run log's Version line shows the file version of the running program.
  test::ScratchDir dir;
  const std::string log_path = dir.File("run.log");
  {
    TLogFile log(self);
    log.SetLogFileName(log_path);
    log.SetActive(true);
    log.SetActive(false);
  }
  const std::string content = dir.Read("run.log");
  const std::size_t line_end = content.find("\r\n");
  ASSERT_NE(line_end, std::string::npos) << content;
  EXPECT_EQ(content.substr(line_end + 2, content.find("\r\n", line_end + 2) - line_end - 2),
            "Version " KASUMIDO_PROJECT_VERSION);
}

TEST(WindowsPaths, UseBackslashesDrivesUncAndLongNames) {
  EXPECT_EQ(PathSeparator(), '\\');
  struct Case {
    const char* path;
    bool absolute;
    bool root;
  };
  for (const Case& c : {Case{"C:\\", true, true}, Case{"C:", false, true}, Case{"\\", false, true},
                        Case{"C:\\temp", true, false}, Case{"\\\\server\\share", true, false},
                        Case{"temp\\x", false, false}, Case{"C:temp", false, false},
                        Case{"\\\\?\\C:\\", true, true}, Case{"\\\\?\\C:\\temp", true, false}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute);
    EXPECT_EQ(IsRootFolder(c.path), c.root);
  }
}

// Sets TEMP and TMP (GetTempPathW's first source) for one test and puts them back.
class TempVariables : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
    }
  }
  void Set(const wchar_t* name, const std::optional<std::string>& value) {
    if (!saved_.contains(name)) {
      wchar_t old[32768];
      const DWORD size = GetEnvironmentVariableW(name, old, 32768);
      saved_[name] = size > 0 ? std::optional<std::wstring>(old) : std::nullopt;
    }
    SetEnvironmentVariableW(name, value ? test::FsPath(*value).c_str() : nullptr);
  }

 private:
  std::map<const wchar_t*, std::optional<std::wstring>> saved_;
};

// TEMP of any length and script is taken as it is, when the host can name it (Wine gives
// every existing folder a short name); a root, a relative path, an unset TEMP or a folder
// the host cannot name gives way to the system's temporary folder.
TEST_F(TempVariables, TempFolderIsTempOfAnyLengthAndScriptWhenTheHostCanNameIt) {
  test::ScratchDir dir;
  const std::string system = dir.File("system");
  ASSERT_TRUE(MakeFolder(system));
  std::string long_folder = dir.File(std::string(150, 'a'));
  ASSERT_TRUE(MakeFolder(long_folder));
  long_folder += "\\" + std::string(150, 'b');
  ASSERT_TRUE(MakeFolder(long_folder));
  const std::string zoe = dir.File("Zoë");
  ASSERT_TRUE(MakeFolder(zoe));
  struct Case {
    std::optional<std::string> temp;
    std::string folder;
  };
  const Case cases[] = {
      {std::nullopt, system + "\\"},     {"\\", system + "\\"},
      {"C:\\", system + "\\"},           {"relative", system + "\\"},
      {" \t" + zoe + "\\ ", zoe + "\\"}, {long_folder, long_folder + "\\"},
      {dir.File("𠮷田"), system + "\\"},  // missing: no short name, nothing the host opens
  };
  Set(L"TMP", system);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.temp.value_or("(unset)"));
    Set(L"TEMP", c.temp);
    const std::string folder = TempFolder();
    EXPECT_EQ(folder, c.folder);
    const std::optional<std::string> for_host = SjisPathForHost(folder);
    ASSERT_TRUE(for_host);
    EXPECT_TRUE(IsFolder(PathFromSjis(*for_host).value_or("")));
  }
}

}  // namespace
}  // namespace kasumido
