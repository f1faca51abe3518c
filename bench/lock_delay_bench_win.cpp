// The delay that the alternation lock adds to every key-down a game sees.
// A window of the bench's own, on a thread of its own and in the
// foreground, stands in for the game: it reads the performance counter at
// each WM_KEYDOWN. A sender thread presses Z and X in turn (down and up)
// with SendInput at a steady interval, reading the counter just before each
// call; delay = receipt - that reading. With the lock on, the press of the
// other trigger key reaches the game as the press the lock synthesises, so
// Z X Z X ... gives one key-down per press. Cases, in one run:
//   a. no hook: Tapvero not running;
//   b. Tapvero running with the lock switched on (its button clicked),
//      otherwise idle; then the alternation check: Z Z X X ... must give
//      one key-down per accepted press, Z X ...;
//   c. the lock on while Tapvero's GUI thread is held for 0.5 s, several
//      times during the run, the presses going on throughout: once with
//      the thread suspended (SuspendThread), once with it busy, spinning
//      in the handling of a message (gui_hold_hook.dll, a message hook on
//      that thread).
// While Tapvero's hook cannot run, SendInput itself waits for it: a press
// due meanwhile is sent late. So the delay is also given from each press's
// due time, which is what a player pressing at those times would see.
// Prints figures; it checks nothing. Run it under Wine (scripts/bench.sh
// does) with TAPVERO_EXE naming the program and a display:
//   tools/wine-run.sh build/windows/bench/lock_delay_bench.exe
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "driver_win.h"
#include "form/main_form.h"
#include "text/number_text.h"

