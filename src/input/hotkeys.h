// System-wide hotkeys under identifier texts. Once a key is registered
// without modifier keys, Windows gives its presses to no program but posts
// them to our window as WM_HOTKEY, which that window hands to
// hotkey_window_procedure and so to the handler registered with the hotkey.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "input/input_system.h"

namespace tapvero::input {

inline constexpr std::uint32_t kWmHotkey = 0x0312;
// The style of the hotkey module's message box: OK, with the information icon.
inline constexpr std::uint32_t kInformationBoxStyle = 0x40;

class Hotkeys {
 public:
  // Called with the window procedure's arguments; returns its result.
  using Handler = std::function<std::intptr_t(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                              std::intptr_t lparam)>;

  explicit Hotkeys(InputSystem& system) : system_(system) {}
  Hotkeys(const Hotkeys&) = delete;
  Hotkeys& operator=(const Hotkeys&) = delete;

  // Registers `key_code` with `modifiers` (MOD_ALT 1, MOD_CONTROL 2,
  // MOD_SHIFT 4, MOD_WIN 8; 0 for none) as the hotkey `标识文本` (GBK) for
  // `window` (a window of the calling thread), the program's own window when
  // absent. Whatever was registered under that identifier is unregistered
  // first. True when Windows took it. An identifier of nothing but blanks is
  // refused with a message box.
  bool 窗口_热键注册(std::optional<WindowHandle> window, std::uint32_t modifiers, std::int32_t key_code,
                     const Handler& handler, std::string_view 标识文本);

  // Unregisters the identifier's hotkey for `window` (the program's own
  // window when absent); failures are ignored.
  void unregister_hotkey(std::optional<WindowHandle> window, std::string_view identifier);

  // A message of the hotkeys' window: a WM_HOTKEY goes to the handler of
  // its identifier's first record, whose result is returned. Nothing for
  // any other message, nor for a WM_HOTKEY of no record of ours: the window
  // handles those itself.
  std::optional<std::intptr_t> hotkey_window_procedure(WindowHandle window, std::uint32_t message,
                                                       std::uintptr_t wparam, std::intptr_t lparam);

  // Records in the table.
  std::size_t record_count() const { return records_.size(); }
  // The hotkey id of an identifier: the same for the whole run, different
  // for every identifier, within the range Windows leaves to programs;
  // nothing once that range is used up.
  std::optional<int> id_of(std::string_view identifier);

 private:
  struct Record {
    WindowHandle window;
    std::string identifier;
    Handler handler;
  };
  // Everything known of one identifier: its records, in table order. An
  // identifier's id is its place in identifiers_, from 1.
  struct Identifier {
    std::string text;
    std::vector<std::size_t> records;
  };
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  // Places in identifiers_.
  std::optional<std::size_t> find(std::string_view identifier) const;
  std::optional<std::size_t> find_or_add(std::string_view identifier);
  static int id_at(std::size_t place) { return static_cast<int>(place) + 1; }

  InputSystem& system_;
  std::vector<Record> records_;
  std::vector<Identifier> identifiers_;
  std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> index_;  // text -> identifiers_ index
};

}  // namespace tapvero::input
