// The cost of writing the figures of a stage line.
#include <benchmark/benchmark.h>

#include "text/number_text.h"

namespace {

void BM_SingleText(benchmark::State& state) {
  float v = 2.35f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tapvero::text::single_text(v));
    v += 0.01f;
  }
}
BENCHMARK(BM_SingleText);

void BM_FixedText(benchmark::State& state) {
  double v = 85.3;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tapvero::text::fixed_text(v, 2));
    v += 0.001;
  }
}
BENCHMARK(BM_FixedText);

}  // namespace
