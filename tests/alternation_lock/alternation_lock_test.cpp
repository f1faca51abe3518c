#include "alternation_lock/alternation_lock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "form/main_form.h"
#include "support/fake_input_system.h"
#include "support/memory_ui.h"

namespace tapvero::alternation_lock {
namespace {

using input::FakeInputSystem;
using Strings = std::vector<std::string>;

constexpr std::int32_t kZ = 0x5A;
constexpr std::int32_t kX = 0x58;
constexpr std::int32_t kC = 0x43;
constexpr std::int32_t kLeftShift = 0xA0;
constexpr std::int32_t kRightShift = 0xA1;

// The lock with the keyboard and raw input wired as the input thread wires
// them; that thread is `thread`.
template <typename Thread>
struct Rig {
  Rig() {
    lock.set_trigger_keys(kZ, kX);
    system.raw_input = [this](std::int32_t key, bool in_front) { keys().raw_input_press(key, in_front); };
  }
  KeyLock& keys() { return lock.key_lock(); }

  widgets::MemoryUi ui{form::main_form()};
  FakeInputSystem system;
  Thread thread;
  AlternationLock lock{ui, system, thread};
};

class AlternationLockTest : public ::testing::Test, protected Rig<input::InlineInputThread> {
 protected:
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

TEST_F(AlternationLockTest, SwitchingOnInstallsTheHookAndSwapsTheButtons) {
  expect_buttons_off();
  lock.switch_lock_on();
  EXPECT_EQ(system.calls, (Strings{"hook"}));
  expect_buttons_on();
  EXPECT_EQ(keys().state(), LockState::kNothingLocked);
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
  std::int32_t locked;
  bool still_on = true;
};

class LockSequence : public AlternationLockTest, public ::testing::WithParamInterface<Sequence> {};

TEST_P(LockSequence, GivesTheProgramOnePressPerAlternation) {
  const Sequence& c = GetParam();
  lock.set_trigger_keys(c.z, c.x);
  on();
  for (const std::int32_t key : c.presses) system.press(key);
  EXPECT_EQ(system.program_presses(), c.program);
  EXPECT_EQ(keys().locked_key(), c.locked);
  EXPECT_EQ(system.hook_active(), c.still_on);
  EXPECT_EQ(keys().on(), c.still_on);
  EXPECT_TRUE(thread.timers.empty());  // the hook saw every press raw input did
  ui.run_posted();                     // the page learns of F12
  if (c.still_on) {
    expect_buttons_on();
  } else {
    expect_buttons_off();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Presses, LockSequence,
    ::testing::Values(
        // The first press after switching on locks its key, whichever slot.
        Sequence{"FirstZ", kZ, kX, {kZ}, {"down 5a"}, kZ}, Sequence{"FirstX", kZ, kX, {kX}, {"down 58"}, kX},
        // Repeats of the locked key, and a held key's auto-repeat, are withheld.
        Sequence{"ZZZ", kZ, kX, {kZ, kZ, kZ}, {"down 5a"}, kZ},
        Sequence{"HeldX", kZ, kX, {kX, kX, kX, kX, kX}, {"down 58"}, kX},
        Sequence{"ZZXXZX", kZ, kX, {kZ, kZ, kX, kX, kZ, kX}, {"down 5a", "down 58", "down 5a", "down 58"}, kX},
        // Both slots on one key: locked at the first press, for good.
        Sequence{"BothSlotsZ", kZ, kZ, {kZ, kZ, kX, kZ}, {"down 5a", "down 58"}, kZ},
        // A slot without a key never matches: the other key stays locked.
        Sequence{"NoZKey", 0, kX, {kZ, kX, kZ, kX}, {"down 5a", "down 58", "down 5a"}, kX},
        // The hook reports side-specific Shift, Ctrl and Alt codes only.
        Sequence{"ZOnShift",
                 0x10,
                 kX,
                 {kLeftShift, kRightShift, kX, kLeftShift},
                 {"down a0", "down a1", "down 58", "down a0"},
                 kX},
        Sequence{"ZOnCtrl", 0x11, kX, {0xA2, 0xA3, 0xA2}, {"down a2", "down a3", "down a2"}, 0},
        Sequence{"ZOnAlt", 0x12, kX, {0xA4, 0xA5}, {"down a4", "down a5"}, 0},
        // F12 as a slot's key locks like one and no longer switches off.
        Sequence{"ZOnF12", kF12, kX, {kF12, kF12, kX, kF12}, {"down 7b", "down 58", "down 7b"}, kF12},
        // F12 switches off, reaches the program itself, and frees every key.
        Sequence{
            "F12", kZ, kX, {kZ, kF12, kZ, kZ, kX}, {"down 5a", "down 7b", "down 5a", "down 5a", "down 58"}, 0, false},
        Sequence{"F12First", kZ, kX, {kF12, kZ}, {"down 7b", "down 5a"}, 0, false},
        // Other keys pass untouched and change nothing.
        Sequence{"OtherKeys",
                 kZ,
                 kX,
                 {kZ, 0x41, 0x20, 0x0D, 0x7A, 0x7C, kC, kZ},
                 {"down 5a", "down 41", "down 20", "down d", "down 7a", "down 7c", "down 43"},
                 kZ}),
    [](const ::testing::TestParamInfo<Sequence>& param) { return std::string(param.param.name); });

// The hook's answer to each event, the releases the lock synthesises (with
// the other key's scan code) and the state it is left in, step by step.
enum class Act { kPress, kRelease, kSwitchOn, kSwitchOff };
struct Step {
  Act act;
  std::int32_t key;
  Strings answers;  // the synthesised release's comes before the press that made it
  Strings calls;
  LockState after;
};
struct Script {
  const char* name;
  std::int32_t z;
  std::int32_t x;
  std::vector<Step> steps;
};

class LockStateTable : public AlternationLockTest, public ::testing::WithParamInterface<Script> {};

TEST_P(LockStateTable, TheHookWithholdsTheLockedKeyAndPassesEverythingElse) {
  const Script& script = GetParam();
  lock.set_trigger_keys(script.z, script.x);
  on();
  for (std::size_t i = 0; i < script.steps.size(); ++i) {
    const Step& step = script.steps[i];
    system.hook_answers.clear();
    system.calls.clear();
    switch (step.act) {
      case Act::kPress:
        system.press(step.key);
        break;
      case Act::kRelease:
        system.release(step.key);
        break;
      case Act::kSwitchOn:
        lock.switch_lock_on();
        break;
      case Act::kSwitchOff:
        lock.switch_lock_off();
        break;
    }
    if (step.act == Act::kSwitchOn || step.act == Act::kSwitchOff) system.calls.clear();
    EXPECT_EQ(system.hook_answers, step.answers) << "step " << i;
    EXPECT_EQ(system.calls, step.calls) << "step " << i;
    EXPECT_EQ(keys().state(), step.after) << "step " << i;
  }
}

using enum Act;
using enum LockState;
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Scripts, LockStateTable,
    ::testing::Values(
        Script{"AlternationOffAndOn",
               kZ,
               kX,
               {{kPress, kZ, {"up 58 pass", "down 5a pass"}, {"key 58 up 2d"}, kZLocked},
                {kPress, kZ, {"down 5a withhold"}, {}, kZLocked},  // auto-repeat
                {kRelease, kZ, {"up 5a pass"}, {}, kZLocked},
                {kPress, 0x41, {"down 41 pass"}, {}, kZLocked},
                {kPress, kX, {"up 5a pass", "down 58 pass"}, {"key 5a up 2c"}, kXLocked},
                {kPress, kX, {"down 58 withhold"}, {}, kXLocked},
                {kSwitchOff, 0, {}, {}, kOff},
                {kPress, kX, {}, {}, kOff},
                // The last alternation key survives: X passes freely and locks nothing.
                {kSwitchOn, 0, {}, {}, kNothingLocked},
                {kPress, kX, {"down 58 pass"}, {}, kNothingLocked},
                {kPress, kX, {"down 58 pass"}, {}, kNothingLocked},
                {kPress, kZ, {"up 58 pass", "down 5a pass"}, {"key 58 up 2d"}, kZLocked},
                {kPress, kF12, {"down 7b pass"}, {"unhook 70"}, kOff},
                {kPress, kZ, {}, {}, kOff}}},
        Script{"BothSlotsOnOneKey",
               kZ,
               kZ,
               {{kPress, kZ, {"up 5a pass", "down 5a pass"}, {"key 5a up 2c"}, kZLocked},
                {kPress, kZ, {"down 5a withhold"}, {}, kZLocked},
                {kPress, kX, {"down 58 pass"}, {}, kZLocked},
                {kPress, kZ, {"down 5a withhold"}, {}, kZLocked}}},
        Script{"NoZKey",
               0,
               kX,
               {{kPress, kZ, {"down 5a pass"}, {}, kNothingLocked},
                {kPress, kX, {"up 0 pass", "down 58 pass"}, {"key 0 up 0"}, kXLocked},
                {kPress, kZ, {"down 5a pass"}, {}, kXLocked},
                {kPress, kX, {"down 58 withhold"}, {}, kXLocked}}}),
    [](const ::testing::TestParamInfo<Script>& param) { return std::string(param.param.name); });
// clang-format on

// F12 switches off on the input thread; the page learns it by a posted
// message, and shows the lock as it is then.
TEST_F(AlternationLockTest, F12SwitchesOffAndThePageShowsItOnceThePostedMessageArrives) {
  std::vector<bool> switches;  // as the input thread is told of them
  keys().when_switched([&](bool on) { switches.push_back(on); });
  on();
  system.press(kZ);
  system.calls.clear();
  system.press(kF12);
  EXPECT_EQ(system.calls, (Strings{"unhook 70"}));
  expect_buttons_on();
  EXPECT_EQ(ui.run_posted(), 1);
  expect_buttons_off();
  // Switched on again before the message arrives: the page stays on.
  lock.switch_lock_on();
  system.press(kF12);
  lock.switch_lock_on();
  ui.run_posted();
  expect_buttons_on();
  EXPECT_EQ(switches, (std::vector<bool>{true, false, true, false, true}));
}

TEST_F(AlternationLockTest, ANewZKeyWhileZIsLockedTakesOverTheSlot) {
  on();
  system.press(kZ);
  lock.set_trigger_keys(kC, kX);       // saved while Z is locked
  EXPECT_EQ(keys().locked_key(), kZ);  // the old key stays locked
  system.calls.clear();
  system.press(kC);
  EXPECT_EQ(system.calls, (Strings{"key 58 up 2d"}));
  EXPECT_EQ(keys().locked_key(), kC);
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
  EXPECT_EQ(system.calls, (Strings{"key 43 up 2e"}));
  EXPECT_EQ(keys().locked_key(), kX);
  system.program_keys.clear();
  system.press(kZ);
  EXPECT_EQ(system.program_keys, (Strings{"down 5a"}));
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

// Windows may remove the hook without a word, and then nothing is withheld.
// Raw input still sees the presses of other programs: a trigger key's press
// that the hook missed, with the hook silent since, brings the hook back
// with nothing locked, or switches the lock off for good.
TEST_F(AlternationLockTest, AHookThatStopsBeingCalledIsNoticedAndReplaced) {
  std::vector<bool> switches;
  keys().when_switched([&](bool on) { switches.push_back(on); });
  on();
  system.press(kZ);
  system.drop_hook();
  system.press(0x41);  // other keys are no cause to look
  EXPECT_TRUE(thread.timers.empty());
  system.press(kZ);  // no longer withheld
  ASSERT_EQ(thread.timers.size(), 1u);
  EXPECT_EQ(thread.timers[0].first, input::HookWatch::kPatienceMs);
  system.calls.clear();
  thread.run_timers();
  EXPECT_EQ(system.calls, (Strings{"unhook 70", "hook"}));
  EXPECT_EQ(keys().state(), LockState::kNothingLocked);
  // The new hook locks as before.
  system.press(kX);
  system.press(kX);
  EXPECT_EQ(keys().locked_key(), kX);
  EXPECT_TRUE(thread.timers.empty());

  system.drop_hook();
  system.next_hook = 0;
  system.press(kZ);
  thread.run_timers();
  EXPECT_FALSE(keys().on());
  EXPECT_EQ(switches, (std::vector<bool>{true, false}));
  expect_buttons_on();
  ui.run_posted();
  expect_buttons_off();
}

// Presses the hook is not called for while it is alive: Windows may not
// call it for keys that go to our own window, and raw input says so; or it
// misses one now and then. Neither replaces the hook, nor makes a later
// press of the same key look missed.
TEST_F(AlternationLockTest, PressesTheLiveHookWasNotCalledForLeaveItAlone) {
  on();
  system.tapvero_in_front = true;
  for (int i = 0; i < 3; ++i) system.press(kZ);
  EXPECT_TRUE(thread.timers.empty());
  system.tapvero_in_front = false;
  system.hook_misses = 1;
  system.press(kX);
  EXPECT_EQ(thread.timers.size(), 1u);
  system.press(0x41);  // the hook is alive
  system.calls.clear();
  thread.run_timers();
  EXPECT_TRUE(system.calls.empty());
  for (const std::int32_t key : {kX, kZ, kX}) system.press(key);
  EXPECT_TRUE(thread.timers.empty());
  EXPECT_EQ(keys().locked_key(), kX);
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
    rig.thread.run([&] { EXPECT_EQ(rig.keys().locked_key(), 0); });
  }
}

}  // namespace
}  // namespace tapvero::alternation_lock
