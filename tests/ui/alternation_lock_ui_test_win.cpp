// The alternation lock from outside, with real keyboard input: a small
// window stands in for the game and logs every key message and raw key
// event it gets, while xdotool types on the X display (Wine hands those
// keys to the low-level hook as it would a keyboard's), or a sender of the
// test's own marks each event it sends with SendInput.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "form/main_form.h"
#include "kit/game_window_win.h"
#include "kit/tapvero_driver_win.h"

namespace tapvero::uitest {
namespace {

using namespace form;
using namespace tapvero::kit;
using Strings = std::vector<std::string>;

// A key that the lock leaves alone, typed after every batch: once the game
// has its release (GameWindow::sentinels), Wine has delivered or withheld
// every key before it.
constexpr char kSentinel[] = "q";
// The extra information of every event the test's own sender sends.
constexpr ULONG_PTR kMark = 0x7A7A0001;

::testing::AssertionResult buttons_show(const Tapvero& t, bool on) {
  return KIT_WAIT(t, t.enabled(按钮_开启自动锁定) == !on && t.enabled(按钮_关闭自动锁定) == on);
}

// Tapvero and the game started, the lock switched on.
class AlternationLockUi : public ::testing::Test {
 protected:
  // Types `keys` (xdotool's key names, separated by blanks) into the game
  // as real keyboard input on the X display, then the sentinel, and waits
  // until the game has the sentinel's release.
  ::testing::AssertionResult type_keys(const std::string& keys) {
    if (auto focused = game.bring_to_front(t.window()); !focused) return focused;
    const int sentinels = game.sentinels();
    if (auto typed = run_xdotool("key --delay 40 " + keys + " " + kSentinel); !typed) return typed;
    if (!wait_until([&] { return game.sentinels() > sentinels; }))
      return ::testing::AssertionFailure() << "the game never received the keys typed after " << keys;
    return ::testing::AssertionSuccess();
  }

  // Sends the key events (vk, up) with SendInput 40 ms apart, each marked,
  // then the sentinel, into the game in front; what the game got of Z and X
  // by messages and by raw input, as "down 58" or "up 5A", each followed by
  // " unmarked" without the test's mark and " scan0" without a scan code.
  ::testing::AssertionResult send_marked(const std::vector<std::pair<WORD, bool>>& events, Strings& messages,
                                         Strings& raw) {
    if (auto focused = game.bring_to_front(t.window()); !focused) return focused;
    const int from = game.size(), sentinels = game.sentinels();
    std::vector<Step> steps;
    const double first = now_ms() + 100;
    for (const auto& [vk, up] : events)
      steps.push_back({first + 40.0 * static_cast<double>(steps.size()), {key_input(vk, up, kMark)}});
    steps.push_back({first + 40.0 * static_cast<double>(steps.size()), {key_input('Q', false), key_input('Q', true)}});
    send_paced(steps);
    if (!wait_until([&] { return game.sentinels() > sentinels; }))
      return ::testing::AssertionFailure() << "the game never received the sentinel";
    for (const KeyEvent& e : game.events(from)) {
      if (e.vk != 'Z' && e.vk != 'X') continue;
      std::string line = event_lines({KeyEvent{KeyEvent::kMessage, e.down, e.vk, 1, 0, 0}}).front();
      line += std::string(e.mark == kMark ? "" : " unmarked") + (e.scan ? "" : " scan0");
      (e.kind == KeyEvent::kRaw ? raw : messages).push_back(line);
    }
    return ::testing::AssertionSuccess();
  }

  void SetUp() override {
    ASSERT_TRUE(t.window()) << t.start_error();
    ASSERT_TRUE(game.window());
    ASSERT_TRUE(t.switch_lock(true));
  }
  Strings new_presses(std::size_t since) const {
    const Strings all = game.presses();
    return Strings(all.begin() + static_cast<std::ptrdiff_t>(std::min(since, all.size())), all.end());
  }

