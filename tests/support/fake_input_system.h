// Windows as the keyboard hook, the hotkeys and the alternation lock see it,
// in memory: every call is logged in order, hotkeys are kept as Windows keeps
// them, and a key typed here goes through the hook first and is then either
// withheld as a registered hotkey (WM_HOTKEY to the hotkey's window) or given
// to the focused program. Synthesised key events come back through the hook
// at once, nested in the call that made them, as they do on Windows.
#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "input/hotkeys.h"
#include "input/input_system.h"
#include "input/keyboard_hook.h"

namespace tapvero::input {

inline std::string hex(std::uint64_t value) {
  char buf[20];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, 16).ptr;
  return std::string(buf, end);
}

// A low-level keyboard hook's event record.
inline std::array<unsigned char, kKeyEventRecordSize> key_event_record(std::uint32_t key_code, std::uint32_t flags,
                                                                       std::uint32_t scan_code = 0x2C) {
  std::array<unsigned char, kKeyEventRecordSize> record{};
  const std::uint32_t time = 123456;
  const std::uint32_t extra = 0xDEADBEEF;
  std::memcpy(record.data() + 0, &key_code, 4);
  std::memcpy(record.data() + 4, &scan_code, 4);
  std::memcpy(record.data() + 8, &flags, 4);
  std::memcpy(record.data() + 12, &time, 4);
  std::memcpy(record.data() + 16, &extra, 4);
  return record;
}

class FakeInputSystem final : public InputSystem {
 public:
  static constexpr WindowProcedure kToolkitProcedure = 0x7001;
  static constexpr std::intptr_t kNextHookResult = 0x55;
  static constexpr std::intptr_t kToolkitResult = 0x66;
  static constexpr std::uint32_t kInjected = 0x10;
  static constexpr std::uint32_t kUp = 0x80;

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

  // Every call, in order; "next" lines (the hook passing an event on) only
  // with log_hook_chain.
  std::vector<std::string> calls;
  bool log_hook_chain = true;
  // What the focused program receives: "down 5a", "up 58".
  std::vector<std::string> program_keys;
  // Presses withheld as hotkeys, and what our hotkey window procedure
  // answered to their WM_HOTKEY.
  std::vector<std::int32_t> withheld;
  std::vector<std::intptr_t> hotkey_results;
  std::vector<Box> boxes;
  std::vector<Hotkey> hotkeys;                        // registered now
  std::vector<std::string> previous_procedure_calls;  // messages passed to the toolkit

  HookHandle set_keyboard_hook(KeyboardHook& hook) override {
    calls.push_back("hook");
    hook_ = &hook;
    active_hook_ = next_hook;
    return next_hook;
  }
  void unhook(HookHandle handle) override {
    calls.push_back("unhook " + hex(handle));
    if (handle != 0 && handle == active_hook_) active_hook_ = 0;
  }
  std::intptr_t call_next_hook(HookHandle handle, int code, std::uintptr_t, std::intptr_t) override {
    if (log_hook_chain) calls.push_back("next " + hex(handle) + (code == 0 ? "" : " code " + std::to_string(code)));
    return kNextHookResult;
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
  WindowProcedure replace_window_procedure(WindowHandle window, Hotkeys& module) override {
    calls.push_back("replace " + hex(window));
    replaced_window_ = window;
    hotkey_module_ = &module;
    return kToolkitProcedure;
  }
  std::intptr_t call_window_procedure(WindowProcedure procedure, WindowHandle window, std::uint32_t message,
                                      std::uintptr_t wparam, std::intptr_t lparam) override {
    previous_procedure_calls.push_back(hex(procedure) + " " + hex(window) + " " + hex(message) + " " + hex(wparam) +
                                       " " + hex(static_cast<std::uint64_t>(lparam)));
    return kToolkitResult;
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
    arrive(key_code, (flags & kKeyEventKeyUp) != 0, kInjected);
  }

  // A key on the keyboard: a press (auto-repeat is more of them), a release,
  // or both.
  void press(std::int32_t key_code, std::uint32_t flags = 0) { arrive(key_code, false, flags); }
  void release(std::int32_t key_code) { arrive(key_code, true, 0); }
  void type(std::int32_t key_code) {
    press(key_code);
    release(key_code);
  }

  bool hook_active() const { return active_hook_ != 0; }
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
  // The calls without the hook passing events on.
  std::vector<std::string> calls_to_windows() const {
    std::vector<std::string> out;
    for (const std::string& c : calls) {
      if (c.rfind("next ", 0) != 0) out.push_back(c);
    }
    return out;
  }

 private:
  void arrive(std::int32_t key_code, bool up, std::uint32_t flags) {
    if (active_hook_ != 0 && hook_) {
      auto record = key_event_record(static_cast<std::uint32_t>(key_code), flags | (up ? kUp : 0));
      hook_->hook_procedure(0, up ? 0x101 : 0x100, reinterpret_cast<std::intptr_t>(record.data()));
    }
    // A hotkey registered while the hook ran already applies to this press.
    if (!up) {
      for (const Hotkey& h : hotkeys) {
        if (h.modifiers != 0 || h.key_code != key_code) continue;
        withheld.push_back(key_code);
        if (hotkey_module_ && h.window == replaced_window_) {
          hotkey_results.push_back(hotkey_module_->hotkey_window_procedure(
              h.window, kWmHotkey, static_cast<std::uintptr_t>(h.id), static_cast<std::intptr_t>(key_code) << 16));
        }
        return;
      }
    }
    program_keys.push_back((up ? "up " : "down ") + hex(key_code));
  }

  KeyboardHook* hook_ = nullptr;
  HookHandle active_hook_ = 0;
  Hotkeys* hotkey_module_ = nullptr;
  WindowHandle replaced_window_ = 0;
};

}  // namespace tapvero::input
