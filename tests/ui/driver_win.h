// Drives a real Tapvero.exe from outside, as a user and a screen reader
// would: it starts the program in a folder of its own, reads its controls
// through window messages, clicks and types with SendInput, and waits for
// what it expects with a generous time-out instead of sleeping.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace tapvero::uitest {

constexpr int kTimeoutMs = 20000;

// Polls `condition` until it holds or `timeout_ms` pass; true if it held.
bool wait_until(const std::function<bool()>& condition, int timeout_ms = kTimeoutMs);

// A left click anywhere on the screen, on whatever window is there.
void click_screen(POINT screen);

// The pointer to `screen`, pressing or releasing `buttons` there (0: none).
// Presses carry the position too: without it they happen wherever the
// pointer is when they are handled.
INPUT mouse_input(POINT screen, DWORD buttons);

// One key press (`up` false) or release, as the keyboard sends it: with
// its scan code.
INPUT key_input(WORD vk, bool up);

// Waits until the performance counter reads `until_ms` milliseconds:
// sleeps while more than 4 ms remain, then spins.
void wait_until_ms(double until_ms);

// The X window that Wine shows `window` in.
inline std::uintptr_t x_window(HWND window) {
  return reinterpret_cast<std::uintptr_t>(GetPropW(window, L"__wine_x11_whole_window"));
}

// Whether this program runs under Wine rather than Windows.
bool under_wine();

// A file in this program's folder.
std::wstring beside_this_program(const std::wstring& name);

// The Tapvero.exe under test, as a Windows path.
std::wstring program_under_test();

// A path on the host, as Wine's programs see it through drive Z:.
std::wstring host_path(const std::string& unix_path);

// Runs `command` (no double quotes in it) with /bin/sh on the host and
// waits until it has finished, at most `timeout_ms`. Wine starts a Unix
// program as it is, without a handle to wait on: a marker file says when it
// is done.
::testing::AssertionResult run_unix(const std::string& command, int timeout_ms = kTimeoutMs);

// Runs xdotool with `arguments` on the X display and waits until it has
// finished.
inline ::testing::AssertionResult run_xdotool(const std::string& arguments) { return run_unix("xdotool " + arguments); }

// A message box shown by the program.
struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::wstring title;
  std::wstring text;
  bool error_icon = false;
  bool information_icon = false;
};

class Tapvero {
 public:
  // Copies Tapvero.exe into a new empty folder, with `config` as its
  // Config.ini if given, starts it and waits for its window.
  explicit Tapvero(std::optional<std::string> config = std::nullopt);
  // Ends the program if it still runs and removes its folder.
  ~Tapvero();
  Tapvero(const Tapvero&) = delete;
  Tapvero& operator=(const Tapvero&) = delete;

  HWND window() const { return window_; }
  // Why the program has no window, if it has none.
  const std::string& start_error() const { return start_error_; }
  HWND control(int id) const;
  const std::wstring& folder() const { return folder_; }

  std::wstring text(int id) const;
  bool enabled(int id) const;
  bool visible(int id) const;
  bool ticked(int id) const;
  // The control's rectangle in the main window's client coordinates.
  RECT client_rect(int id) const;
  RECT window_rect() const;
  SIZE client_size() const;
  std::optional<int> focused_control() const;
  int current_page() const;

  // Input, as the user gives it.
  void bring_to_front() const;
  void click(int id, bool right = false) const;           // the middle of a control
  void click_at(POINT screen, bool right = false) const;  // anywhere on the screen
  bool move_pointer(POINT screen) const;                  // false if it never stays there
  void key(WORD vk, bool with_shift = false, bool with_ctrl = false) const;
  void type(const std::wstring& characters) const;  // as WM_CHAR input
  void select_page(int page) const;                 // a click on the tab

  // The settings file beside the program, if it exists.
  std::optional<std::string> config() const;

  std::optional<MessageBoxInfo> message_box() const;
  std::optional<MessageBoxInfo> wait_message_box(int timeout_ms = kTimeoutMs) const;
  // Waits for a message box and expects the look of the program's boxes:
  // no owner, `title`, and the error icon or the information icon.
  std::optional<MessageBoxInfo> expect_message_box(const std::wstring& title, bool error_icon) const;
  // Presses the message box's OK button.
  void dismiss(const MessageBoxInfo& box) const;

  bool running() const;
  // Waits for the program to end; its exit code, or nothing on time-out.
  std::optional<DWORD> wait_exit(int timeout_ms = kTimeoutMs);

 private:
  void wait_for_no_capture() const;

  std::wstring folder_;
  std::string start_error_;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// Handles, in each window's thread, every message sent to it so far, the
// activation notices that Windows passes between programs among them.
void settle(std::initializer_list<HWND> windows);

// A stand-in for a game, another program the player switches to: one window
// in a process of its own that logs every key message it receives, and its
// activation and clicks, to a file in `folder` (key_log_window.exe, built
// beside the test programs).
class KeyLogWindow {
 public:
  explicit KeyLogWindow(const std::wstring& folder);
  ~KeyLogWindow();
  KeyLogWindow(const KeyLogWindow&) = delete;
  KeyLogWindow& operator=(const KeyLogWindow&) = delete;

  HWND window() const { return window_; }

  // A click, which the game logs as "click 00".
  void click() const;

  // Every line of the log, and the key-downs other than the sentinel's (Q),
  // as key messages ("down 5A") and as raw input ("raw 5A").
  std::vector<std::string> lines() const;
  std::vector<std::string> presses() const;
  std::vector<std::string> raw_presses() const;
  int count(const std::string& line) const;
  // Key-downs that came without a scan code, by either path.
  int without_scan_code() const;
  int sentinels() const { return count("up 51"); }

 private:
  std::wstring log_;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// A rectangle from its left, top, width and height.
inline RECT rect(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// Equal rectangles, or both described.
::testing::AssertionResult same_rect(const RECT& actual, const RECT& expected);

}  // namespace tapvero::uitest
