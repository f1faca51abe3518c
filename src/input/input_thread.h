// The input thread: a thread of its own, of time-critical priority, that
// owns the keyboard hook. Windows calls a low-level hook on
// the thread that installed it and holds every key of the desktop until it
// returns, so that thread must never wait for the window: it touches no
// control and no file, and tells the window's thread what it must know by
// posted messages. Win32InputThread is the real one; tests run the same
// code on themselves or on a thread of their own.
#pragma once

#include <cstdint>
#include <functional>

namespace tapvero::input {

class InputThread {
 public:
  virtual ~InputThread() = default;

  // Runs `task` on the input thread and returns once it has run. Never
  // called from the input thread itself.
  virtual void run(const std::function<void()>& task) = 0;
  // From the input thread: runs `task` there once `milliseconds` have
  // passed.
  virtual void after(std::uint32_t milliseconds, std::function<void()> task) = 0;
};

}  // namespace tapvero::input
