#include "driver/driver.hpp"

#include "platform/little_endian.hpp"

void SpreadWords() {
  const std::uint32_t* source = SourceWords;
  char* slot = OutputText;
  for (std::uint32_t count = SourceWordCount; count != 0; --count) {
    const std::uint32_t word = LoadLittleEndian32(source);
    slot[0] = static_cast<char>(word);
    slot[2] = static_cast<char>(word >> 8);
    // One byte swap brings the two upper bytes down to where a byte store
    // reaches them, instead of a shift for each.
    const std::uint32_t swapped = __builtin_bswap32(word);
    slot[6] = static_cast<char>(swapped);
    slot[4] = static_cast<char>(swapped >> 8);
    source += 1;
    slot += 2 * sizeof word;
  }
}
