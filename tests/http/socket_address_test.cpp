#include "http/socket_address.h"

#include <gtest/gtest.h>

namespace kasumido {
namespace {

TEST(ParseDottedAddress, AcceptsFourDecimalNumbersUpTo255) {
  const std::pair<const char*, const char*> cases[] = {
      {"127.0.0.1", "127.0.0.1"},
      {"0.0.0.0", "0.0.0.0"},
      {"255.255.255.255", "255.255.255.255"},
      {"  10.1.2.3 ", "10.1.2.3"},
      {"\t192.168.0.1", "192.168.0.1"},
      {"010.001.000.009", "10.1.0.9"},  // decimal, never octal
  };
  for (const auto& [text, dotted] : cases) {
    const auto address = ParseDottedAddress(text);
    ASSERT_TRUE(address.has_value()) << text;
    EXPECT_EQ(FormatDottedAddress(*address), dotted);
  }
  EXPECT_EQ(ParseDottedAddress("1.2.3.4"), 0x01020304u);
}

TEST(ParseDottedAddress, RejectsEverythingElse) {
  for (const char* text : {"", " ", "localhost", "256.0.0.1", "1.2.3", "1.2.3.4.", "1.2.3.4.5",
                           "1..2.3", ".1.2.3", "1.2.3.-4", "1.2.3.4x", "1 .2.3.4", "0x7f.0.0.1",
                           "1234.1.1.1", "1.2.3.0004", "www.example.com"}) {
    EXPECT_FALSE(ParseDottedAddress(text).has_value()) << '"' << text << '"';
  }
}

TEST(ResolvePort, TakesNumbersFrom1To65535) {
  const std::pair<const char*, std::optional<std::uint16_t>> cases[] = {
      {"80", 80},
      {"8080", 8080},
      {"65535", 65535},
      {"0", std::nullopt},
      {"65536", std::nullopt},
      {"-1", std::nullopt},
      {"80x", std::nullopt},
      {"", std::nullopt},
      {" 80", std::nullopt},
      {"no-such-service-name", std::nullopt},
  };
  for (const auto& [text, port] : cases) EXPECT_EQ(ResolvePort(text), port) << '"' << text << '"';
}

TEST(IsTcpProtocol, TakesTheNameInAnyCaseOrItsNumber) {
  for (const char* proto : {"tcp", "TCP", "Tcp", "6"}) EXPECT_TRUE(IsTcpProtocol(proto)) << proto;
  for (const char* proto : {"udp", "", "17", "tcp "}) EXPECT_FALSE(IsTcpProtocol(proto)) << proto;
}

}  // namespace
}  // namespace kasumido
