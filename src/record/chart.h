// The chart window: one run at a time (the newest, or one picked from the
// history), the personal bests and the best BPM of each day, drawn as a
// scene that the toolkit's scene window shows. While a speed test runs and
// the window is open, it follows the test, redrawn at most once a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record/figures.h"
#include "record/history.h"
#include "record/run_record.h"
#include "widgets/scene.h"
#include "widgets/ui.h"

namespace tapvero::record {

inline constexpr std::u16string_view kChartTitle = u"Tapvero 成绩图表";
// The window's client area as it opens, in logical units.
inline constexpr widgets::Size kChartSize{820, 580};

// What one picture of the chart shows.
struct ChartData {
  std::span<const RunRecord> runs;     // the history, oldest first
  const RunRecord* running = nullptr;  // a speed test still running: after the runs
  std::size_t selected = 0;            // into the runs, the running one last
  const PersonalBests* bests = nullptr;
  std::span<const DayBest> days;
  std::u16string_view status;  // the history file's, "" when all is well

  std::size_t count() const { return runs.size() + (running ? 1 : 0); }
  const RunRecord& at(std::size_t i) const { return i < runs.size() ? runs[i] : *running; }
};

// The scene's targets: each picks the run of that index.
inline constexpr int kRunTarget = 1000;

// How many days the daily bests show, the latest ones.
inline constexpr std::size_t kChartDays = 30;

widgets::Scene chart_scene(const ChartData& data, widgets::Size size);

class Chart final : public widgets::SceneSink {
 public:
  // `running`: the speed test so far while one runs; `running_hits`: its
  // hits, -1 while none runs (asked every frame, so it must be cheap).
  Chart(widgets::Ui& ui, History& history, std::function<std::optional<RunRecord>()> running,
        std::function<std::int64_t()> running_hits);

  // Opens the window on the newest run, or brings it to the front; writes
  // the runs the history still keeps in memory if the file is free now.
  void open();

  void on_scene_size(widgets::Size logical) override;
  // Left and Right (PageUp and PageDown: ten at a time; Home, End): an
  // older or newer run.
  void on_scene_key(int key_code) override;
  void on_scene_target(int id) override;
  void on_scene_frame() override;
  void on_scene_closed() override {}

 private:
  void draw();
  void select(std::ptrdiff_t index);

  widgets::Ui& ui_;
  History& history_;
  std::function<std::optional<RunRecord>()> running_;
  std::function<std::int64_t()> running_hits_;
  widgets::Size size_ = kChartSize;
  std::optional<std::size_t> selected_;  // none: the newest, whichever it is
  // What the last picture was drawn from, to tell when to draw again.
  std::int64_t drawn_hits_ = -1;
  std::size_t drawn_runs_ = 0;
  std::u16string drawn_status_;
  // The bests over the history's runs, kept while their number is the same.
  std::optional<std::size_t> bests_of_;
  PersonalBests bests_;
  std::vector<DayBest> days_;
};

}  // namespace tapvero::record
