// The host's settings, read-only: section "TSetup" of "Shelvio.ini" in the parent of the
// program's folder. Every read opens the file anew and closes it again, so a value that
// the host changes during a run takes effect at the next read. A missing file, section
// or key reads as the empty text. Switches are the literal words "True" and "False",
// compared exactly ("true" is not "True").
//
// The host rewrites the file in place when it saves its settings, so a read during the
// save can find it empty or cut. A read that finds no section "TSetup" therefore looks
// again, kSettingsReadAttempts times in all, kSettingsReadPause apart, before it takes
// the file for one without the section; the pauses pump the event loop, so the window
// stays responsive. A missing key in a section that is there is final at once.
//
// The proxy choice turns the system proxy and the host's manual proxy keys into the two
// texts the HTTP client takes as its Proxy and ProxyPort; both empty means direct.
#pragma once

#include <string>
#include <string_view>

#include "http/proxy_discovery.h"
#include "platform/event_loop.h"

namespace kasumido {

namespace host_keys {
inline constexpr std::string_view kDllBooksChecked = "DLLBooks_Checked";
inline constexpr std::string_view kDllBunkoChecked = "DLLBunko_Checked";
inline constexpr std::string_view kDllComicChecked = "DLLComic_Checked";
inline constexpr std::string_view kCheckEditedChecked = "CheckEdited_Checked";
inline constexpr std::string_view kTimeOutText = "TimeOut_Text";
inline constexpr std::string_view kUseIeProxyChecked = "UseIEProxy_Checked";
inline constexpr std::string_view kUseProxyChecked = "UseProxy_Checked";
inline constexpr std::string_view kProxyServerText = "ProxyServer_Text";
inline constexpr std::string_view kProxyPortText = "ProxyPort_Text";
}  // namespace host_keys

inline constexpr std::string_view kHostSettingsFileName = "Shelvio.ini";
inline constexpr std::string_view kHostSettingsSection = "TSetup";
inline constexpr int kDefaultTimeOutSeconds = 60;
// The longest time-out whose milliseconds still fit a signed 32-bit interval.
inline constexpr int kMaxTimeOutSeconds = 2147483;
// The host's save empties the file for a few milliseconds to tens of milliseconds; half
// a second covers a slow disk, and only a file without the section costs the wait.
inline constexpr int kSettingsReadAttempts = 5;
inline constexpr Milliseconds kSettingsReadPause{125};

class HostSettings {
 public:
  // `program_dir` is the folder that holds the program's executable (never the current
  // directory); the settings file is "Shelvio.ini" in its parent. `loop` is pumped
  // between the reads of a file without the section; without one (a tool that reads a
  // setting before its loop runs) a read looks once.
  // REQUIRES: `loop`, when given, outlives the object.
  explicit HostSettings(std::string program_dir, EventLoop* loop = nullptr);

  // Full path of the settings file: the program's folder followed by "/../Shelvio.ini".
  const std::string& FilePath() const { return file_path_; }

  // The text of `key` in section "TSetup", or the empty text when the file, the section
  // or the key is missing. Opens and closes the file on every call.
  // Pumps the event loop while it looks again for a missing section: handlers may run
  // before this returns (so do the three below, which read through it).
  std::string ReadHostSetting(std::string_view key) const;

  // True when `key` reads exactly "True" (category and proxy switches).
  bool SwitchOn(std::string_view key) const;
  // The edited-page check: on unless "CheckEdited_Checked" reads exactly "False".
  bool CheckEditedOn() const;
  // "TimeOut_Text" converted by ParseTimeOutSeconds.
  int TimeOutSeconds() const;

 private:
  std::string file_path_;
  EventLoop* loop_;
};

// A time-out text as seconds: an optionally signed decimal integer gives its value (a
// negative value 0, which switches the time-out off; a value above kMaxTimeOutSeconds
// that maximum); the empty text or anything that is not such a number gives 60.
int ParseTimeOutSeconds(std::string_view text);

// What the HTTP client receives as its Proxy and ProxyPort.
struct ProxySetting {
  std::string Proxy;
  std::string ProxyPort;

  bool operator==(const ProxySetting&) const = default;
};

// The proxy choice, in this order: with "UseIEProxy_Checked" "True" the system proxy
// (`system_proxy`, both texts empty when it is off); else with "UseProxy_Checked" "True"
// the texts of "ProxyServer_Text" and "ProxyPort_Text", trimmed of spaces and control
// characters; else both empty (direct, which also clears the client's "80").
ProxySetting ChooseProxy(const IeProxySettings& system_proxy, const HostSettings& settings);

// The same choice with the system proxy read first by ReadIeProxy, as a run does once
// before its plan starts.
// Pumps the event loop (the settings' reads): handlers may run before this returns.
ProxySetting ChooseProxy(const HostSettings& settings);

}  // namespace kasumido
