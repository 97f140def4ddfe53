#include "console/console.hpp"
#include "driver/driver.hpp"
#include "tests/unit/expected_output.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

constexpr std::uint32_t BuiltInWord = 0x41414141;

// Each test may change source words; this puts the built-in table back and
// spreads it again, which also restores every byte the spread writes.
class Spread : public testing::Test {
 protected:
  void TearDown() override {
    std::fill(std::begin(Tables.SourceWords), std::end(Tables.SourceWords), BuiltInWord);
    SpreadWords();
  }

  static void SetSourceBytes(std::size_t word, const unsigned char (&bytes)[4]) {
    std::memcpy(&Tables.SourceWords[word], bytes, sizeof bytes);
  }
};

TEST_F(Spread, TablesAreBackToBackWithTheTextOnAPageBoundary) {
  const void* after_source = reinterpret_cast<const char*>(SourceWords) + sizeof SourceWords;
  EXPECT_EQ(static_cast<const void*>(OutputText), after_source);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(OutputText) % 4096, 0U);
  EXPECT_EQ(sizeof SourceWords, 4000U);
  EXPECT_EQ(sizeof OutputText, 8016U);
}

TEST_F(Spread, BuiltInTableGivesAlternatingAAndFillerThenAZeroTail) {
  SpreadWords();
  const std::string text(OutputText, SpreadTextLength);
  EXPECT_EQ(text, ExpectedOutput);
  EXPECT_TRUE(std::all_of(OutputText + SpreadTextLength, std::end(OutputText),
                          [](char byte) { return byte == '\0'; }));
  EXPECT_EQ(TextLength(OutputText), 8000U);
}

TEST_F(Spread, WordBytesGoToEvenSlotBytesInMemoryOrder) {
  // Distinct bytes catch a swapped pair; the high ones catch sign mishaps.
  SetSourceBytes(0, {0x41, 0x42, 0x43, 0x44});
  SetSourceBytes(1, {0x80, 0xFF, 0x01, 0x7F});
  SetSourceBytes(SourceWordCount - 1, {0x11, 0x22, 0x33, 0x44});
  SpreadWords();
  EXPECT_EQ(std::string(OutputText, 16), "A*B*C*D*\x80*\xFF*\x01*\x7F*");
  EXPECT_EQ(std::string(OutputText + SpreadTextLength - 8, 8), "\x11*\x22*\x33*\x44*");
  EXPECT_EQ(std::string(OutputText + 16, 8), "A*A*A*A*");
}

class SpreadZeroByte : public Spread, public testing::WithParamInterface<std::size_t> {};

// A zero source byte j becomes text byte 2j and so ends the text there.
TEST_P(SpreadZeroByte, EndsTheTextAtTwiceItsPosition) {
  const std::size_t j = GetParam();
  reinterpret_cast<unsigned char*>(Tables.SourceWords)[j] = 0;
  SpreadWords();
  EXPECT_EQ(OutputText[2 * j], '\0');
  EXPECT_EQ(OutputText[2 * j + 1], '*');
  EXPECT_EQ(TextLength(OutputText), 2 * j);
}

// Every lane of the first, a middle and the last word.
INSTANTIATE_TEST_SUITE_P(SourcePositions, SpreadZeroByte,
                         testing::Values(0, 1, 2, 3, 2000, 2001, 2002, 2003, 3996, 3997, 3998,
                                         3999));

}  // namespace
