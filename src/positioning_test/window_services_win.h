// The positioning test's window services on Win32: the primary screen, the
// cursor, a posted maximize, and the precise wait on a waitable timer.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

#include "positioning_test/window_services.h"
#include "base/clock_win.h"
#include "base/unique_win.h"

namespace tapvero::positioning_test {

using base::UniqueHandle;

// A waitable timer already set to `due` (100-nanosecond units, negative for
// a time relative to now), or none when it cannot be created or set.
using TimerMaker = std::function<UniqueHandle(LONGLONG due)>;
UniqueHandle make_waitable_timer(LONGLONG due);

class Win32WindowServices final : public WindowServices {
 public:
  // `process_pending_messages` is the program's own pump (the toolkit's),
  // so that control events fire inside a wait as they do in the main loop.
  explicit Win32WindowServices(std::function<void()> process_pending_messages,
                               TimerMaker make_timer = make_waitable_timer);

  widgets::Size screen_size() const override;
  widgets::Rect work_area() const override;
  widgets::Point pointer_position() const override;
  void bring_to_front_maximized(std::uintptr_t window) override;
  // Blocks in MsgWaitForMultipleObjects on the timer, waking for every kind
  // of input to dispatch it, until the timer fires. It never spins. Without
  // a timer it waits for the same time by the performance counter, still
  // dispatching messages: the wait always ends.
  void precise_wait(std::int32_t milliseconds) override;
  void process_pending_messages() override { process_pending_messages_(); }

 private:
  void plain_wait_until(double end_ms);

  std::function<void()> process_pending_messages_;
  TimerMaker make_timer_;
};

}  // namespace tapvero::positioning_test
