#include "console/console.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// A text of `length` bytes of `fill` at offset `alignment` of a 16-aligned
// buffer, followed by its terminator and then `after` up to the end of the
// buffer, which always covers the word holding the terminator.
struct PlacedText {
  std::vector<char> storage;
  const char* text = nullptr;
};

PlacedText Place(std::size_t length, std::size_t alignment, char fill, char after) {
  PlacedText placed;
  placed.storage.assign(alignment + length + 16 + 16, after);
  // Round the start up to 16 so `alignment` is the text's real alignment.
  const auto base = reinterpret_cast<std::uintptr_t>(placed.storage.data());
  const std::size_t skew = (16 - base % 16) % 16;
  char* text = placed.storage.data() + skew + alignment;
  std::fill(text, text + length, fill);
  text[length] = '\0';
  placed.text = text;
  return placed;
}

class TextLengthAt : public testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {};

// Bytes that could fool a careless zero test, as content and as the bytes
// read past the terminator.
constexpr std::array<char, 6> TrickyBytes = {'\x01', '\x7f', '\x80', '\xff', '\x81', 'A'};

TEST_P(TextLengthAt, CountsBytesBeforeTheTerminatorWhateverSurroundsIt) {
  const auto [length, alignment] = GetParam();
  for (const char fill : TrickyBytes) {
    for (const char after : TrickyBytes) {
      const PlacedText placed = Place(length, alignment, fill, after);
      EXPECT_EQ(TextLength(placed.text), length)
          << "fill " << int{fill} << ", after " << int{after};
    }
  }
}

// Every lane of the first word, the first word of a second word and of a
// second loop pass, and a long text; each at every start alignment.
INSTANTIATE_TEST_SUITE_P(LengthsAndAlignments, TextLengthAt,
                         testing::Combine(testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 15, 16, 17,
                                                          18, 19, 20, 31, 32, 33, 63, 64, 65, 255,
                                                          256, 1000, 8000),
                                          testing::Values(0, 1, 2, 3)));

TEST(TextLength, StopsAtTheFirstOfSeveralZeros) {
  // Zeros at 5 and 6 and a 0x01 after them, in one word: the borrow flags
  // lanes above the first zero, which must not win.
  alignas(16) const char text[16] = {'a', 'b', 'c', 'd', 'e',  '\0', '\0', '\x01',
                                     'x', 'y', 'z', 'w', '\0', '\0', '\0', '\0'};
  EXPECT_EQ(TextLength(text), 5U);
  EXPECT_EQ(TextLength(text + 6), 0U);
  EXPECT_EQ(TextLength(text + 7), 5U);
}

class TextLengthExhaustive : public testing::TestWithParam<std::size_t> {};

// Every mix of the byte values that sit on the edges of the zero test, in
// every lane of the first two words: 8^8 texts at each start alignment.
TEST_P(TextLengthExhaustive, AgreesWithAByteCountForEveryMixInTheFirstTwoWords) {
  constexpr std::array<unsigned char, 8> Values = {0x00, 0x01, 0x7F, 0x80, 0x81, 0xFE, 0xFF, 'A'};
  constexpr std::size_t Bytes = 8;
  constexpr std::uint32_t Mixes = 1U << (3 * Bytes);
  // Zeros after the eight bytes end a text with none among them, within the
  // word TextLength may read.
  alignas(16) unsigned char buffer[32] = {};
  unsigned char* text = buffer + GetParam();
  std::uint32_t failures = 0;
  for (std::uint32_t mix = 0; mix < Mixes; ++mix) {
    std::size_t expected = Bytes;
    for (std::size_t i = 0; i < Bytes; ++i) {
      text[i] = Values[(mix >> (3 * i)) & 7];
      if (text[i] == 0 && expected == Bytes) expected = i;
    }
    const std::uint32_t length = TextLength(reinterpret_cast<const char*>(text));
    if (length != expected && ++failures <= 5) {
      ADD_FAILURE() << "mix " << std::hex << mix << ": " << std::dec << length << ", expected "
                    << expected;
    }
  }
  EXPECT_EQ(failures, 0U);
}

INSTANTIATE_TEST_SUITE_P(Alignments, TextLengthExhaustive, testing::Values(0, 1, 2, 3));

}  // namespace
