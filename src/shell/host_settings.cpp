#include "shell/host_settings.h"

#include <charconv>
#include <utility>

#include "platform/waits.h"
#include "shell/ini_file.h"
#include "text/paths.h"
#include "text/sjis.h"

namespace kasumido {

HostSettings::HostSettings(std::string program_dir, EventLoop* loop)
    : file_path_(JoinPath(JoinPath(program_dir, ".."), kHostSettingsFileName)), loop_(loop) {}

std::string HostSettings::ReadHostSetting(std::string_view key) const {
  IniFile file = IniFile::Load(file_path_);
  for (int attempt = 1; loop_ != nullptr && attempt < kSettingsReadAttempts &&
                        !file.HasSection(kHostSettingsSection);
       ++attempt) {
    PumpFor(*loop_, kSettingsReadPause);
    file = IniFile::Load(file_path_);
  }
  return file.Value(kHostSettingsSection, key).value_or("");
}

bool HostSettings::SwitchOn(std::string_view key) const { return ReadHostSetting(key) == "True"; }

bool HostSettings::CheckEditedOn() const {
  return ReadHostSetting(host_keys::kCheckEditedChecked) != "False";
}

int HostSettings::TimeOutSeconds() const {
  return ParseTimeOutSeconds(ReadHostSetting(host_keys::kTimeOutText));
}

int ParseTimeOutSeconds(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return kDefaultTimeOutSeconds;
  for (const char c : text) {
    if (c < '0' || c > '9') return kDefaultTimeOutSeconds;
  }
  if (negative) return 0;
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range || value > kMaxTimeOutSeconds) {
    return kMaxTimeOutSeconds;
  }
  return static_cast<int>(value);
}

ProxySetting ChooseProxy(const IeProxySettings& system_proxy, const HostSettings& settings) {
  if (settings.SwitchOn(host_keys::kUseIeProxyChecked)) {
    return {system_proxy.ProxyHost, system_proxy.ProxyPortText};
  }
  if (settings.SwitchOn(host_keys::kUseProxyChecked)) {
    return {TrimControls(settings.ReadHostSetting(host_keys::kProxyServerText)),
            TrimControls(settings.ReadHostSetting(host_keys::kProxyPortText))};
  }
  return {};
}

ProxySetting ChooseProxy(const HostSettings& settings) {
  IeProxySettings system_proxy;
  ReadIeProxy(system_proxy);
  return ChooseProxy(system_proxy, settings);
}

}  // namespace kasumido
