// The speed test's logic per hit, per stage report and for a whole test,
// against a window that does nothing, so that only the logic is measured.
#include <benchmark/benchmark.h>

#include <vector>

#include "speed_test/report.h"
#include "speed_test/run.h"
#include "text/number_text.h"

namespace {

using namespace tapvero;

class NullUi final : public widgets::Ui {
 public:
  std::u16string text(widgets::ControlId) const override { return {}; }
  void set_text(widgets::ControlId, std::u16string_view) override {}
  bool ticked(widgets::ControlId) const override { return false; }
  void set_ticked(widgets::ControlId, bool) override {}
  bool enabled(widgets::ControlId) const override { return true; }
  void set_enabled(widgets::ControlId, bool) override {}
  bool visible(widgets::ControlId) const override { return true; }
  void set_visible(widgets::ControlId, bool) override {}
  widgets::Rect rect(widgets::ControlId) const override { return {}; }
  void move(widgets::ControlId, std::optional<int>, std::optional<int>, std::optional<int>,
            std::optional<int>) override {}
  void focus(widgets::ControlId) override {}
  std::optional<widgets::ControlId> focused() const override { return std::nullopt; }
  void select_all(widgets::ControlId) override {}
  void append_text(widgets::ControlId, std::u16string_view text) override { benchmark::DoNotOptimize(text.data()); }
  void set_text_color(widgets::ControlId, widgets::Color) override {}
  int current_page(widgets::ControlId) const override { return 0; }
  widgets::Size client_size() const override { return {}; }
  void set_window_state(widgets::WindowState) override {}
  std::uintptr_t window_handle() const override { return 0; }
  void message_box(std::u16string_view, std::u16string_view, widgets::Icon) override {}
  void post(std::function<void()>) override {}
};

// Press times 100 to 140 ms apart, as a fast and slightly uneven player.
struct Player {
  base::Tick now;
  std::int32_t step = 0;
  base::Tick next_press() { return now += 100 + (step++ % 41); }
};

// One hit, the stage report included every stage-size hits.
void BM_Hit(benchmark::State& state) {
  NullUi ui;
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
  NullUi ui;
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
