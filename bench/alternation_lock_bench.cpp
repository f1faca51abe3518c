// The alternation lock's key step runs while Windows holds the keystroke,
// and Windows drops a hook that keeps it too long: its cost must stay the
// same however long the lock has been on. One step after 10 alternations
// against one after 1,000,000, and the hotkey table's size then.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>

#include "alternation_lock/alternation_lock.h"
#include "app/main_form.h"
#include "support/memory_ui.h"

namespace {

using namespace tapvero;

constexpr std::int32_t kZ = 0x5A;
constexpr std::int32_t kX = 0x58;

// Windows taking every call at no cost of its own; synthesised keys come
// back through the hook at once, as they do on Windows.
class QuietInputSystem final : public input::InputSystem {
 public:
  input::HookHandle set_keyboard_hook(input::KeyboardHook& hook) override {
    hook_ = &hook;
    return 1;
  }
  void unhook(input::HookHandle) override {}
  std::intptr_t call_next_hook(input::HookHandle, int, std::uintptr_t, std::intptr_t) override { return 0; }
  bool register_hotkey(input::WindowHandle, int, std::uint32_t, std::int32_t) override { return true; }
  void unregister_hotkey(input::WindowHandle, int) override {}
  input::WindowProcedure replace_window_procedure(input::WindowHandle, input::Hotkeys&) override { return 1; }
  std::intptr_t call_window_procedure(input::WindowProcedure, input::WindowHandle, std::uint32_t, std::uintptr_t,
                                      std::intptr_t) override {
    return 0;
  }
  input::WindowHandle own_window() override { return 1; }
  void message_box(input::WindowHandle, std::string_view, std::string_view, std::uint32_t) override {}
  void key_event(std::int32_t key_code, std::uint32_t flags) override {
    std::array<unsigned char, input::kKeyEventRecordSize> record{};
    const std::uint32_t code = static_cast<std::uint32_t>(key_code);
    const std::uint32_t injected = 0x10 | ((flags & input::kKeyEventKeyUp) ? 0x80 : 0);
    std::memcpy(record.data() + input::kKeyEventRecordKeyCode, &code, 4);
    std::memcpy(record.data() + input::kKeyEventRecordFlags, &injected, 4);
    hook_->hook_procedure(0, 0x100, reinterpret_cast<std::intptr_t>(record.data()));
  }

 private:
  input::KeyboardHook* hook_ = nullptr;
};

// A lock switched on and stepped `alternations` times.
struct Rig {
  explicit Rig(std::int64_t alternations) {
    lock.switch_lock_on();
    for (; presses < alternations; ++presses) step();
  }
  void step() { lock.lock_key_step(presses % 2 == 0 ? kZ : kX); }

  widgets::MemoryUi ui{app::main_form()};
  const app::SharedValues keys{kZ, kX, 20};
  QuietInputSystem system;
  input::KeyboardHook hook{system};
  input::Hotkeys hotkeys{system};
  alternation_lock::AlternationLock lock{ui, keys, system, hook, hotkeys};
  std::int64_t presses = 0;
};

void BM_LockKeyStepAfterAlternations(benchmark::State& state) {
  // The code warmed up on a lock of its own, so that only the state differs.
  { Rig warm_up(10'000); }
  Rig rig(state.range(0));
  for (auto _ : state) {
    rig.step();
    ++rig.presses;
  }
  state.counters["records"] = static_cast<double>(rig.hotkeys.record_count());
}
// A thousand timed steps each, so that "after 10" stays near 10.
BENCHMARK(BM_LockKeyStepAfterAlternations)
    ->Arg(10)
    ->Arg(1'000'000)
    ->Iterations(1000)
    ->Repetitions(50)
    ->ReportAggregatesOnly(true);

}  // namespace