namespace {

using namespace tapvero;
using text::fixed_text;
using text::int_text;

constexpr int kIntervalMs = 25;
constexpr int kHoldMs = 500;
constexpr WORD kSentinel = 'Q';  // a key the lock leaves alone, pressed after each case

LONGLONG g_frequency = 1;

LONGLONG counter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double counter_ms(LONGLONG c) { return static_cast<double>(c) * 1000.0 / static_cast<double>(g_frequency); }

double now_ms() { return counter_ms(counter()); }

// Waits until the counter reads `until_ms`: sleeps while more than 4 ms
// remain, then spins.
void wait_until_ms(double until_ms) {
  for (;;) {
    const double left = until_ms - now_ms();
    if (left <= 0) return;
    if (left > 4) Sleep(1);
  }
}

// ---- the receiver: the game's stand-in

struct Receipt {
  WPARAM vk;
  LONGLONG at;
};
constexpr int kMaxReceipts = 1 << 14;
Receipt g_receipts[kMaxReceipts];
std::atomic<int> g_received{0};
std::atomic<int> g_clicks{0};

LRESULT CALLBACK receiver_procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const LONGLONG at = counter();
      const int n = g_received.load(std::memory_order_relaxed);
      if (n < kMaxReceipts) {
        g_receipts[n] = {wp, at};
        g_received.store(n + 1, std::memory_order_release);
      }
      return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return 0;
    case WM_LBUTTONDOWN:
      g_clicks.fetch_add(1);
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

struct ReceiverStart {
  HANDLE ready;
  HWND window = nullptr;
};

DWORD WINAPI receiver_main(void* param) {
  auto& start = *static_cast<ReceiverStart*>(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  WNDCLASSW wc{};
  wc.lpfnWndProc = receiver_procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"TapveroLockDelayReceiver";
  RegisterClassW(&wc);
  // Below where Tapvero's window opens, beside the UI tests' game.
  start.window = CreateWindowExW(0, wc.lpszClassName, L"Lock delay receiver", WS_OVERLAPPEDWINDOW, 360, 580, 320, 180,
                                 nullptr, nullptr, wc.hInstance, nullptr);
  if (start.window) {
    ShowWindow(start.window, SW_SHOW);
    UpdateWindow(start.window);
  }
  SetEvent(start.ready);
  if (!start.window) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

bool receiver_in_front(HWND receiver) {
  GUITHREADINFO info{sizeof info};
  return GetForegroundWindow() == receiver && GetGUIThreadInfo(GetWindowThreadProcessId(receiver, nullptr), &info) &&
         info.hwndFocus == receiver;
}

// The receiver in front and with the X display's focus, as the UI tests
// bring their game there: clicked, given the X focus, brought to the front
// from here if need be, once both programs have handled every notice.
bool focus_receiver(HWND receiver, HWND tapvero) {
  const std::string x_focus =
      "windowfocus --sync " +
      std::to_string(reinterpret_cast<std::uintptr_t>(GetPropW(receiver, L"__wine_x11_whole_window")));
  for (int attempt = 0; attempt < 5; ++attempt) {
    RECT r{};
    GetWindowRect(receiver, &r);
    const int clicks = g_clicks.load();
    uitest::click_screen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    uitest::wait_until([&] { return g_clicks.load() > clicks; }, 5000);
    uitest::run_xdotool(x_focus);
    uitest::settle({receiver, tapvero});
    if (receiver_in_front(receiver)) return true;
    SetForegroundWindow(receiver);
    uitest::settle({receiver, tapvero});
    if (receiver_in_front(receiver)) return true;
  }
  return false;
}

// ---- the sender

void press(WORD vk) {
  INPUT in[2] = {uitest::key_input(vk, false), uitest::key_input(vk, true)};
  SendInput(2, in, sizeof(INPUT));
}

struct Press {
  WORD vk;
  double due_ms;
  LONGLONG sent = 0;   // the counter just before SendInput
  double call_ms = 0;  // how long SendInput took
};

struct Sender {
  std::vector<Press> presses;
};

DWORD WINAPI sender_main(void* param) {
  auto& sender = *static_cast<Sender*>(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  for (Press& p : sender.presses) {
    wait_until_ms(p.due_ms);
    p.sent = counter();
    press(p.vk);
    p.call_ms = now_ms() - counter_ms(p.sent);
  }
  return 0;
}

// ---- holding Tapvero's GUI thread

enum class Hold { kNone, kSuspend, kBusy };

struct Holder {
  Hold how = Hold::kNone;
  HANDLE thread = nullptr;   // Tapvero's GUI thread, for kSuspend
  HWND window = nullptr;     // Tapvero's main window, for kBusy
  UINT message = 0;          // the hook's hold message, for kBusy
  HANDLE started = nullptr;  // set by the hook as a hold starts, for kBusy
  std::vector<double> starts_ms;
  std::vector<double> lengths_ms;  // how long each hold held, as seen from here
  int failures = 0;
};

DWORD WINAPI holder_main(void* param) {
  auto& holder = *static_cast<Holder*>(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  for (double start : holder.starts_ms) {
    wait_until_ms(start);
    const double from = now_ms();
    if (holder.how == Hold::kSuspend) {
      if (SuspendThread(holder.thread) == static_cast<DWORD>(-1)) {
        ++holder.failures;
        continue;
      }
      wait_until_ms(from + kHoldMs);
      ResumeThread(holder.thread);
      holder.lengths_ms.push_back(now_ms() - from);
    } else {
      // Once the hold has started, the thread answers a sent message when it
      // is done with it.
      ResetEvent(holder.started);
      PostMessageW(holder.window, holder.message, kHoldMs, 0);
      if (WaitForSingleObject(holder.started, 5000) != WAIT_OBJECT_0 ||
          !SendMessageTimeoutW(holder.window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr)) {
        ++holder.failures;
        continue;
      }
      holder.lengths_ms.push_back(now_ms() - from);
    }
  }
  return 0;
}

// ---- one case

struct Outcome {
  int received = 0;  // key-downs of Z and X
  int expected = 0;
  bool sentinel = false;
  std::vector<double> from_send;  // per matched key-down, ms
  std::vector<double> from_due;
  double longest_call_ms = 0;
};

// Presses `keys` in turn every kIntervalMs while `holder` holds, then the
// sentinel, and matches each key-down the receiver got to its press: the
// next press of the same key that the lock lets through. `last` is the
// lock's last trigger key (0 without the lock), carried from case to case.
Outcome run_case(const std::vector<WORD>& keys, bool lock_on, WORD& last, Holder& holder) {
  Sender sender;
  const double first = now_ms() + 300;
  for (std::size_t i = 0; i < keys.size(); ++i)
    sender.presses.push_back({keys[i], first + static_cast<double>(i) * kIntervalMs});
  for (double& s : holder.starts_ms) s += first;
  const int from = g_received.load(std::memory_order_acquire);
  HANDLE hold = holder.how == Hold::kNone ? nullptr : CreateThread(nullptr, 0, holder_main, &holder, 0, nullptr);
  HANDLE send = CreateThread(nullptr, 0, sender_main, &sender, 0, nullptr);
  WaitForSingleObject(send, INFINITE);
  CloseHandle(send);
  if (hold) {
    WaitForSingleObject(hold, INFINITE);
    CloseHandle(hold);
  }
  press(kSentinel);

  Outcome out;
  int to = from;
  out.sentinel = tapvero::uitest::wait_until([&] {
    const int n = g_received.load(std::memory_order_acquire);
    for (; to < n; ++to)
      if (g_receipts[to].vk == kSentinel) return true;
    return false;
  });
  std::vector<bool> accepted;
  for (const Press& p : sender.presses) {
    const bool through = !lock_on || p.vk != last;
    if (lock_on && through) last = p.vk;
    accepted.push_back(through);
    out.expected += through;
    out.longest_call_ms = std::max(out.longest_call_ms, p.call_ms);
  }
  std::size_t p = 0;
  for (int r = from; r < to; ++r) {
    const Receipt& got = g_receipts[r];
    if (got.vk != 'Z' && got.vk != 'X') continue;
    ++out.received;
    while (p < sender.presses.size() && (!accepted[p] || sender.presses[p].vk != got.vk)) ++p;
    if (p == sender.presses.size()) continue;  // one more than pressed
    out.from_send.push_back(counter_ms(got.at - sender.presses[p].sent));
    out.from_due.push_back(counter_ms(got.at) - sender.presses[p].due_ms);
    ++p;
  }
  return out;
}

// ---- the table

std::string pad(const std::string& s, std::size_t width, bool right = true) {
  if (s.size() >= width) return s;
  const std::string blanks(width - s.size(), ' ');
  return right ? blanks + s : s + blanks;
}

// The value at rank ceil(q * n), q in (0, 1].
double quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(v.size())));
  return v[std::max<std::size_t>(rank, 1) - 1];
}

int over(const std::vector<double>& v, double limit) {
  return static_cast<int>(std::count_if(v.begin(), v.end(), [&](double d) { return d > limit; }));
}

void print_header() {
  std::cout << "Key-down delay a game window sees, ms: SendInput presses of Z and X in turn every "
            << int_text(kIntervalMs) << " ms -> the game's WM_KEYDOWN\n"
            << "(\"sent\": from the counter just before SendInput; \"due\": from the press's own time, which also\n"
            << " counts a SendInput held up by the hook; \"call\": the longest a SendInput call took)\n"
            << pad("", 46, false) << pad("key-downs", 10) << "  " << pad("---------- from sent ----------", 38) << "  "
            << pad("-------- from due --------", 28) << pad("call", 9) << "\n"
            << pad("case", 46, false) << pad("got/exp", 10) << "  " << pad("median", 8) << pad("p99", 9)
            << pad("max", 9) << pad(">10 ms", 12) << "  " << pad("p99", 9) << pad("max", 9) << pad(">10 ms", 10)
            << pad("max", 9) << "\n";
}

void print_row(const std::string& label, const Outcome& o) {
  std::cout << pad(label, 46, false) << pad(int_text(o.received) + "/" + int_text(o.expected), 10) << "  ";
  if (!o.sentinel) std::cout << "(the closing key never arrived: late key-downs may be missing) ";
  if (o.from_send.empty()) {
    std::cout << "no key-down matched\n";
    return;
  }
  const double max_send = *std::max_element(o.from_send.begin(), o.from_send.end());
  const double max_due = *std::max_element(o.from_due.begin(), o.from_due.end());
  std::cout << pad(fixed_text(quantile(o.from_send, 0.5), 2), 8) << pad(fixed_text(quantile(o.from_send, 0.99), 2), 9)
            << pad(fixed_text(max_send, 2), 9) << pad(int_text(over(o.from_send, 10)), 12) << "  "
            << pad(fixed_text(quantile(o.from_due, 0.99), 2), 9) << pad(fixed_text(max_due, 2), 9)
            << pad(int_text(over(o.from_due, 10)), 10) << pad(fixed_text(o.longest_call_ms, 2), 9) << "\n";
}

std::vector<WORD> alternating(int presses) {
  std::vector<WORD> keys;
  for (int i = 0; i < presses; ++i) keys.push_back(i % 2 ? 'X' : 'Z');
  return keys;
}

std::string hold_note(const Holder& h) {
  std::string s = int_text(static_cast<std::int64_t>(h.lengths_ms.size())) + " holds";
  if (!h.lengths_ms.empty())
    s += " of " + fixed_text(*std::min_element(h.lengths_ms.begin(), h.lengths_ms.end()), 1) + "-" +
         fixed_text(*std::max_element(h.lengths_ms.begin(), h.lengths_ms.end()), 1) + " ms";
  if (h.failures) s += ", " + int_text(h.failures) + " failed";
  return s;
}

}  // namespace

int main() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  g_frequency = frequency.QuadPart;

