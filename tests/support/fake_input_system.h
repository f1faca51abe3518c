// Windows as the keyboard hook, the hotkeys and the alternation lock see it,
// in memory: every call is logged in order, hotkeys are kept as Windows keeps
// them, and a key typed here goes through the hook first, then to raw input,
// and is then either withheld as a registered hotkey (WM_HOTKEY to the
// hotkey's window) or given to the focused program. Synthesised key events
// come back through the hook at once, nested in the call that made them, as
// they do on Windows. The input thread is the caller's own.
#pragma once

#include <charconv>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "input/hotkeys.h"
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
  struct Hotkey {
    WindowHandle window;
    int id;
    std::uint32_t modifiers;
    std::int32_t key_code;
  };
  struct Box {
    WindowHandle owner;
    std::string text;
    std::string title;
    std::uint32_t style;
  };

  // What the next set_keyboard_hook returns; 0 makes it fail.
  HookHandle next_hook = 0x70;
  WindowHandle own = 0x4321;
  // Keys another program holds as hotkeys without modifier keys.
  std::set<std::int32_t> held_elsewhere;

  // Every call, in order.
  std::vector<std::string> calls;
  // What the focused program receives: "down 5a", "up 58".
  std::vector<std::string> program_keys;
  // What our hotkey window procedure answered to the WM_HOTKEY of each
  // press withheld as a hotkey.
  std::vector<std::intptr_t> hotkey_results;
  std::vector<Box> boxes;
  std::vector<Hotkey> hotkeys;  // registered now
  // The window whose WM_HOTKEY goes to `hotkey_module`, as the input
  // thread's window routes it.
  WindowHandle hotkey_window = 0;
  Hotkeys* hotkey_module = nullptr;
  // Every key press raw input sees, after the hook has.
  std::function<void(std::int32_t key_code)> raw_input;

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

  bool register_hotkey(WindowHandle window, int id, std::uint32_t modifiers, std::int32_t key_code) override {
    calls.push_back("register " + hex(window) + " " + std::to_string(id) + " " + hex(modifiers) + " " + hex(key_code));
    if (modifiers == 0 && held_elsewhere.count(key_code)) return false;
    for (const Hotkey& h : hotkeys) {
      if (h.modifiers == modifiers && h.key_code == key_code) return false;
    }
    hotkeys.push_back({window, id, modifiers, key_code});
    return true;
  }
  void unregister_hotkey(WindowHandle window, int id) override {
    calls.push_back("unregister " + hex(window) + " " + std::to_string(id));
    for (auto it = hotkeys.begin(); it != hotkeys.end(); ++it) {
      if (it->window == window && it->id == id) {
        hotkeys.erase(it);
        return;
      }
    }
  }
  WindowHandle own_window() override {
    calls.push_back("own window");
    return own;
  }
  void message_box(WindowHandle owner, std::string_view text, std::string_view title, std::uint32_t style) override {
    calls.push_back("box " + hex(owner) + " " + hex(style));
    boxes.push_back({owner, std::string(text), std::string(title), style});
  }
  void key_event(std::int32_t key_code, std::uint32_t flags) override {
    calls.push_back("key " + hex(key_code) + ((flags & kKeyEventKeyUp) ? " up" : " down"));
    arrive(key_code, (flags & kKeyEventKeyUp) != 0, kKeyInjected);
  }

  // A key pressed on the keyboard (auto-repeat is more of them).
  void press(std::int32_t key_code, std::uint32_t flags = 0) { arrive(key_code, false, flags); }

  // Windows removing the hook without a word: it is no longer called.
  void drop_hook() { hook_dropped_ = true; }
  bool hook_active() const { return active_hook_ != 0 && !hook_dropped_; }
  // Keys registered as hotkeys without modifier keys.
  std::set<std::int32_t> withheld_keys() const {
    std::set<std::int32_t> keys;
    for (const Hotkey& h : hotkeys) {
      if (h.modifiers == 0) keys.insert(h.key_code);
    }
    return keys;
  }
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
    if (hook_active() && hook_) hook_->on_key_event({key_code, flags | (up ? kKeyUp : 0), ++time_});
    if (!up && raw_input) raw_input(key_code);
    // A hotkey registered while the hook ran already applies to this press.
    if (!up) {
      for (const Hotkey& h : hotkeys) {
        if (h.modifiers != 0 || h.key_code != key_code) continue;
        if (hotkey_module && h.window == hotkey_window) {
          hotkey_results.push_back(hotkey_module
                                       ->hotkey_window_procedure(h.window, kWmHotkey, static_cast<std::uintptr_t>(h.id),
                                                                 static_cast<std::intptr_t>(key_code) << 16)
                                       .value_or(-1));
        }
        return;
      }
    }
    program_keys.push_back((up ? "up " : "down ") + hex(key_code));
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
  WindowHandle window() const override { return own_window; }
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

  WindowHandle own_window = 0x1234;
  std::vector<std::pair<std::uint32_t, std::function<void()>>> timers;
};

}  // namespace tapvero::input
