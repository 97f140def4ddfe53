#include "byte_loop.hpp"

// Out of line, like TextLength, so each call costs the same call overhead.
[[gnu::noinline]] std::uint32_t ByteLoopLength(const char* text) {
  std::uint32_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}