  ReceiverStart start{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE receiver_thread = CreateThread(nullptr, 0, receiver_main, &start, 0, nullptr);
  WaitForSingleObject(start.ready, INFINITE);
  const HWND receiver = start.window;
  if (!receiver) {
    std::cout << "lock_delay_bench: the receiver window did not open\n";
    return 1;
  }
  std::vector<std::string> notes;
  auto in_front = [&](const std::string& label, HWND tapvero) {
    if (!focus_receiver(receiver, tapvero)) notes.push_back(label + ": the receiver could not be brought to the front");
  };
  auto kept_front = [&](const std::string& label) {
    if (!receiver_in_front(receiver)) notes.push_back(label + ": the receiver lost the front during the run");
  };

  print_header();
  // Holds 1 s into the run and every 2 s after, off the presses' beat.
  const std::vector<double> hold_starts{1007, 3007, 5007, 7007};
  WORD last = 0;
  {
    Holder none;
    in_front("a", nullptr);
    const Outcome a = run_case(alternating(300), false, last, none);
    kept_front("a");
    print_row("a. no hook (Tapvero not running)", a);
  }

  uitest::Tapvero program;
  if (!program.window()) {
    std::cout << "lock_delay_bench: the program did not start: " << program.start_error() << "\n";
    return 1;
  }
  program.select_page(form::kLockPage);
  uitest::wait_until([&] { return program.visible(form::按钮_开启自动锁定); });
  program.click(form::按钮_开启自动锁定);
  if (!uitest::wait_until([&] { return program.enabled(form::按钮_关闭自动锁定); })) {
    std::cout << "lock_delay_bench: the lock did not switch on\n";
    return 1;
  }
  const HWND tapvero = program.window();
  {
    Holder none;
    in_front("b", tapvero);
    const Outcome b = run_case(alternating(300), true, last, none);
    kept_front("b");
    print_row("b. lock on, Tapvero idle", b);
    std::vector<WORD> pairs;
    for (int i = 0; i < 200; ++i) pairs.push_back(i % 4 < 2 ? 'Z' : 'X');
    const Outcome check = run_case(pairs, true, last, none);
    kept_front("b, alternation check");
    print_row("b. alternation check: Z Z X X ... (200)", check);
  }

  const DWORD gui_thread = GetWindowThreadProcessId(tapvero, nullptr);
  {
    Holder suspend;
    suspend.how = Hold::kSuspend;
    suspend.thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, gui_thread);
    suspend.starts_ms = hold_starts;
    in_front("c, suspended", tapvero);
    if (!suspend.thread) {
      notes.push_back("c, suspended: OpenThread failed: error " + int_text(GetLastError()));
    } else {
      const Outcome c = run_case(alternating(400), true, last, suspend);
      kept_front("c, suspended");
      CloseHandle(suspend.thread);
      print_row("c. lock on, GUI thread suspended 0.5 s x 4", c);
      notes.push_back("c, suspended: " + hold_note(suspend));
    }
  }
  {
    Holder busy;
    busy.how = Hold::kBusy;
    busy.window = tapvero;
    busy.message = RegisterWindowMessageW(L"TapveroBenchHoldGuiThread");
    busy.starts_ms = hold_starts;
    busy.started = CreateEventW(nullptr, TRUE, FALSE, L"TapveroBenchHoldStarted");
    HMODULE dll = LoadLibraryW(uitest::beside_this_program(L"gui_hold_hook.dll").c_str());
    auto* procedure =
        dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "hold_hook"))) : nullptr;
    HHOOK hook = procedure ? SetWindowsHookExW(WH_GETMESSAGE, procedure, dll, gui_thread) : nullptr;
    in_front("c, busy", tapvero);
    if (!hook) {
      notes.push_back("c, busy: the message hook could not be set: error " + int_text(GetLastError()));
    } else {
      const Outcome c = run_case(alternating(400), true, last, busy);
      kept_front("c, busy");
      UnhookWindowsHookEx(hook);
      print_row("c. lock on, GUI thread busy 0.5 s x 4", c);
      notes.push_back("c, busy (spinning in a message's handling): " + hold_note(busy));
    }
  }
  for (const std::string& note : notes) std::cout << "  " << note << "\n";
  PostMessageW(receiver, WM_CLOSE, 0, 0);
  WaitForSingleObject(receiver_thread, 5000);
  return 0;
}
