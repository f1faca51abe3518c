// Windows as the keyboard hook sees it, in memory: every call is logged in
// order, and a key typed here goes through the hook first, then, unless
// the hook withheld it, to raw input and to the program in front (our own
// window asks the program about it first). Each is told of the key as
// Windows tells it: the hook names left and right Shift, Ctrl and Alt by
// their own codes, raw input and window messages by one code with the scan
// code and the extended bit. The input thread is the caller's own.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "input/hook_installer.h"
#include "input/input_thread.h"
#include "input/keyboard_hook.h"

namespace tapvero::input {

inline std::string hex(std::uint64_t value) {
  char buf[20];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, 16).ptr;
  return std::string(buf, end);
}

class FakeKeyboard final : public HookInstaller {
 public:
  // What the next set_keyboard_hook returns; 0 makes it fail.
  HookHandle next_hook = 0x70;
  // Our own window is in front: keys go to it.
  bool tapvero_in_front = false;
  // Windows calls no hook of ours for keys to our own window, as it
  // reportedly does not while a program takes raw input (Wine does call it).
  bool hook_skips_tapvero = false;
  // How many of the next events the live hook is not called for.
  int hook_misses = 0;

  // Every call, in order: "hook", "unhook 70".
  std::vector<std::string> calls;
  // What the program in front receives: "down 5a", "up 10".
  std::vector<std::string> program_keys;
  // Every key press raw input sees, after the hook has (and unless it
  // withheld it); `in_front` when it went to our own window.
  std::function<void(const KeyEvent& press, bool in_front)> raw_input;
  // Our own window, asked about each key message that reaches it before it
  // acts on it: true keeps the key from it.
  std::function<bool(const KeyEvent& message)> own_window;
  // The program in front is busy: its key messages wait until it runs.
  bool program_busy = false;
  void program_runs() {
    program_busy = false;
    for (const KeyEvent& message : std::exchange(waiting_, {})) to_program(message);
  }

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

  // A key pressed on the keyboard (auto-repeat is more of them), and
  // released; Shift, Ctrl and Alt by the hook's codes (left Shift 0xA0).
  void press(std::int32_t key_code, std::uint32_t flags = 0) { arrive(key_code, false, flags); }
  void release(std::int32_t key_code) { arrive(key_code, true, 0); }
  void tap(std::int32_t key_code) {
    press(key_code);
    release(key_code);
  }
  // Time going by with no key moving (events are otherwise 1 ms apart).
  void wait(std::uint32_t milliseconds) { time_ += milliseconds; }

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
  // Left and right Shift, Ctrl and Alt: the hook's code, the messages'
  // code, the scan code and the extended bit.
  static constexpr std::int32_t kSided[][4] = {{0xA0, 0x10, 0x2A, 0}, {0xA1, 0x10, 0x36, 0}, {0xA2, 0x11, 0x1D, 0},
                                               {0xA3, 0x11, 0x1D, 1}, {0xA4, 0x12, 0x38, 0}, {0xA5, 0x12, 0x38, 1}};

  void arrive(std::int32_t key_code, bool up, std::uint32_t flags) {
    KeyEvent event{key_code, flags | (up ? kKeyUp : 0), ++time_};
    KeyEvent message = event;
    for (const auto& [hook, plain, scan, extended] : kSided) {
      if (hook != key_code) continue;
      event = {key_code, event.flags | static_cast<std::uint32_t>(extended), time_, static_cast<std::uint32_t>(scan)};
      message = {plain, event.flags, time_, event.scan_code};
    }
    const bool hooked = hook_active() && hook_ && !(tapvero_in_front && hook_skips_tapvero);
    if (hooked && hook_misses > 0) {
      --hook_misses;
    } else if (hooked && hook_->on_key_event(event)) {
      return;  // withheld from every reader, raw input included
    }
    if (!up && raw_input) raw_input(message, tapvero_in_front);
    if (program_busy) return waiting_.push_back(message);
    to_program(message);
  }
  void to_program(const KeyEvent& message) {
    if (tapvero_in_front && own_window && own_window(message)) return;
    program_keys.push_back((message.released() ? "up " : "down ") + hex(static_cast<std::uint32_t>(message.key_code)));
  }

  KeyboardHook* hook_ = nullptr;
  HookHandle active_hook_ = 0;
  bool hook_dropped_ = false;
  std::uint32_t time_ = 0;
  std::vector<KeyEvent> waiting_;  // for the busy program
};

// The input thread as the caller itself: tasks run at once, timers when
// the test says their time has come.
class InlineInputThread final : public InputThread {
 public:
  void run(const std::function<void()>& task) override { task(); }
  void after(std::uint32_t milliseconds, std::function<void()> task) override {
    timers.emplace_back(milliseconds, std::move(task));
  }
  // Runs the timers set so far of at most `longest` ms (and those they
  // set); how many ran.
  int run_timers(std::uint32_t longest = UINT32_MAX) {
    int ran = 0;
    for (;;) {
      const auto due = std::find_if(timers.begin(), timers.end(), [&](const auto& t) { return t.first <= longest; });
      if (due == timers.end()) return ran;
      const auto task = std::move(due->second);
      timers.erase(due);
      task();
      ++ran;
    }
  }
  std::vector<std::pair<std::uint32_t, std::function<void()>>> timers;
};

}  // namespace tapvero::input
