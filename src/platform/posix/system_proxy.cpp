#include "platform/system_proxy.h"

#include "platform/environment.h"

namespace kasumido {

SystemProxySource ReadSystemProxySource() {
  SystemProxySource source;
  source.form = SystemProxyForm::kProxyUrl;
  for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
    std::optional<std::string> value = EnvironmentValue(name);
    if (value && !value->empty()) {
      source.enabled = true;
      source.text = std::move(*value);
      break;
    }
  }
  return source;
}

}  // namespace kasumido
