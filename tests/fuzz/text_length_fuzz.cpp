// Checks TextLength against a plain byte count, with the text at every start
// alignment in storage that ends exactly where TextLength's reads may end:
// AddressSanitizer reports a read one byte further.

#include "console/console.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The text is the input up to its first zero byte. Whatever follows that
  // zero fills the rest of the terminator's word, where TextLength reads too.
  const std::size_t length = static_cast<std::size_t>(std::find(data, data + size, 0) - data);
  const std::size_t readable = 4 * (length / 4) + 4;
  const std::size_t after = std::min(size - std::min(size, length + 1), readable - length - 1);

  for (std::size_t alignment = 0; alignment < 4; ++alignment) {
    // Allocations are at least 4-byte aligned, so the text's alignment is
    // `alignment`, and the allocation ends with the terminator's word.
    std::vector<char> storage(alignment + readable, '\x01');
    char* text = storage.data() + alignment;
    if (reinterpret_cast<std::uintptr_t>(storage.data()) % 4 != 0) std::abort();
    std::memcpy(text, data, length);
    text[length] = '\0';
    std::memcpy(text + length + 1, data + length + 1, after);
    if (TextLength(text) != length) std::abort();
  }
  return 0;
}
