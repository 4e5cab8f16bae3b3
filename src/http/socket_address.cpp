#include "http/socket_address.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/ascii.h"
#include "platform/sockets.h"

namespace kasumido {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<std::uint32_t> ParseDottedAddress(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  std::uint32_t address = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (text.empty() || text.front() != '.') return std::nullopt;
      text.remove_prefix(1);
    }
    unsigned value = 0;
    int digits = 0;
    while (!text.empty() && text.front() >= '0' && text.front() <= '9' && digits < 3) {
      value = value * 10 + static_cast<unsigned>(text.front() - '0');
      text.remove_prefix(1);
      ++digits;
    }
    if (digits == 0 || value > 255) return std::nullopt;
    address = (address << 8) | value;
  }
  if (!text.empty()) return std::nullopt;
  return address;
}

std::string FormatDottedAddress(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::optional<std::uint16_t> ResolvePort(const std::string& port) {
  unsigned value = 0;
  const char* end = port.data() + port.size();
  const auto [stop, error] = std::from_chars(port.data(), end, value);
  if (error == std::errc() && stop == end) {
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
  }
  if (port.empty() || std::isdigit(static_cast<unsigned char>(port.front()))) return std::nullopt;
  return ServicePort(port);
}

bool IsTcpProtocol(const std::string& proto) {
  const std::string lower = AsciiLower(proto);
  return lower == "tcp" || lower == "6";
}

}  // namespace kasumido
