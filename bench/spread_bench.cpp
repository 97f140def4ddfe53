#include "driver/driver.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

// SpreadWords over the built-in table; bytes/s counts the source bytes spread.
void SpreadWordsTable(benchmark::State& state) {
  for (auto _ : state) {
    SpreadWords();
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(OutputText[0]);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(SourceWordCount * sizeof(std::uint32_t)));
}

}  // namespace

BENCHMARK(SpreadWordsTable)->Name("SpreadWords");
