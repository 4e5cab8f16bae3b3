// What every harness shares: the input cut into the pieces a harness needs, and a check
// that stops the run with a message when a property fails (libFuzzer then keeps the
// input as a crash).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kasumido::fuzz {

// Takes pieces from the front of the input; an exhausted input gives zeros and empty
// pieces, so every input is a valid one.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }
  // At most `count` bytes.
  std::string_view Take(std::size_t count) {
    const std::string_view piece = rest_.substr(0, count);
    rest_.remove_prefix(piece.size());
    return piece;
  }
  // A piece whose length is the next byte.
  std::string_view TakeShort() { return Take(Byte()); }
  std::string_view Rest() {
    const std::string_view rest = rest_;
    rest_ = {};
    return rest;
  }
  bool Empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
  std::abort();
}

}  // namespace kasumido::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::kasumido::fuzz::Fail(__FILE__, __LINE__, #condition))
