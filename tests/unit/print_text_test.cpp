#include "console/console.hpp"
#include "driver/driver.hpp"
#include "tests/unit/stdout_redirect.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace {

struct Case {
  const char* name;
  std::string text;  // Without its terminator.
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

class PrintTextWrites : public testing::TestWithParam<Case> {};

TEST_P(PrintTextWrites, ExactlyTheTextAndReturnsItsLength) {
  std::string storage = GetParam().text;
  storage.append(4, '\0');  // The terminator, and the rest of its word for TextLength.
  std::uint32_t written = 0;
  const std::string out = CaptureStdout([&] { written = PrintText(storage.c_str()); });
  EXPECT_EQ(out, GetParam().text);
  EXPECT_EQ(written, GetParam().text.size());
}

std::string AllNonZeroBytes() {
  std::string bytes;
  for (int byte = 1; byte < 256; ++byte) bytes += static_cast<char>(byte);
  return bytes;
}

// No line end is added or translated, and no byte is changed on the way.
INSTANTIATE_TEST_SUITE_P(Texts, PrintTextWrites,
                         testing::Values(Case{"Empty", ""}, Case{"OneByte", "A"},
                                         Case{"LineEnds", "a\nb\r\nc\n"},
                                         Case{"EveryNonZeroByte", AllNonZeroBytes()},
                                         Case{"Long", std::string(100000, 'x')}),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(PrintText, WritesTheSpreadTextWhole) {
  SpreadWords();
  std::uint32_t written = 0;
  const std::string out = CaptureStdout([&] { written = PrintText(OutputText); });
  EXPECT_EQ(written, 8000U);
  EXPECT_EQ(out, std::string(OutputText, SpreadTextLength));
}

TEST(PrintText, FetchesTheOutputHandleOnEveryCall) {
  std::string inner;
  const std::string outer = CaptureStdout([&] {
    PrintText("one\0");
    inner = CaptureStdout([] { PrintText("two\0"); });
    PrintText("three\0\0\0");
  });
  EXPECT_EQ(outer, "onethree");
  EXPECT_EQ(inner, "two");
}

class PrintTextUnusable : public testing::TestWithParam<UnusableStdout> {};

// Nothing is reported and nothing breaks: the caller gets the count, 0.
TEST_P(PrintTextUnusable, ReturnsZeroAndCarriesOn) {
  std::uint32_t written = 1;
  WithUnusableStdout(GetParam(), [&] { written = PrintText("lost\0\0\0"); });
  EXPECT_EQ(written, 0U);
}

INSTANTIATE_TEST_SUITE_P(States, PrintTextUnusable,
                         testing::Values(UnusableStdout::Closed, UnusableStdout::ReadOnlyFile));

}  // namespace
