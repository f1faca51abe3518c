// Posts a message to a thread at a steady pace from a thread of its own,
// as the window system would deliver input during a wait.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

#include "positioning_test/window_services_win.h"

namespace tapvero::test {

class MessagePoster {
 public:
  // Every `period_ms`, until destroyed or, if given, `for_ms` have passed.
  MessagePoster(DWORD thread, UINT message, DWORD period_ms, double for_ms = -1)
      : worker_([this, thread, message, period_ms, for_ms] {
          const double end = widgets::precise_now_ms() + for_ms;
          while (!stop_ && (for_ms < 0 || widgets::precise_now_ms() < end)) {
            PostThreadMessageW(thread, message, 0, 0);
            Sleep(period_ms);
          }
        }) {}
  ~MessagePoster() {
    stop_ = true;
    worker_.join();
  }
  MessagePoster(const MessagePoster&) = delete;
  MessagePoster& operator=(const MessagePoster&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::thread worker_;
};

}  // namespace tapvero::test
