#include "base/clock_win.h"

namespace tapvero::base {
namespace {

LONGLONG counter_frequency() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return frequency;
}

LONGLONG counter_now() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

double precise_now_ms() {
  return static_cast<double>(counter_now()) * 1000.0 / static_cast<double>(counter_frequency());
}

Tick tick_ms_of(LONGLONG counter) {
  const LONGLONG f = counter_frequency();
  const long long ms = (counter / f) * 1000 + (counter % f) * 1000 / f;
  return Tick(static_cast<std::uint32_t>(ms));
}

Tick SystemClock::tick_ms() { return tick_ms_of(counter_now()); }

LocalTime SystemClock::local_time() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace tapvero::base
