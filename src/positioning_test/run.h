// The positioning test: after a 3-2-1 countdown the bubble shows at a random
// place in the test area (the maximized window or a centred window of the
// chosen size); a trigger key with the pointer on it, or a click when mouse
// counting is on, is a hit and makes it jump; other presses and clicks on
// the bare window are misses. A close request ends the run with a report.
//
// A run is in progress exactly while the tab control is hidden with the
// positioning page selected. The countdown's waits and each placement's digit
// loop process pending messages, so every handler here, the close handler's
// end_run included, may run nested inside start() and place_bubble().
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "positioning_test/rules.h"
#include "positioning_test/window_services.h"
#include "storage/settings.h"
#include "base/clock.h"
#include "widgets/ui.h"

namespace tapvero::positioning_test {

// The run's counters; they keep their values after a run until the next
// start resets them.
struct Counters {
  std::int32_t misses = 0;
  std::int32_t combo = 0;       // hits since the last miss or the start
  std::int32_t best_combo = 0;  // the largest combo seen at a miss or at the end
  base::Tick start_tick;     // when the first bubble of the run was placed
};

class PositioningTest {
 public:
  // The trigger keys are read from `settings`; `save_windowed_mode` saves
  // the windowed-mode settings as the controls show them, at each start.
  // `ended` hears of each run that ends with its report, before the report
  // shows.
  PositioningTest(widgets::Ui& ui, base::Clock& clock, WindowServices& services, const storage::Settings& settings,
                  std::function<void()> save_windowed_mode, std::function<void(const RunFigures&)> ended = nullptr);

  // The start button: validation, the windowed-mode keys, the test area, the
  // countdown, and the first bubble.
  void start();
  // A click or right-button release on the bubble: a hit when mouse
  // counting is ticked, whatever the pointer's place.
  void bubble_clicked();
  // A key pressed while the bubble has the focus.
  void judge_bubble_key(int key_code);
  // The pointer moved over the bubble: it takes the keyboard focus.
  void bubble_touched();
  // A key pressed in the result box, where the focus goes after each jump.
  void result_box_key(int key_code);
  void count_miss();

  bool in_progress() const;
  // A close request while a run is in progress. During the countdown (no
  // bubble shown yet) it cancels the run quietly; later it ends the run and
  // shows the report. Either way the window is back to its normal state.
  void end_run();

 private:
  enum class Phase { kIdle, kCountdown, kRunning };

  // A text of `length` random digits, from a fresh clock seeding; messages
  // are processed after each digit.
  std::string random_digit_text(int length);
  bool count_down(std::uint64_t run);
  void place_bubble(bool counted);
  void restore_window();
  void show_report();
  bool is_slot_key(int key_code) const;
  std::string gbk_text(widgets::ControlId id) const;
  double elapsed_ms() const;

  widgets::Ui& ui_;
  base::Clock& clock_;
  WindowServices& services_;
  const storage::Settings& settings_;
  const std::function<void()> save_windowed_mode_;
  const std::function<void(const RunFigures&)> ended_;

  Counters counters_;
  Generator generator_;
  std::uint32_t seeding_counter_ = 0;
  Phase phase_ = Phase::kIdle;
  // Changes at every start and every end, so that a start or a placement
  // resumed after a nested end knows its run is over.
  std::uint64_t run_ = 0;
  // The run in progress is windowed: its end keeps the window's corner.
  bool windowed_run_ = false;
  // Hits whose placement is still drawing its digits; the report counts them.
  std::int32_t hits_in_flight_ = 0;
};

}  // namespace tapvero::positioning_test
