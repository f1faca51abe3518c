// Window services in memory: time that passes in waits, a pointer the test
// places, and message processing that runs the test's own code as the
// handlers of messages that arrived meanwhile.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "positioning_test/window_services.h"
#include "support/manual_clock.h"
#include "support/memory_ui.h"

namespace tapvero::positioning_test {

class FakeWindowServices final : public WindowServices {
 public:
  FakeWindowServices(widgets::MemoryUi& ui, test::ManualClock& clock)
      : desktop_work_area{0, 0, ui.screen().width, ui.screen().height}, ui_(ui), clock_(clock) {}

  widgets::Size screen_size() const override { return ui_.screen(); }
  widgets::Rect work_area() const override { return desktop_work_area; }
  widgets::Point pointer_position() const override { return pointer; }
  void bring_to_front_maximized(std::uintptr_t window) override {
    maximized_windows.push_back(window);
    maximize_posted_ = true;
  }
  // Messages are handled while the time passes.
  void precise_wait(std::int32_t milliseconds) override {
    waits.push_back(milliseconds);
    process_pending_messages();
    clock_.advance(milliseconds);
  }
  void process_pending_messages() override {
    ++pumps;
    if (maximize_posted_) {
      maximize_posted_ = false;
      ui_.set_window_state(widgets::WindowState::kMaximized);
    }
    if (on_pump) on_pump(pumps);
    while (!queue_.empty()) {
      const std::function<void()> message = std::move(queue_.front());
      queue_.pop_front();
      message();
    }
  }

  // A message for the next time messages are processed.
  void post(std::function<void()> message) { queue_.push_back(std::move(message)); }

  widgets::Point pointer;
  widgets::Rect desktop_work_area;  // the whole screen unless a test sets it
  std::vector<std::int32_t> waits;
  std::vector<std::uintptr_t> maximized_windows;
  int pumps = 0;
  // Runs each time messages are processed, with the count so far.
  std::function<void(int)> on_pump;

 private:
  widgets::MemoryUi& ui_;
  test::ManualClock& clock_;
  bool maximize_posted_ = false;
  std::deque<std::function<void()>> queue_;
};

}  // namespace tapvero::positioning_test
