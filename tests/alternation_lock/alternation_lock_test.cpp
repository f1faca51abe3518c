#include "alternation_lock/alternation_lock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "form/main_form.h"
#include "support/fake_input_system.h"
#include "support/memory_ui.h"
#include "text/encoding.h"

namespace tapvero::alternation_lock {
namespace {

using input::FakeInputSystem;
using Strings = std::vector<std::string>;
using Keys = std::set<std::int32_t>;

constexpr std::int32_t kZ = 0x5A;
constexpr std::int32_t kX = 0x58;
constexpr std::int32_t kC = 0x43;
constexpr std::int32_t kLeftShift = 0xA0;
constexpr std::int32_t kRightShift = 0xA1;

// The lock with the keyboard, raw input and the hotkeys' window wired as
// the input thread wires them; that thread is `thread`.
template <typename Thread>
struct Rig {
  Rig() {
    lock.set_trigger_keys(kZ, kX);
    system.hotkey_window = thread.window();
    system.hotkey_module = &keys().hotkeys();
    system.raw_input = [this](std::int32_t key) { keys().raw_input_press(key); };
  }
  KeyLock& keys() { return lock.key_lock(); }

  widgets::MemoryUi ui{form::main_form()};
  FakeInputSystem system;
  Thread thread;
  AlternationLock lock{ui, system, thread};
};

class AlternationLockTest : public ::testing::Test, protected Rig<input::InlineInputThread> {
 protected:
  std::string left() { return std::to_string(*keys().hotkeys().id_of(text::utf16_to_gbk(u"左键"))); }
  std::string right() { return std::to_string(*keys().hotkeys().id_of(text::utf16_to_gbk(u"右键"))); }
  // The calls of locking `key` and freeing `other` for the Z slot (左键) or
  // the X slot. An identifier registered before is unregistered again first.
  Strings locking(std::int32_t key, std::int32_t other, bool z_slot, bool registered_before = false) {
    const std::string locked = z_slot ? left() : right(), freed = z_slot ? right() : left();
    Strings calls = {"key " + input::hex(other) + " up", "key " + input::hex(key) + " down",
                     "unregister 1234 " + freed};
    if (registered_before) calls.push_back("unregister 1234 " + locked);
    calls.push_back("register 1234 " + locked + " 0 " + input::hex(key));
    return calls;
  }
  Strings switching_off() { return {"unhook 70", "unregister 1234 " + left(), "unregister 1234 " + right()}; }
  void on() {
    lock.switch_lock_on();
    system.calls.clear();
  }
  void expect_buttons_on() {
    EXPECT_FALSE(ui.enabled(form::按钮_开启自动锁定));
    EXPECT_TRUE(ui.enabled(form::按钮_关闭自动锁定));
  }
  void expect_buttons_off() {
    EXPECT_TRUE(ui.enabled(form::按钮_开启自动锁定));
    EXPECT_FALSE(ui.enabled(form::按钮_关闭自动锁定));
  }
};

TEST_F(AlternationLockTest, SwitchingOnInstallsTheHookTakesTheWindowAndSwapsTheButtons) {
  expect_buttons_off();
  EXPECT_EQ(keys().hotkey_window(), 0u);
  lock.switch_lock_on();
  EXPECT_EQ(system.calls, (Strings{"hook"}));
  EXPECT_TRUE(system.hook_active());
  EXPECT_EQ(keys().hotkey_window(), thread.window());
  expect_buttons_on();
  EXPECT_TRUE(system.withheld_keys().empty());  // nothing locked yet
  EXPECT_EQ(keys().last_alternation_key(), 0);
}

// Key presses with the lock on, and what comes of them: the key-downs the
// focused program receives, the key left locked, whether the lock is still on.
struct Sequence {
  const char* name;
  std::int32_t z;
  std::int32_t x;
  std::vector<std::int32_t> presses;
  Strings program;
  Keys locked;
  bool still_on = true;
};

class LockSequence : public AlternationLockTest, public ::testing::WithParamInterface<Sequence> {};

TEST_P(LockSequence, GivesTheProgramOnePressPerAlternation) {
  const Sequence& c = GetParam();
  lock.set_trigger_keys(c.z, c.x);
  on();
  for (const std::int32_t key : c.presses) system.press(key);
  EXPECT_EQ(system.program_presses(), c.program);
  EXPECT_EQ(system.withheld_keys(), c.locked);
  EXPECT_EQ(system.hook_active(), c.still_on);
  EXPECT_EQ(keys().on(), c.still_on);
  EXPECT_TRUE(thread.timers.empty());  // the hook saw every press raw input did
  ui.run_posted();                     // the page learns of F12
  if (c.still_on) {
    expect_buttons_on();
  } else {
    expect_buttons_off();
  }
  EXPECT_LE(keys().hotkeys().record_count(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Presses, LockSequence,
    ::testing::Values(
        // The first press after switching on locks its key, whichever slot.
        Sequence{"FirstZ", kZ, kX, {kZ}, {"down 5a"}, {kZ}}, Sequence{"FirstX", kZ, kX, {kX}, {"down 58"}, {kX}},
        // Repeats of the locked key, and a held key's auto-repeat, are withheld.
        Sequence{"ZZZ", kZ, kX, {kZ, kZ, kZ}, {"down 5a"}, {kZ}},
        Sequence{"HeldX", kZ, kX, {kX, kX, kX, kX, kX}, {"down 58"}, {kX}},
        Sequence{"ZZXXZX", kZ, kX, {kZ, kZ, kX, kX, kZ, kX}, {"down 5a", "down 58", "down 5a", "down 58"}, {kX}},
        // Both slots on one key: locked at the first press, for good.
        Sequence{"BothSlotsZ", kZ, kZ, {kZ, kZ, kX, kZ}, {"down 5a", "down 58"}, {kZ}},
        // A slot without a key never matches: the other key stays locked.
        Sequence{"NoZKey", 0, kX, {kZ, kX, kZ, kX}, {"down 5a", "down 58", "down 5a"}, {kX}},
        // The hook reports side-specific Shift, Ctrl and Alt codes only.
        Sequence{"ZOnShift",
                 0x10,
                 kX,
                 {kLeftShift, kRightShift, kX, kLeftShift},
                 {"down a0", "down a1", "down 58", "down a0"},
                 {kX}},
        Sequence{"ZOnCtrl", 0x11, kX, {0xA2, 0xA3, 0xA2}, {"down a2", "down a3", "down a2"}, {}},
        Sequence{"ZOnAlt", 0x12, kX, {0xA4, 0xA5}, {"down a4", "down a5"}, {}},
        // F12 as a slot's key locks like one and no longer switches off.
        Sequence{"ZOnF12", kF12, kX, {kF12, kF12, kX, kF12}, {"down 7b", "down 58", "down 7b"}, {kF12}},
        // F12 switches off, reaches the program itself, and frees every key.
        Sequence{
            "F12", kZ, kX, {kZ, kF12, kZ, kZ, kX}, {"down 5a", "down 7b", "down 5a", "down 5a", "down 58"}, {}, false},
        Sequence{"F12First", kZ, kX, {kF12, kZ}, {"down 7b", "down 5a"}, {}, false},
        // Other keys pass untouched and change nothing.
        Sequence{"OtherKeys",
                 kZ,
                 kX,
                 {kZ, 0x41, 0x20, 0x0D, 0x7A, 0x7C, kC, kZ},
                 {"down 5a", "down 41", "down 20", "down d", "down 7a", "down 7c", "down 43"},
                 {kZ}}),
    [](const ::testing::TestParamInfo<Sequence>& param) { return std::string(param.param.name); });

TEST_F(AlternationLockTest, EachAlternationReleasesTheOtherKeyPressesThisOneAndSwapsTheHotkeys) {
  on();
  Strings expected;
  int presses = 0;
  for (const std::int32_t key : {kZ, kX, kZ, kX}) {
    system.press(key);
    const Strings step = locking(key, key == kZ ? kX : kZ, key == kZ, ++presses > 2);
    expected.insert(expected.end(), step.begin(), step.end());
    EXPECT_EQ(system.withheld_keys(), Keys{key});
    EXPECT_EQ(keys().last_alternation_key(), key);
    system.press(key);  // withheld, and its WM_HOTKEY changes nothing
  }
  EXPECT_EQ(system.calls, expected);
  EXPECT_EQ(system.hotkey_results, std::vector<std::intptr_t>(8, 0));  // every physical press withheld
  // The program got the synthesised presses and releases only.
  EXPECT_EQ(system.program_keys,
            (Strings{"up 58", "down 5a", "up 5a", "down 58", "up 58", "down 5a", "up 5a", "down 58"}));
  EXPECT_EQ(keys().hotkeys().record_count(), 2u);
}

TEST_F(AlternationLockTest, BothSlotsOnOneKeyReleaseAndPressThatKey) {
  lock.set_trigger_keys(kZ, kZ);
  on();
  system.press(kZ);
  EXPECT_EQ(system.calls, locking(kZ, kZ, true));
}

TEST_F(AlternationLockTest, SwitchingOffAndOnKeepsTheLastAlternationKey) {
  on();
  system.press(kZ);
  lock.switch_lock_off();
  expect_buttons_off();
  EXPECT_TRUE(system.withheld_keys().empty());
  lock.switch_lock_on();
  system.calls.clear();
  system.program_keys.clear();
  system.press(kZ);  // passes freely and locks nothing
  EXPECT_TRUE(system.calls.empty());
  EXPECT_EQ(system.program_keys, (Strings{"down 5a"}));
  system.press(kX);
  EXPECT_EQ(system.calls, locking(kX, kZ, false));
  EXPECT_EQ(system.withheld_keys(), Keys{kX});
}

// F12 switches off on the input thread; the page learns it by a posted
// message, and shows the lock as it is then.
TEST_F(AlternationLockTest, F12SwitchesOffAndThePageShowsItOnceThePostedMessageArrives) {
  on();
  system.press(kZ);
  system.calls.clear();
  system.press(kF12);
  EXPECT_EQ(system.calls, switching_off());
  expect_buttons_on();
  EXPECT_EQ(ui.run_posted(), 1);
  expect_buttons_off();
  // Switched on again before the message arrives: the page stays on.
  lock.switch_lock_on();
  system.press(kF12);
  lock.switch_lock_on();
  ui.run_posted();
  expect_buttons_on();
}

TEST_F(AlternationLockTest, ANewZKeyWhileZIsLockedTakesOverTheIdentifier) {
  on();
  system.press(kZ);
  lock.set_trigger_keys(kC, kX);                // saved while Z is locked
  EXPECT_EQ(system.withheld_keys(), Keys{kZ});  // the old key stays locked
  system.calls.clear();
  system.press(kC);
  // The old 左键 hotkey goes before the new key is registered under it.
  EXPECT_EQ(system.calls, locking(kC, kX, true, true));
  EXPECT_EQ(system.withheld_keys(), Keys{kC});
  system.program_keys.clear();
  system.press(kZ);
  EXPECT_EQ(system.program_keys, (Strings{"down 5a"}));
}

TEST_F(AlternationLockTest, TheOtherKeyFreesAKeyLockedBeforeTheSettingChanged) {
  on();
  system.press(kZ);
  lock.set_trigger_keys(kC, kX);
  system.calls.clear();
  system.press(kX);
  EXPECT_EQ(system.calls, locking(kX, kC, false));
  EXPECT_EQ(system.withheld_keys(), Keys{kX});
}

TEST_F(AlternationLockTest, AKeyHeldByAnotherProgramIsNotWithheldButStillAlternates) {
  system.held_elsewhere = {kZ};
  on();
  system.press(kX);
  system.press(kZ);  // refused by Windows: not withheld, yet X is free and Z is the last key
  EXPECT_EQ(keys().last_alternation_key(), kZ);
  EXPECT_TRUE(system.withheld_keys().empty());
  system.program_keys.clear();
  system.press(kZ);
  system.press(kX);
  EXPECT_EQ(system.program_presses(), (Strings{"down 5a", "down 58"}));
  EXPECT_EQ(system.withheld_keys(), Keys{kX});
}

TEST_F(AlternationLockTest, WithoutAHookTheLockStaysOffAndSaysSo) {
  system.next_hook = 0;
  lock.switch_lock_on();
  expect_buttons_off();
  EXPECT_FALSE(keys().on());
  EXPECT_EQ(ui.message_boxes,
            (widgets::MemoryUi::Boxes{{u"自动锁定开启失败！无法监听键盘按键", u"错误", widgets::Icon::kError}}));
  system.press(kZ);
  EXPECT_EQ(system.calls, (Strings{"hook"}));
  EXPECT_EQ(keys().last_alternation_key(), 0);
}

// Windows may remove the hook without a word. Raw input still sees every
// press: a trigger key's press that the hook missed frees the withheld key
// at once and brings the hook back, or switches the lock off for good.
TEST_F(AlternationLockTest, AHookThatStopsBeingCalledIsNoticedAndReplaced) {
  on();
  system.press(kZ);
  system.drop_hook();
  system.press(0x41);  // other keys are no cause to look
  EXPECT_TRUE(thread.timers.empty());
  system.press(kX);  // withheld neither by the lock nor by its hook
  ASSERT_EQ(thread.timers.size(), 1u);
  EXPECT_EQ(thread.timers[0].first, input::HookWatch::kPatienceMs);
  system.calls.clear();
  thread.run_timers();
  EXPECT_EQ(system.calls, (Strings{"unregister 1234 " + left(), "unregister 1234 " + right(), "unhook 70", "hook"}));
  EXPECT_TRUE(system.withheld_keys().empty());
  EXPECT_TRUE(keys().on());
  // The new hook locks as before.
  system.press(kZ);
  system.press(kX);
  EXPECT_EQ(system.withheld_keys(), Keys{kX});
  EXPECT_TRUE(thread.timers.empty());

  system.drop_hook();
  system.next_hook = 0;
  system.press(kZ);
  thread.run_timers();
  EXPECT_FALSE(keys().on());
  EXPECT_TRUE(system.withheld_keys().empty());
  expect_buttons_on();
  ui.run_posted();
  expect_buttons_off();
}

// The input thread's own thread: presses arrive there while the window's
// thread switches the lock on and off, changes the keys and handles what
// the lock posts.
class WorkerThread final : public input::InputThread {
 public:
  WorkerThread() : worker_([this] { work(); }) {}
  ~WorkerThread() override {
    post({});
    worker_.join();
  }
  void run(const std::function<void()>& task) override {
    std::mutex done_mutex;
    std::condition_variable done_signal;
    bool done = false;
    post([&] {
      task();
      const std::lock_guard lock(done_mutex);
      done = true;
      done_signal.notify_one();
    });
    std::unique_lock lock(done_mutex);
    done_signal.wait(lock, [&] { return done; });
  }
  void after(std::uint32_t, std::function<void()> task) override { post(std::move(task)); }
  input::WindowHandle window() const override { return 0x1234; }
  // Runs `task` on the worker; an empty task ends it.
  void post(std::function<void()> task) {
    const std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    signal_.notify_one();
  }

 private:
  void work() {
    for (;;) {
      std::unique_lock lock(mutex_);
      signal_.wait(lock, [&] { return !tasks_.empty(); });
      const std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      if (!task) return;
      task();
    }
  }

  std::mutex mutex_;
  std::condition_variable signal_;
  std::deque<std::function<void()>> tasks_;
  std::thread worker_;
};

TEST(AlternationLockOnItsOwnThread, AlternatesAndSwitchesOffWhateverTheWindowsThreadDoes) {
  Rig<WorkerThread> rig;
  for (int round = 0; round < 50; ++round) {
    rig.lock.switch_lock_on();
    for (const std::int32_t key : {kZ, kZ, kX, kX, kC}) rig.thread.post([&rig, key] { rig.system.press(key); });
    rig.lock.set_trigger_keys(round % 2 ? kC : kZ, kX);  // saved meanwhile
    rig.thread.post([&rig] { rig.system.press(kF12); });
    rig.thread.run([] {});  // every press handled
    rig.ui.run_posted();
    EXPECT_FALSE(rig.keys().on());
    EXPECT_TRUE(rig.ui.enabled(form::按钮_开启自动锁定));
    EXPECT_FALSE(rig.ui.enabled(form::按钮_关闭自动锁定));
    rig.thread.run([&] { EXPECT_TRUE(rig.system.withheld_keys().empty()); });
  }
}

}  // namespace
}  // namespace tapvero::alternation_lock
