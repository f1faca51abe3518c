// Windows as the keyboard hook and the alternation lock see it, in memory:
// every call is logged in order, and a key typed here goes through the hook
// first, then, unless the hook withheld it, to raw input and to the focused
// program. Synthesised key events come back through the hook at once,
// nested in the call that made them. The input thread is the caller's own.
#pragma once

#include <charconv>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "input/input_system.h"
#include "input/input_thread.h"
#include "input/keyboard_hook.h"

namespace tapvero::input {

inline std::string hex(std::uint64_t value) {
  char buf[20];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, 16).ptr;
  return std::string(buf, end);
}

class FakeInputSystem final : public InputSystem {
 public:
  // What the next set_keyboard_hook returns; 0 makes it fail.
  HookHandle next_hook = 0x70;
  // Our own window is in front: Windows calls no hook of ours for its keys.
  bool tapvero_in_front = false;
  // How many of the next events the live hook is not called for.
  int hook_misses = 0;

  // Every call, in order: "hook", "unhook 70", "key 58 up 2d".
  std::vector<std::string> calls;
  // Each event the hook was called for, and its answer: "down 5a pass",
  // "up 58 withhold". Events synthesised inside the hook come before the
  // one whose call made them.
  std::vector<std::string> hook_answers;
  // What the focused program receives: "down 5a", "up 58".
  std::vector<std::string> program_keys;
  // Every key press raw input sees, after the hook has (and unless it
  // withheld it); `in_front` when it went to our own window.
  std::function<void(std::int32_t key_code, bool in_front)> raw_input;

  HookHandle set_keyboard_hook(KeyboardHook& hook) override {
    calls.push_back("hook");
    hook_ = &hook;
    active_hook_ = next_hook;
    hook_dropped_ = false;
    return next_hook;
  }
  void unhook(HookHandle handle) override {
    calls.push_back("unhook " + hex(handle));
    if (handle != 0 && handle == active_hook_) active_hook_ = 0;
  }
  // A few keys of a US keyboard; none for the rest.
  std::uint32_t scan_code(std::int32_t key_code) override {
    switch (key_code) {
      case 0x43:
        return 0x2E;  // C
      case 0x58:
        return 0x2D;  // X
      case 0x5A:
        return 0x2C;  // Z
      case 0x7B:
        return 0x58;  // F12
      default:
        return 0;
    }
  }
  void key_event(std::int32_t key_code, std::uint32_t scan_code, std::uint32_t flags) override {
    const bool up = (flags & kKeyEventKeyUp) != 0;
    calls.push_back("key " + hex(key_code) + (up ? " up " : " down ") + hex(scan_code));
    arrive(key_code, up, kKeyInjected);
  }

  // A key pressed on the keyboard (auto-repeat is more of them), and released.
  void press(std::int32_t key_code, std::uint32_t flags = 0) { arrive(key_code, false, flags); }
  void release(std::int32_t key_code) { arrive(key_code, true, 0); }

  // Windows removing the hook without a word: it is no longer called.
  void drop_hook() { hook_dropped_ = true; }
  bool hook_active() const { return active_hook_ != 0 && !hook_dropped_; }
  // The program's key-downs only.
  std::vector<std::string> program_presses() const {
    std::vector<std::string> downs;
    for (const std::string& k : program_keys) {
      if (k.rfind("down ", 0) == 0) downs.push_back(k);
    }
    return downs;
  }

 private:
  void arrive(std::int32_t key_code, bool up, std::uint32_t flags) {
    const std::string event = (up ? "up " : "down ") + hex(key_code);
    const bool hooked = hook_active() && hook_ && !tapvero_in_front;
    if (hooked && hook_misses > 0) {
      --hook_misses;
    } else if (hooked) {
      // Windows withholds what the hook withholds from every reader, raw
      // input included.
      const bool withheld = hook_->on_key_event({key_code, flags | (up ? kKeyUp : 0), ++time_});
      hook_answers.push_back(event + (withheld ? " withhold" : " pass"));
      if (withheld) return;
    }
    if (!up && raw_input) raw_input(key_code, tapvero_in_front);
    program_keys.push_back(event);
  }

  KeyboardHook* hook_ = nullptr;
  HookHandle active_hook_ = 0;
  bool hook_dropped_ = false;
  std::uint32_t time_ = 0;
};

// The input thread as the caller itself: tasks run at once, timers when
// the test says their time has come.
class InlineInputThread final : public InputThread {
 public:
  void run(const std::function<void()>& task) override { task(); }
  void after(std::uint32_t milliseconds, std::function<void()> task) override {
    timers.emplace_back(milliseconds, std::move(task));
  }
  // Runs the timers set so far (and those they set); how many ran.
  int run_timers() {
    int ran = 0;
    while (!timers.empty()) {
      const auto task = std::move(timers.front().second);
      timers.erase(timers.begin());
      task();
      ++ran;
    }
    return ran;
  }
  std::vector<std::pair<std::uint32_t, std::function<void()>>> timers;
};

}  // namespace tapvero::input
