// The speed test's logic per hit, per stage report and for a whole test,
// against the window in memory, so that no real window's work is measured.
#include <benchmark/benchmark.h>

#include <vector>

#include "form/main_form.h"
#include "speed_test/report.h"
#include "speed_test/run.h"
#include "support/memory_ui.h"
#include "text/number_text.h"

namespace {

using namespace tapvero;

// Press times 100 to 140 ms apart, as a fast and slightly uneven player.
struct Player {
  base::Tick now;
  std::int32_t step = 0;
  base::Tick next_press() { return now += 100 + (step++ % 41); }
};

// One hit, the stage report included every stage-size hits.
void BM_Hit(benchmark::State& state) {
  widgets::MemoryUi ui(form::main_form());
  Player player;
  storage::Settings settings;
  settings.stage = text::int_text(state.range(0));
  speed_test::SpeedTest test(ui, settings);
  test.start_button_clicked(true, player.now);
  for (auto _ : state) test.start_button_key_down(0x5A, player.next_press());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Hit)->Arg(20)->Arg(10000);

// The stage report alone: linear in the stage size.
void BM_StageReport(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  std::vector<std::int32_t> intervals(static_cast<std::size_t>(n - 1));
  for (std::size_t i = 0; i < intervals.size(); ++i) intervals[i] = 100 + static_cast<std::int32_t>(i % 41);
  for (auto _ : state) benchmark::DoNotOptimize(speed_test::stage_report(120.0 * n, n, n, intervals));
  state.SetComplexityN(n);
}
BENCHMARK(BM_StageReport)->RangeMultiplier(10)->Range(20, 200000)->Complexity(benchmark::oN);

// A whole test of 100,000 hits in stages of 20, with its summary.
void BM_WholeTest(benchmark::State& state) {
  widgets::MemoryUi ui(form::main_form());
  for (auto _ : state) {
    Player player;
    const storage::Settings settings;
    speed_test::SpeedTest test(ui, settings);
    test.start_button_clicked(true, player.now);
    for (int i = 0; i < 100000; ++i) test.start_button_key_down(i % 2 ? 0x58 : 0x5A, player.next_press());
    test.stop_button_clicked(player.next_press());
  }
}
BENCHMARK(BM_WholeTest)->Unit(benchmark::kMillisecond);

}  // namespace
