// IPv4 addresses written as four decimal numbers separated by dots ("127.0.0.1"), the
// form that name resolution answers with and that connecting takes.
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

}  // namespace kasumido
