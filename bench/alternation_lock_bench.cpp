// The alternation lock's key step runs while Windows holds the keystroke,
// and Windows drops a hook that keeps it too long: its cost must stay the
// same however long the lock has been on. One step after 10 alternations
// against one after 1,000,000.
#include <benchmark/benchmark.h>

#include "alternation_lock/key_lock.h"
#include "support/fake_keyboard.h"

namespace {

using namespace tapvero;

constexpr std::int32_t kZ = 0x5A;
constexpr std::int32_t kX = 0x58;

// A lock switched on and stepped `alternations` times.
struct Rig {
  explicit Rig(std::int64_t alternations) {
    lock.set_trigger_keys(kZ, kX);
    lock.start();
    for (; presses < alternations; ++presses) step();
  }
  void step() { lock.lock_key_step(presses % 2 == 0 ? kZ : kX, false); }

  input::FakeKeyboard system;
  input::InlineInputThread thread;
  alternation_lock::KeyLock lock{system, thread, [] {}};
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
}
// A thousand timed steps each, so that "after 10" stays near 10.
BENCHMARK(BM_LockKeyStepAfterAlternations)
    ->Arg(10)
    ->Arg(1'000'000)
    ->Iterations(1000)
    ->Repetitions(50)
    ->ReportAggregatesOnly(true);

}  // namespace
