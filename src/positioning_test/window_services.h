// What the positioning test asks of the window system beyond the controls'
// properties: the screen, the pointer, maximizing the window, and waiting
// while the window keeps handling its messages. The Win32 implementation is
// Win32WindowServices; tests use a fake that runs their own code "while
// messages are processed".
#pragma once

#include <cstdint>

#include "widgets/form.h"

namespace tapvero::positioning_test {

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // The primary display's size in pixels.
  virtual widgets::Size screen_size() const = 0;
  // The primary display's work area (without the taskbar) in screen
  // coordinates.
  virtual widgets::Rect work_area() const = 0;
  // The pointer's position in screen coordinates.
  virtual widgets::Point pointer_position() const = 0;
  // Makes `window` the foreground window and posts it a maximize command:
  // it returns at once, and the window is maximized when its messages are
  // next processed.
  virtual void bring_to_front_maximized(std::uintptr_t window) = 0;
  // Returns once `milliseconds` have passed since the call, counted from
  // its start however long the messages handled meanwhile take. Every
  // message arriving meanwhile is dispatched, so any handler, the close
  // handler included, may run inside it.
  virtual void precise_wait(std::int32_t milliseconds) = 0;
  // Dispatches every message waiting in the queue, as the message loop
  // would, without blocking; a quit message stays queued for the loop.
  virtual void process_pending_messages() = 0;
};

}  // namespace tapvero::positioning_test
