#include "http/dotted_address.h"

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

}  // namespace
}  // namespace kasumido
