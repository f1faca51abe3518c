// The game's stand-in: a window of the test's own, on a thread of its own,
// that logs every key event it gets, by window messages (WM_KEYDOWN/UP,
// WM_SYSKEYDOWN/UP) and by raw input (registered for the keyboard while in
// front, as a game in front registers, or always), each with the
// performance counter as its window procedure began, its scan code and
// its sender's mark (the extra information: GetMessageExtraInfo() for a
// message, RAWKEYBOARD.ExtraInformation for raw input). It also counts the
// mouse's raw input, if it reads it, and logs clicks and activation.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "kit/kit_win.h"

namespace tapvero::kit {

struct KeyEvent {
  enum Kind : char { kMessage, kRaw, kClick, kActivate };
  Kind kind;
  bool down;  // a key-down; for kActivate: became active
  WORD vk;
  WORD scan;
  ULONG_PTR mark;
  LONGLONG at;
};

struct GameWindowOptions {
  const wchar_t* title = L"Key log";
  POINT at{20, 580};  // below where Tapvero's window opens: clicks on Tapvero never hit it
  SIZE size{320, 180};
  bool raw_mouse = false;      // the mouse's raw input too
  bool input_sink = false;     // raw input also while not in front
  bool time_critical = false;  // the window's thread
};

class GameWindow {
 public:
  using Options = GameWindowOptions;

  explicit GameWindow(const Options& options = {});
  ~GameWindow();
  GameWindow(const GameWindow&) = delete;
  GameWindow& operator=(const GameWindow&) = delete;

  HWND window() const { return window_; }
  bool reads_raw_input() const { return raw_input_; }
  DWORD raw_input_error() const { return raw_input_error_; }

  // Whether it is in front, with the keyboard focus.
  bool in_front() const;
  // Brings it in front and gives it the X display's focus, as the player
  // brings a game there. Without a window manager Wine's activation notices
  // between programs can cross: a window may go on taking itself for the
  // active one when it is not, so that a click on it activates nothing, and
  // a program that loses the X focus while it is in front leaves nobody in
  // front. So it is clicked, given the X focus, brought to the front from
  // here if need be, and counts as in front once both programs have
  // handled every notice.
  ::testing::AssertionResult bring_to_front(HWND other);

  // The log: events [from, size()) can be read while more come.
  int size() const { return count_.load(std::memory_order_acquire); }
  const KeyEvent& operator[](int i) const { return events_[static_cast<std::size_t>(i)]; }
  std::vector<KeyEvent> events(int from = 0) const;
  int raw_mouse_moves() const { return raw_mouse_moves_.load(std::memory_order_relaxed); }

  // The log as lines: "down 5A", "up 5A", "raw 5A", "raw up 5A", "click 00",
  // "active 01"; a key-down without a scan code has a line "scan0 down 5A"
  // (or "scan0 raw 5A") before its own.
  std::vector<std::string> lines() const;
  // The key-downs other than the sentinel's (Q), as key messages ("down 5A")
  // and as raw input ("raw 5A").
  std::vector<std::string> presses() const;
  std::vector<std::string> raw_presses() const;
  int count(const std::string& line) const;
  // Key-downs that came without a scan code, by either path.
  int without_scan_code() const;
  int sentinels() const { return count("up 51"); }

 private:
  static constexpr std::size_t kCapacity = 1 << 17;
  static DWORD WINAPI thread_main(void* param);
  static LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool handle(UINT msg, WPARAM wp, LPARAM lp, LONGLONG at);
  void add(const KeyEvent& e);

  const Options options_;
  std::unique_ptr<KeyEvent[]> events_{new KeyEvent[kCapacity]};
  std::atomic<int> count_{0};
  std::atomic<int> raw_mouse_moves_{0};
  UniqueHandle ready_;
  UniqueHandle thread_;
  HWND window_ = nullptr;
  bool raw_input_ = false;
  DWORD raw_input_error_ = 0;
};

// The stand-in's lines for `events`, as GameWindow::lines() gives them.
std::vector<std::string> event_lines(const std::vector<KeyEvent>& events);

}  // namespace tapvero::kit
