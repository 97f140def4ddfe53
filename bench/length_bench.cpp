#include "byte_loop.hpp"
#include "console/console.hpp"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Zero bytes after every text: far more than the three bytes past the
// terminator a word-at-a-time scan may read.
constexpr std::size_t Padding = 64;
constexpr std::size_t LineSize = 64;

// A text of `length` bytes of "A*" starting `alignment` bytes past a 64-byte
// boundary, followed by zeros.
class TestText {
 public:
  TestText(std::size_t length, std::size_t alignment) : storage_(LineSize + length + Padding, 0) {
    const auto misalignment = reinterpret_cast<std::uintptr_t>(storage_.data()) % LineSize;
    text_ = storage_.data() + (LineSize - misalignment) % LineSize + alignment;
    for (std::size_t i = 0; i < length; ++i) text_[i] = (i % 2 == 0) ? 'A' : '*';
  }
  [[nodiscard]] const char* get() const { return text_; }

 private:
  std::vector<char> storage_;
  char* text_ = nullptr;
};

// Times `length_of` on a text of state.range(0) bytes at alignment
// state.range(1); bytes/s counts the text's bytes, not its terminator.
template <typename LengthOf>
void MeasureLength(benchmark::State& state, LengthOf length_of) {
  const auto length = static_cast<std::size_t>(state.range(0));
  const TestText text(length, static_cast<std::size_t>(state.range(1)));
  if (length_of(text.get()) != length) {
    state.SkipWithError("wrong length");
    return;
  }
  for (auto _ : state) {
    const char* start = text.get();
    benchmark::DoNotOptimize(start);  // The compiler may not assume the text.
    auto result = length_of(start);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Shapes(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{0, 3, 16, 17, 256, 8000, 65536, 1048576}, {0, 1, 2, 3}})
      ->ArgNames({"len", "align"});
}

}  // namespace

BENCHMARK_CAPTURE(MeasureLength, text_length, TextLength)->Name("TextLength")->Apply(Shapes);
BENCHMARK_CAPTURE(MeasureLength, strlen, [](const char* text) { return std::strlen(text); })
    ->Name("strlen")
    ->Apply(Shapes);
BENCHMARK_CAPTURE(MeasureLength, byte_loop, ByteLoopLength)->Name("ByteLoop")->Apply(Shapes);

BENCHMARK_MAIN();
