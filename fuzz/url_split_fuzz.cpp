// URL splitting and the targets of requests and relocations: SplitUrl's parts are pieces
// of its input in their order, and a relocation never makes a target that could not be
// sent out of a Location value and a current target that could.
#include <string>

#include "fuzz_input.h"
#include "http/request_target.h"
#include "http/url_split.h"

namespace kasumido {
namespace {

bool HoldsControlByte(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

void CheckSplit(std::string_view url) {
  const UrlParts parts = SplitUrl(url);
  FUZZ_CHECK(parts.Path.empty() || parts.Path[0] == '/' || parts.Path[0] == '?');
  FUZZ_CHECK(url.ends_with(parts.Path));
  FUZZ_CHECK(parts.Host.find_first_of("/?@") == std::string::npos);
  FUZZ_CHECK(parts.Port.find_first_of("/?@:") == std::string::npos);
  FUZZ_CHECK(parts.HasUser || parts.User.empty());
  FUZZ_CHECK(parts.HasPassword || parts.Password.empty());
  FUZZ_CHECK(url.find(parts.Host) != std::string_view::npos);
}

void CheckRelocation(std::string_view url, std::string_view location, std::string_view proxy) {
  const TargetChoice start = TargetForUrl(url, proxy, "8080");
  const TargetChoice moved = RelocatedTarget(start.Target, location, proxy, "8080");
  if (SendableTarget(start.Target) && !HoldsControlByte(location)) {
    FUZZ_CHECK(SendableTarget(moved.Target));
  }
  FUZZ_CHECK(moved.Target.ThroughProxy == !proxy.empty());
}

}  // namespace
}  // namespace kasumido

// Input: a mode byte (bit 0: through a proxy), the URL (a length byte and its bytes),
// then the Location value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  fuzz::FuzzInput input(data, size);
  const bool proxied = (input.Byte() & 1) != 0;
  const std::string url(input.TakeShort());
  const std::string location(input.Rest());
  CheckSplit(url);
  CheckSplit(location);
  CheckRelocation(url, location, proxied ? "proxy.test:3128" : "");
  ProxyEndpointOf(location, "3128");
  return 0;
}
