// How late the precise wait ends and what it costs the waiting thread, for
// 1000 ms waits: with no message arriving, with messages arriving every few
// milliseconds from another thread, and without a timer (the fallback).
// Prints figures; it checks nothing. Run it under Wine with
//   tools/wine-run.sh build/windows/bench/precise_wait_bench.exe [waits]
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "kit/kit_win.h"
#include "positioning_test/window_services_win.h"
#include "support/message_poster_win.h"
#include "text/number_text.h"

namespace {

using tapvero::positioning_test::TimerMaker;
using tapvero::positioning_test::UniqueHandle;
using tapvero::positioning_test::Win32WindowServices;
using tapvero::test::MessagePoster;
using tapvero::text::fixed_text;
using tapvero::text::int_text;
using tapvero::base::precise_now_ms;
using tapvero::kit::Summary;
using tapvero::kit::thread_cpu_ms;

constexpr std::int32_t kWaitMs = 1000;
constexpr UINT kPing = WM_APP + 1;

void run(const std::string& name, int waits, DWORD message_period_ms, const TimerMaker& make_timer) {
  long long handled = 0;
  Win32WindowServices services(
      [&handled] {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE) && m.message != WM_QUIT) {
          PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);
          ++handled;
          DispatchMessageW(&m);
        }
      },
      make_timer);
  std::unique_ptr<MessagePoster> poster;
  if (message_period_ms) poster = std::make_unique<MessagePoster>(GetCurrentThreadId(), kPing, message_period_ms);

  std::vector<double> late;
  const double cpu_before = thread_cpu_ms();
  for (int i = 0; i < waits; ++i) {
    const double started = precise_now_ms();
    services.precise_wait(kWaitMs);
    late.push_back(precise_now_ms() - started - kWaitMs);
  }
  const double cpu = thread_cpu_ms() - cpu_before;
  poster.reset();

  const Summary s(late);
  std::cout << name << ": " << int_text(waits) << " waits of " << int_text(kWaitMs) << " ms, ended late by min "
            << fixed_text(s.min(), 2) << " / mean " << fixed_text(s.mean(), 2) << " / max " << fixed_text(s.max(), 2)
            << " ms; " << int_text(handled)
            << " messages handled; waiting thread's CPU " << fixed_text(cpu, 1) << " ms ("
            << fixed_text(cpu / (waits * kWaitMs) * 100, 2) << " % of the time waited)\n";
}

}  // namespace

int main(int argc, char** argv) {
  const int waits = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  MSG m;
  PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);  // this thread's message queue
  const TimerMaker no_timer = [](LONGLONG) { return UniqueHandle(); };
  run("waitable timer, no messages", waits, 0, tapvero::positioning_test::make_waitable_timer);
  run("waitable timer, a message every 5 ms", waits, 5, tapvero::positioning_test::make_waitable_timer);
  run("waitable timer, a message every 1 ms", waits, 1, tapvero::positioning_test::make_waitable_timer);
  run("no timer (plain wait), no messages", waits, 0, no_timer);
  run("no timer (plain wait), a message every 5 ms", waits, 5, no_timer);
  return 0;
}
