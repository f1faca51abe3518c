// The input-timing thread: it stamps every key press and mouse-button
// release with the performance counter the moment the system hands it over
// (raw input), whatever the window's thread is doing, and keeps the stamps
// for the toolkit to find. Where the system's message times are exact
// milliseconds (as under Wine), an event's own message time is its stamp.
#pragma once

#include <windows.h>

#include "widgets/press_stamps.h"

namespace tapvero::widgets {

class InputTimer {
 public:
  // Starts the thread; it stamps into `stamps` until this is destroyed.
  explicit InputTimer(PressStamps& stamps);
  ~InputTimer();
  InputTimer(const InputTimer&) = delete;
  InputTimer& operator=(const InputTimer&) = delete;

  // Whether raw input could be had; without it nothing is stamped and the
  // toolkit times events when it handles them.
  bool running() const { return running_; }
  // How the system's message times relate to the tick, as measured at the start.
  const MessageTimeScale& scale() const { return scale_; }

 private:
  static DWORD WINAPI thread_main(void* self);
  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void stamp(HRAWINPUT input);

  PressStamps& stamps_;
  HANDLE thread_ = nullptr;
  DWORD thread_id_ = 0;
  HANDLE ready_ = nullptr;
  bool running_ = false;
  MessageTimeScale scale_;
};

}  // namespace tapvero::widgets
