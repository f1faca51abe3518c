// The tapping speed test: start, hits from the trigger keys and (when mouse
// counting is ticked) clicks on the start button, a report line for every
// completed stage, and a summary at stop.
#pragma once

#include <cstdint>
#include <vector>

#include "app/settings.h"
#include "widgets/clock.h"
#include "widgets/ui.h"

namespace tapvero::speed_test {

class SpeedTest {
 public:
  SpeedTest(widgets::Ui& ui, widgets::Clock& clock, const app::SharedValues& shared);

  // 开始测试 clicked. Idle: starts a test. Running: a hit if it was a mouse
  // click and mouse counting is ticked (a Space or Enter press on the
  // focused button is no mouse click).
  void start_button_clicked(bool by_mouse);
  // 开始测试 right button released: as a mouse click.
  void start_button_right_released();
  // A key pressed on 开始测试: a hit for either trigger key while running.
  void start_button_key_down(int key_code);
  // 停止测试 clicked.
  void stop_button_clicked();

  bool running() const { return running_; }
  std::int64_t hits() const { return hits_; }

 private:
  void start();
  void register_hit();
  void stop();
  bool mouse_counts() const;

  widgets::Ui& ui_;
  widgets::Clock& clock_;
  const app::SharedValues& shared_;

  bool running_ = false;
  std::int64_t hits_ = 0;
  std::int32_t stage_size_ = 0;  // taken at start: a stage size saved during a test applies to the next
  std::int32_t test_start_ = 0;
  std::int32_t stage_start_ = 0;
  std::int32_t last_hit_ = 0;
  // The current stage's intervals: entry k - 1 ends with the k-th hit of the
  // stage, k = 1 .. stage size - 1. Kept between stages; each overwrites it.
  std::vector<std::int32_t> intervals_;
  std::vector<float> stabilities_;  // one per completed stage
};

}  // namespace tapvero::speed_test
