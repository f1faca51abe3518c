// The alternation lock from outside, with real keyboard input: a small
// window stands in for the game and logs every key message and raw key-down
// it gets, while xdotool types on the X display (Wine hands those keys to
// the low-level hook as it would a keyboard's).
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "driver_win.h"
#include "form/main_form.h"

namespace tapvero::uitest {
namespace {

using namespace form;
using Strings = std::vector<std::string>;

// A key that the lock leaves alone, typed after every batch: once the game
// has its release (KeyLogWindow::sentinels), Wine has delivered or withheld
// every key before it.
constexpr char kSentinel[] = "q";

::testing::AssertionResult buttons_show(const Tapvero& t, bool on) {
  const bool done =
      wait_until([&] { return t.enabled(按钮_开启自动锁定) == !on && t.enabled(按钮_关闭自动锁定) == on; });
  if (done) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "开启自动锁定 " << (t.enabled(按钮_开启自动锁定) ? "enabled" : "disabled")
                                       << ", 关闭自动锁定(F12) "
                                       << (t.enabled(按钮_关闭自动锁定) ? "enabled" : "disabled");
}

// Tapvero and the game started, the lock switched on.
class AlternationLockUi : public ::testing::Test {
 protected:
  // The game in front, as the player brings it there, and with the X
  // display's focus. Without a window manager Wine's activation notices
  // between programs can cross: a window may go on taking itself for the
  // active one when it is not, so that a click on it activates nothing, and
  // a program that loses the X focus while it is in front leaves nobody in
  // front. So the game is clicked, given the X focus, brought to the front
  // from here if need be, and counts as focused once both programs have
  // handled every notice and the game is the foreground window.
  ::testing::AssertionResult focus_game() {
    const std::string x_focus = "windowfocus --sync " + std::to_string(x_window(game.window()));
    for (int attempt = 0; attempt < 5; ++attempt) {
      const int clicks = game.count("click 00");
      game.click();
      wait_until([&] { return game.count("click 00") > clicks; });  // activation comes before the click
      if (auto focused = run_xdotool(x_focus); !focused) return focused;
      settle({game.window(), t.window()});
      if (GetForegroundWindow() == game.window()) return ::testing::AssertionSuccess();
      SetForegroundWindow(game.window());
      settle({game.window(), t.window()});
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "foreground " << GetForegroundWindow() << " instead of the game " << game.window()
            << "; the game's log:";
    for (const std::string& line : game.lines()) failure << " " << line;
    return failure;
  }

  // Types `keys` (xdotool's key names, separated by blanks) into the game
  // as real keyboard input on the X display, then the sentinel, and waits
  // until the game has the sentinel's release.
  ::testing::AssertionResult type_keys(const std::string& keys) {
    if (auto focused = focus_game(); !focused) return focused;
    const int sentinels = game.sentinels();
    if (auto typed = run_xdotool("key --delay 40 " + keys + " " + kSentinel); !typed) return typed;
    if (!wait_until([&] { return game.sentinels() > sentinels; }))
      return ::testing::AssertionFailure() << "the game never received the keys typed after " << keys;
    return ::testing::AssertionSuccess();
  }

  void SetUp() override {
    ASSERT_TRUE(t.window()) << t.start_error();
    ASSERT_TRUE(game.window());
    t.select_page(kLockPage);
    ASSERT_TRUE(wait_until([&] { return t.visible(按钮_开启自动锁定); }));
    ASSERT_TRUE(buttons_show(t, false));
    t.click(按钮_开启自动锁定);
    ASSERT_TRUE(buttons_show(t, true));
  }
  Strings new_presses(std::size_t since) const {
    const Strings all = game.presses();
    return Strings(all.begin() + static_cast<std::ptrdiff_t>(std::min(since, all.size())), all.end());
  }

  Tapvero t;
  KeyLogWindow game{t.folder()};
};

// Each accepted press reaches the game once, as the player made it, with
// its scan code. Raw input never gets a press the player did not make:
// Windows keeps a press the hook withholds from raw input too, while Wine
// makes raw input before the hooks run, so there every typed press shows.
TEST_F(AlternationLockUi, TheGameGetsOnePressPerAlternationAndOtherKeysPass) {
  ASSERT_TRUE(type_keys("z z x x z x"));
  std::cout << "The game's key log for z z x x z x:";
  for (const std::string& line : game.lines()) std::cout << " " << line << ",";
  std::cout << "\n";
  EXPECT_EQ(game.presses(), (Strings{"down 5A", "down 58", "down 5A", "down 58"}));
  const Strings typed{"raw 5A", "raw 5A", "raw 58", "raw 58", "raw 5A", "raw 58"};
  const Strings accepted{"raw 5A", "raw 58", "raw 5A", "raw 58"};
  EXPECT_EQ(game.raw_presses(), under_wine() ? typed : accepted);
  EXPECT_EQ(game.without_scan_code(), 0);
  EXPECT_TRUE(buttons_show(t, true));

  const std::size_t before = game.presses().size();
  ASSERT_TRUE(type_keys("a space"));
  EXPECT_EQ(new_presses(before), (Strings{"down 41", "down 20"}));
}

TEST_F(AlternationLockUi, F12SwitchesTheLockOffAndThenEveryKeyPasses) {
  ASSERT_TRUE(type_keys("z z"));
  EXPECT_EQ(game.presses(), (Strings{"down 5A"}));
  ASSERT_TRUE(type_keys("F12"));
  EXPECT_TRUE(buttons_show(t, false));
  EXPECT_EQ(new_presses(1), (Strings{"down 7B"}));  // F12 itself reaches the game
  ASSERT_TRUE(type_keys("z z x x"));
  EXPECT_EQ(new_presses(2), (Strings{"down 5A", "down 5A", "down 58", "down 58"}));
}

TEST_F(AlternationLockUi, TheOffButtonFreesTheLockedKey) {
  ASSERT_TRUE(type_keys("x x"));
  EXPECT_EQ(game.presses(), (Strings{"down 58"}));
  t.click(按钮_关闭自动锁定);
  EXPECT_TRUE(buttons_show(t, false));
  ASSERT_TRUE(type_keys("x x z"));
  EXPECT_EQ(new_presses(1), (Strings{"down 58", "down 58", "down 5A"}));
}

TEST_F(AlternationLockUi, ClosingTapveroWhileZIsLockedFreesZ) {
  ASSERT_TRUE(type_keys("z z"));
  EXPECT_EQ(game.presses(), (Strings{"down 5A"}));
  PostMessageW(t.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(t.wait_exit(), std::optional<DWORD>(0));
  ASSERT_TRUE(type_keys("z z"));
  EXPECT_EQ(new_presses(1), (Strings{"down 5A", "down 5A"}));
}

// The lock decides on a thread of its own: with Tapvero's window thread
// held, every key still gets its decision at once (Wine would pass each
// one undecided after 2 s), and the page learns of F12 once it runs again.
TEST_F(AlternationLockUi, TheLockDecidesWhileTheWindowsThreadIsHeld) {
  ASSERT_TRUE(focus_game());
  const int sentinels = game.sentinels();
  const HANDLE window_thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(t.window(), nullptr));
  ASSERT_TRUE(window_thread);
  SuspendThread(window_thread);
  const auto typed = run_xdotool(std::string("key --delay 40 z z x x F12 z z ") + kSentinel);
  const bool arrived = typed && wait_until([&] { return game.sentinels() > sentinels; });
  ResumeThread(window_thread);
  CloseHandle(window_thread);
  ASSERT_TRUE(typed);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(game.presses(), (Strings{"down 5A", "down 58", "down 7B", "down 5A", "down 5A"}));
  EXPECT_TRUE(buttons_show(t, false));
}

}  // namespace
}  // namespace tapvero::uitest