  Tapvero t;
  GameWindow game;
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

// The game gets exactly the player's events: a held key stays held while
// the other is tapped, with no release or press the player did not make,
// each event the sender's own (its mark and scan code). Raw input gets the
// same events: nothing here is locked.
TEST_F(AlternationLockUi, AHeldKeyStaysHeldAndEveryEventIsThePlayers) {
  Strings messages, raw;
  ASSERT_TRUE(send_marked({{'X', false}, {'Z', false}, {'Z', true}, {'X', true}}, messages, raw));
  const Strings sent{"down 58", "down 5A", "up 5A", "up 58"};
  EXPECT_EQ(messages, sent);
  EXPECT_EQ(raw, sent);
}

// A repeat is never a press: X's auto-repeats after a Z tap neither lock X
// nor free Z. X's first repeat comes while X is locked and is withheld;
// those after the tap pass, X being free; every release passes.
TEST_F(AlternationLockUi, AutoRepeatsOfAHeldKeyLeaveTheOtherKeyLocked) {
  Strings messages, raw;
  ASSERT_TRUE(send_marked({{'X', false}, {'X', false}, {'Z', false}, {'Z', true}, {'X', false}, {'X', false},
                           {'X', true}, {'Z', false}, {'Z', true}, {'X', false}, {'X', true}},
                          messages, raw));
  EXPECT_EQ(messages, (Strings{"down 58", "down 5A", "up 5A", "down 58", "down 58", "up 58", "up 5A", "down 58",
                               "up 58"}));
  // Raw input: no event the player did not make.
  EXPECT_EQ(std::count_if(raw.begin(), raw.end(), [](const std::string& l) { return l.ends_with("unmarked"); }), 0);
  EXPECT_TRUE(buttons_show(t, true));
}

// In Tapvero's own window: the lock decides the presses to its start button
// (two hits for Z Z X) and F12 switches it off. Wine always calls the hook
// for Tapvero's own window.
TEST_F(AlternationLockUi, InTapverosOwnWindowALockedPressIsNoHitAndF12SwitchesOff) {
  t.select_page(kSpeedTestPage);
  t.click(开始测试);
  ASSERT_TRUE(KIT_WAIT(t, t.bring_to_front() && t.enabled(停止测试) && t.focused_control() == 开始测试));
  for (WORD vk : {WORD('Z'), WORD('Z'), WORD('X')}) t.key(vk);
  EXPECT_TRUE(KIT_WAIT(t, t.text(标签_连击) == L"2"));
  t.key(VK_F12);
  EXPECT_TRUE(buttons_show(t, false));
  EXPECT_EQ(t.text(标签_连击), L"2");
}

// Last: under Wine with code page 1252, once Tapvero's window thread has
// been held while keys were typed, no window of this program's own opens
// any more (CreateWindowExW fails with error 6).
// The lock decides on a thread of its own: with Tapvero's window thread
// held, every key still gets its decision at once (Wine would pass each
// one undecided after 2 s), and the page learns of F12 once it runs again.
TEST_F(AlternationLockUi, TheLockDecidesWhileTheWindowsThreadIsHeld) {
  ASSERT_TRUE(game.bring_to_front(t.window()));
  const int sentinels = game.sentinels();
  const UniqueHandle window_thread{
      OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(t.window(), nullptr))};
  ASSERT_TRUE(window_thread);
  SuspendThread(window_thread.get());
  const auto typed = run_xdotool(std::string("key --delay 40 z z x x F12 z z ") + kSentinel);
  const bool arrived = typed && wait_until([&] { return game.sentinels() > sentinels; });
  ResumeThread(window_thread.get());
  ASSERT_TRUE(typed);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(game.presses(), (Strings{"down 5A", "down 58", "down 7B", "down 5A", "down 5A"}));
  EXPECT_TRUE(buttons_show(t, false));
}

}  // namespace
}  // namespace tapvero::uitest
