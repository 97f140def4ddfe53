#include "console/console.hpp"

#include "platform/little_endian.hpp"

namespace {

constexpr std::uint32_t LaneOnes = 0x01010101;
constexpr std::uint32_t LaneHighs = 0x80808080;
constexpr std::uint32_t LowHalfHighs = 0x8080;

// Flags, in bit 7 of its lane, every byte of `word` that is zero. A lane below
// the lowest zero is never flagged, whatever its value, since no borrow reaches
// it; lanes above it may be flagged falsely by the borrow, so only the lowest
// flag can be trusted.
constexpr std::uint32_t ZeroLaneFlags(std::uint32_t word) {
  return (word - LaneOnes) & ~word & LaneHighs;
}

// Tests the word at `read` and steps `read` past it. Lanes are numbered from
// the lowest address, so the word is read little-endian on every machine.
std::uint32_t TestNextWord(const char*& read) {
  const std::uint32_t word = LoadLittleEndian32(read);
  read += sizeof word;
  return ZeroLaneFlags(word);
}

}  // namespace

std::uint32_t TextLength(const char* text) {
  const char* read = text;
  std::uint32_t flags = 0;
  for (;;) {
    if ((flags = TestNextWord(read)) != 0) break;
    if ((flags = TestNextWord(read)) != 0) break;
    if ((flags = TestNextWord(read)) != 0) break;
    if ((flags = TestNextWord(read)) != 0) break;
  }
  // `read` is now 4 past the word holding the first zero. Pick the half of
  // that word holding the lowest flag, then its lane by the flag in bit 7.
  if ((flags & LowHalfHighs) == 0) {
    flags >>= 16;
    read += 2;
  }
  const std::uint32_t in_lower_lane = (flags >> 7) & 1;
  return static_cast<std::uint32_t>(read - text) - 3 - in_lower_lane;
}
