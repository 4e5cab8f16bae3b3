// The peer's address as the transport takes it: IPv4 addresses written as four decimal
// numbers separated by dots ("127.0.0.1"), ports as numbers or service names, and the
// protocol name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

// The address in host byte order, when `text` is four decimal numbers of at most 255
// (one to three digits each) separated by single dots, with blanks allowed around the
// whole; nothing otherwise.
std::optional<std::uint32_t> ParseDottedAddress(std::string_view text);

// "a.b.c.d" for an address in host byte order.
std::string FormatDottedAddress(std::uint32_t address);

// The port for `port`: a number from 1 to 65535, or a TCP service name known to the
// system's services list; nothing otherwise.
std::optional<std::uint16_t> ResolvePort(const std::string& port);

// Whether `proto` names TCP: "tcp" in any case, or its number "6".
bool IsTcpProtocol(const std::string& proto);

}  // namespace kasumido
