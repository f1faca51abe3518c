// The precise wait and message processing on Windows, with messages posted
// to the waiting thread from another thread. The checks are on order and
// on which way the wait ends, with margins far wider than any timer's
// jitter; how closely a wait meets its due time is measured by
// precise_wait_bench.
#include <gtest/gtest.h>

#include "form/main_form.h"
#include "positioning_test/window_services_win.h"
#include "support/message_poster_win.h"
#include "widgets/window_win.h"

namespace tapvero::positioning_test {
namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kSlow = WM_APP + 2;

// Dispatches this thread's messages as the program's pump does, counting
// them; a kSlow message keeps its handler busy for `slow_ms`.
struct Pump {
  void operator()() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE) && m.message != WM_QUIT) {
      PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);
      ++handled;
      if (m.message == kSlow) Sleep(slow_ms);
      DispatchMessageW(&m);
    }
  }
  int handled = 0;
  DWORD slow_ms = 0;
};

class PreciseWait : public ::testing::Test {
 protected:
  void SetUp() override {
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue exists from here on
  }
  void TearDown() override { pump(); }

  Pump pump;
};

TEST_F(PreciseWait, EndsAtTheDueTimeSetWhenItBeganWhileMessagesKeepArriving) {
  Win32WindowServices services(std::ref(pump));
  // Messages go on arriving well past the due time: a wait that counted from
  // its last wake-up would last until they stop.
  test::MessagePoster poster(GetCurrentThreadId(), kPing, 5, 2500);
  const double started = base::precise_now_ms();
  services.precise_wait(1000);
  const double took = base::precise_now_ms() - started;
  EXPECT_GE(took, 990);
  EXPECT_LT(took, 2000);
  EXPECT_GT(pump.handled, 20);  // handled during the wait, not after it
}

TEST_F(PreciseWait, AHandlerRunningPastTheDueTimeEndsTheWaitAsItReturns) {
  Win32WindowServices services(std::ref(pump));
  pump.slow_ms = 1500;
  PostThreadMessageW(GetCurrentThreadId(), kSlow, 0, 0);
  const double started = base::precise_now_ms();
  services.precise_wait(1000);
  const double took = base::precise_now_ms() - started;
  EXPECT_EQ(pump.handled, 1);
  EXPECT_GE(took, 1490);
  EXPECT_LT(took, 2400);  // not another full second after the handler
}

TEST_F(PreciseWait, WithoutATimerItStillEndsAndHandlesMessages) {
  int timers_asked = 0;
  Win32WindowServices services(std::ref(pump), [&](LONGLONG due) {
    ++timers_asked;
    EXPECT_EQ(due, -3000000);
    return UniqueHandle();
  });
  test::MessagePoster poster(GetCurrentThreadId(), kPing, 5, 2500);
  const double started = base::precise_now_ms();
  services.precise_wait(300);
  EXPECT_GE(base::precise_now_ms() - started, 299);
  EXPECT_EQ(timers_asked, 1);
  EXPECT_GT(pump.handled, 5);
}

TEST_F(PreciseWait, TakesOneTimerAWaitDueInHundredNanosecondUnitsAndClosesIt) {
  std::vector<LONGLONG> dues;
  std::vector<HANDLE> timers;
  Win32WindowServices services(std::ref(pump), [&](LONGLONG due) {
    dues.push_back(due);
    UniqueHandle timer = make_waitable_timer(due);
    timers.push_back(timer.get());
    return timer;
  });
  services.precise_wait(0);
  services.precise_wait(-5);  // due in the past: at once
  const double started = base::precise_now_ms();
  services.precise_wait(1000);  // no input comes
  const double took = base::precise_now_ms() - started;
  EXPECT_GE(took, 990);
  EXPECT_LT(took, 2000);
  EXPECT_EQ(dues, (std::vector<LONGLONG>{0, 50000, -10000000}));
  DWORD flags = 0;
  for (HANDLE timer : timers) EXPECT_FALSE(GetHandleInformation(timer, &flags)) << "a timer left open";
}

// A main window that does nothing but exist.
struct QuietSink final : widgets::EventSink {
  void on_created() override {}
  bool on_close_requested() override { return true; }
  void on_clicked(widgets::ControlId, bool, base::Tick) override {}
  bool on_key_down(widgets::ControlId, int, int, base::Tick) override { return true; }
  bool on_button_up(widgets::ControlId, widgets::MouseButton, widgets::Point, int, base::Tick) override {
    return true;
  }
  bool on_mouse_move(widgets::ControlId, widgets::Point, int) override { return true; }
};

// The quit that the window's end posts stays queued for the message loop;
// one posted while the window lives means nothing.
TEST(ProcessPendingMessages, DispatchesWhatWaitsAndLeavesTheWindowsQuitQueued) {
  widgets::Win32Ui ui(GetModuleHandleW(nullptr), form::main_form());
  QuietSink sink;
  ASSERT_TRUE(ui.create(sink, SW_HIDE));
  Win32WindowServices services([&ui] { ui.process_pending_messages(); });
  services.process_pending_messages();  // nothing of ours waits: returns at once
  for (int i = 0; i < 3; ++i) PostThreadMessageW(GetCurrentThreadId(), kPing, 0, 0);
  PostQuitMessage(7);
  services.process_pending_messages();
  DestroyWindow(ui.main_window());
  services.process_pending_messages();
  services.process_pending_messages();
  MSG m{};
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 0u);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
}

// The maximize is posted: the window is maximized when its messages are
// next processed, not before the call returns.
TEST(BringToFrontMaximized, MaximizesTheWindowOnlyOnceItsMessagesAreProcessed) {
  widgets::Win32Ui ui(GetModuleHandleW(nullptr), form::main_form());
  QuietSink sink;
  ASSERT_TRUE(ui.create(sink, SW_SHOWNORMAL));
  Win32WindowServices services([&ui] { ui.process_pending_messages(); });
  services.process_pending_messages();
  services.bring_to_front_maximized(reinterpret_cast<std::uintptr_t>(ui.main_window()));
  EXPECT_FALSE(IsZoomed(ui.main_window()));
  services.process_pending_messages();
  EXPECT_TRUE(IsZoomed(ui.main_window()));
  DestroyWindow(ui.main_window());
  services.process_pending_messages();
  MSG m{};
  PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the window's end posts it
}

}  // namespace
}  // namespace tapvero::positioning_test
