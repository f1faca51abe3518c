// The tapping speed test: start, hits from the trigger keys and (when mouse
// counting is ticked) clicks on the start button, a report line for every
// completed stage, and a summary at stop. Every event comes with the time it
// happened (the press, or the release for clicks) on the program's
// millisecond tick; the test reads no clock of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "speed_test/report.h"
#include "storage/settings.h"
#include "widgets/ui.h"
#include "widgets/window_model.h"

namespace tapvero::speed_test {

// A test as far as it went: the figures its summary shows (or would show,
// stopped now), each completed stage's BPM and stability as its line showed
// them, and every hit's time in ms from the start gesture, from the same
// press times the figures come from.
struct Run {
  struct Stage {
    std::int32_t bpm = 0;
    float stability = 0;
  };
  Figures summary;
  std::int32_t stage_size = 0;
  std::vector<Stage> stages;
  std::vector<std::int32_t> hit_ms;
};

class SpeedTest {
 public:
  // Hears of every test as it stops, before the window changes.
  using Stopped = std::function<void(const Run&)>;

  // The trigger keys and the stage size are read from `settings`.
  SpeedTest(widgets::Ui& ui, const storage::Settings& settings, Stopped stopped = nullptr);

  // 开始测试 clicked. Idle: starts a test. Running: a hit if it was a mouse
  // click and mouse counting is ticked (a Space or Enter press on the
  // focused button is no mouse click).
  void start_button_clicked(bool by_mouse, base::Tick at_ms);
  // 开始测试 right button released: as a mouse click.
  void start_button_right_released(base::Tick at_ms);
  // A key pressed on 开始测试: a hit for either trigger key while running.
  // False to swallow the key: Enter or Space, as a trigger key, on the idle
  // button.
  bool start_button_key_down(int key_code, base::Tick at_ms);
  // 停止测试 clicked.
  void stop_button_clicked(base::Tick at_ms);

  bool running() const { return running_; }
  std::int64_t hits() const { return hits_; }
  // The test so far, its summary as a stop at `now` would show it.
  Run run_so_far(base::Tick now) const;
  // The intervals held for the current stage: it follows the stage's hits,
  // never the stage size.
  std::size_t interval_store_capacity() const { return intervals_.capacity(); }

 private:
  void start(base::Tick at_ms);
  void register_hit(base::Tick at_ms);
  void stop(base::Tick at_ms);
  bool mouse_counts() const;

  widgets::Ui& ui_;
  const storage::Settings& settings_;
  const Stopped stopped_;

  bool running_ = false;
  std::int64_t hits_ = 0;
  std::int32_t stage_size_ = 0;  // taken at start: a stage size saved during a test applies to the next
  base::Tick test_start_;
  base::Tick stage_start_;
  base::Tick last_hit_;
  // The current stage's intervals so far: entry k - 1 ends with the k-th hit
  // of the stage, k = 1 .. stage size - 1. Emptied when a stage ends.
  std::vector<std::int32_t> intervals_;
  std::vector<float> stabilities_;  // one per completed stage
  std::vector<Run::Stage> stages_;  // one per completed stage
  std::vector<std::int32_t> hit_ms_;  // each hit's time from the start
};

}  // namespace tapvero::speed_test
