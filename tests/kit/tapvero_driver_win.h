// Drives a real Tapvero.exe from outside, as a user and a screen reader
// would: it starts the program in a folder of its own, reads its controls
// through window messages, clicks and types with SendInput, and waits for
// what it expects with a generous time-out instead of sleeping. Also the
// input the kit's senders send.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "kit/kit_win.h"

namespace tapvero::kit {

// A left click anywhere on the screen, on whatever window is there.
void click_screen(POINT screen);

// The pointer to `screen`, pressing or releasing `buttons` there (0: none).
// Presses carry the position too: without it they happen wherever the
// pointer is when they are handled.
INPUT mouse_input(POINT screen, DWORD buttons);

// One key press (`up` false) or release, as the keyboard sends it: with
// its scan code, and `mark` as its extra information.
INPUT key_input(WORD vk, bool up, ULONG_PTR mark = 0);

// The X window that Wine shows `window` in.
inline std::uintptr_t x_window(HWND window) {
  return reinterpret_cast<std::uintptr_t>(GetPropW(window, L"__wine_x11_whole_window"));
}

// The Tapvero.exe under test, as a Windows path.
std::wstring program_under_test();

// Input sent at set times: each step's inputs in one SendInput at its due
// time (now_ms()), from a thread of time-critical priority, waiting as
// wait_until_ms does with `spin_ms`. Returns once all are sent.
struct Step {
  double due_ms;
  std::vector<INPUT> inputs;
  LONGLONG sent = 0;      // the counter just before SendInput
  LONGLONG returned = 0;  // and just after
};
void send_paced(std::vector<Step>& steps, double spin_ms = 4);

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

  // Whether typed keys reach the program's window: it is the foreground
  // window, its thread's active window (a focus, if any, is inside it), and under
  // Wine it holds the X display's focus. Wine takes the foreground from the
  // display's focus when it gets round to the display's focus events, which
  // can come after the foreground moved: keys sent before then go to the
  // window that had it.
  bool in_front() const;
  // Brings it there; why not, if it never gets there.
  ::testing::AssertionResult bring_to_front() const;
  // What a test sees of the program, in one line: page, focus, the window
  // in front, the display's focus, the figures a test waits for, a message
  // box, and the last input sent.
  std::string situation() const;
  // Polls `condition` until it holds; the failure says in one line what it
  // waited for and what it saw instead. KIT_WAIT names the condition itself.
  ::testing::AssertionResult wait_for(const std::string& what, const std::function<bool()>& condition,
                                      int timeout_ms = kTimeoutMs) const;

  // Input, as the user gives it, each sent only once the program is in
  // front (a test fails if it never is).
  void click(int id, bool right = false) const;           // the middle of a control
  void click_at(POINT screen, bool right = false) const;  // anywhere on the screen
  bool move_pointer(POINT screen) const;                  // false if it never stays there
  void key(WORD vk, bool with_shift = false, bool with_ctrl = false) const;
  void type(const std::wstring& characters) const;  // as WM_CHAR input
  void select_page(int page) const;                 // a click on the tab
  // The lock's page shown, the lock switched on (or off) by its button: the
  // buttons show it off (on) before the click and on (off) after it.
  ::testing::AssertionResult switch_lock(bool on) const;
  // The lines of the result box, up to its last line break.
  std::vector<std::wstring> stage_lines() const;

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
  // The X display's focus, as xdotool reads it; none if it cannot.
  std::optional<std::uintptr_t> x_focus() const;
  // Notes the input about to be sent, and the window it went to.
  void sending(const std::string& input) const;

  std::wstring folder_;
  std::string start_error_;
  UniqueHandle process_;
  UniqueHandle thread_;
  DWORD process_id_ = 0;
  DWORD thread_id_ = 0;
  HWND window_ = nullptr;
  // The display's focus was seen on the window, and the window has been in
  // front at every look since.
  mutable bool x_focus_seen_ = false;
  mutable std::vector<std::string> sent_;
};

// Waits for a condition on the program `t`, the condition's text naming
// what the wait was for.
#define KIT_WAIT(t, ...) (t).wait_for(#__VA_ARGS__, [&] { return __VA_ARGS__; })
#define KIT_WAIT_MS(t, timeout_ms, ...) (t).wait_for(#__VA_ARGS__, [&] { return __VA_ARGS__; }, timeout_ms)

// Handles, in each window's thread, every message sent to it so far, the
// activation notices that Windows passes between programs among them.
void settle(std::initializer_list<HWND> windows);

// A rectangle from its left, top, width and height.
inline RECT rect(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// Equal rectangles, or both described.
::testing::AssertionResult same_rect(const RECT& actual, const RECT& expected);

}  // namespace tapvero::kit
