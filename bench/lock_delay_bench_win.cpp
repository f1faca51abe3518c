// What the alternation lock does to the key-downs a game sees, and the
// delay it adds to them. A window of the bench's own, on a thread of its own
// and in the foreground, stands in for the game and reads the keyboard both
// ways a game does: window messages (WM_KEYDOWN) and raw input (WM_INPUT,
// registered for the keyboard as a game in front registers). It reads the
// performance counter at each key-down. A sender thread presses Z and X
// (down and up) with SendInput at a steady interval, reading the counter
// just before each call; delay = receipt - that reading. Each press carries
// a mark of its own as its extra information, which the event keeps on
// both paths as long as it is the player's own; a key-down without it was
// made by another program (the lock) and is put down to the last press of
// its key sent before it came. Per path, the bench counts the key-downs
// per accepted press (one, as the player made it), those of locked presses
// (none, where the lock reaches), and those without a scan code. Cases, in
// one run:
//   a. no hook: Tapvero not running;
//   b. Tapvero running with the lock switched on (its button clicked),
//      otherwise idle; then the alternation check, Z Z X X ..., in which
//      every second press is locked;
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
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "driver_win.h"
#include "form/main_form.h"
#include "stand_in_window_win.h"
#include "text/number_text.h"

namespace {

using namespace tapvero;
using text::fixed_text;
using text::int_text;

constexpr int kIntervalMs = 25;
constexpr int kHoldMs = 500;
constexpr WORD kSentinel = 'Q';  // a key the lock leaves alone, pressed after each case
// A press's extra information: this in the high byte, the press's number
// in the rest (raw input keeps 32 bits of it).
constexpr ULONG_PTR kMark = 0x7B000000;
constexpr ULONG_PTR kMarkMask = 0xFF000000;

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h) CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct LibraryFreer {
  void operator()(HMODULE m) const { FreeLibrary(m); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

struct Unhooker {
  void operator()(HHOOK h) const { UnhookWindowsHookEx(h); }
};
using Hook = std::unique_ptr<std::remove_pointer_t<HHOOK>, Unhooker>;

LONGLONG counter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double counter_ms(LONGLONG c) {
  static const double per_ms = [] {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  return static_cast<double>(c) / per_ms;
}

double now_ms() { return counter_ms(counter()); }

// ---- the receiver: the game's stand-in

// A key-down the receiver got, by either path.
struct Receipt {
  WORD vk;
  bool raw;        // WM_INPUT; else WM_KEYDOWN
  bool scan_code;  // a nonzero one
  ULONG_PTR mark;  // the event's extra information
  LONGLONG at;
};

// Written by the receiver's thread only, read by the others up to `count`.
struct ReceiptLog {
  static constexpr int kCapacity = 1 << 14;
  Receipt items[kCapacity];
  std::atomic<int> count{0};

  void add(const Receipt& r) {
    const int n = count.load(std::memory_order_relaxed);
    if (n == kCapacity) return;
    items[n] = r;
    count.store(n + 1, std::memory_order_release);
  }
};

// The receiver's key-downs by either path, at the counter's reading as
// its window procedure began.
bool receive(void* context, UINT msg, WPARAM wp, LPARAM lp, LONGLONG at) {
  auto& log = *static_cast<ReceiptLog*>(context);
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      log.add(
          {static_cast<WORD>(wp), false, ((lp >> 16) & 0xFF) != 0, static_cast<ULONG_PTR>(GetMessageExtraInfo()), at});
      return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return true;
    case WM_INPUT: {
      RAWINPUT raw{};
      UINT size = sizeof raw;
      if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lp), RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) !=
              static_cast<UINT>(-1) &&
          raw.header.dwType == RIM_TYPEKEYBOARD && !(raw.data.keyboard.Flags & RI_KEY_BREAK))
        log.add(
            {raw.data.keyboard.VKey, true, raw.data.keyboard.MakeCode != 0, raw.data.keyboard.ExtraInformation, at});
      return false;  // on to DefWindowProcW, which frees the input
    }
    default:
      return false;
  }
}

// The receiver's window, reading the keyboard, and what it got.
class Receiver {
 public:
  // Below where Tapvero's window opens, beside the UI tests' game.
  Receiver()
      : window_({L"TapveroLockDelayReceiver",
                 L"Lock delay receiver",
                 {360, 580},
                 {320, 180},
                 {6},
                 true,
                 receive,
                 log_.get()}) {}

  bench::StandInWindow& window() { return window_; }
  ReceiptLog& log() { return *log_; }

 private:
  std::unique_ptr<ReceiptLog> log_ = std::make_unique<ReceiptLog>();
  bench::StandInWindow window_;
};

// ---- the sender

void press(WORD vk, ULONG_PTR mark) {
  INPUT in[2] = {uitest::key_input(vk, false), uitest::key_input(vk, true)};
  in[0].ki.dwExtraInfo = in[1].ki.dwExtraInfo = mark;
  SendInput(2, in, sizeof(INPUT));
}

struct Press {
  WORD vk;
  double due_ms;
  LONGLONG sent = 0;   // the counter just before SendInput
  double call_ms = 0;  // how long SendInput took
};

DWORD WINAPI sender_main(void* param) {
  auto& presses = *static_cast<std::vector<Press>*>(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  for (std::size_t i = 0; i < presses.size(); ++i) {
    Press& p = presses[i];
    uitest::wait_until_ms(p.due_ms);
    p.sent = counter();
    press(p.vk, kMark | i);
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
    uitest::wait_until_ms(start);
    const double from = now_ms();
    if (holder.how == Hold::kSuspend) {
      if (SuspendThread(holder.thread) == static_cast<DWORD>(-1)) {
        ++holder.failures;
        continue;
      }
      uitest::wait_until_ms(from + kHoldMs);
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

// What one path of the receiver got in a case.
struct PathFigures {
  int accepted = 0;  // presses the lock lets through
  int locked = 0;    // presses it withholds
  int accepted_downs = 0;
  int not_once = 0;  // accepted presses with no key-down or more than one
  int locked_downs = 0;
  int without_scan_code = 0;
  int unmarked = 0;  // not carrying a press's mark: made by another program
  int stray = 0;     // before any press of its key
  bool sentinel = false;
  std::vector<double> from_send;  // per accepted press, its first key-down, ms
  std::vector<double> from_due;
};

struct Outcome {
  std::array<PathFigures, 2> paths;  // messages, raw input
  double longest_call_ms = 0;
};

// The press a key-down belongs to: the one whose mark it carries, or else
// the last press of its key sent before it came.
std::optional<std::size_t> press_of(const Receipt& got, const std::vector<Press>& presses) {
  const ULONG_PTR number = got.mark & ~kMarkMask;
  if ((got.mark & kMarkMask) == kMark && number < presses.size() && presses[number].vk == got.vk) return number;
  std::optional<std::size_t> last;
  for (std::size_t i = 0; i < presses.size() && presses[i].sent <= got.at; ++i)
    if (presses[i].vk == got.vk) last = i;
  return last;
}

// Presses `keys` in turn every kIntervalMs while `holder` holds, then the
// sentinel, and puts each key-down of Z and X the receiver got on either
// path down to its press. `last` is the lock's last trigger key (0 without
// the lock, or before its first), carried from case to case.
Outcome run_case(Receiver& receiver, const std::vector<WORD>& keys, bool lock_on, WORD& last, Holder& holder) {
  std::vector<Press> presses;
  const double first = now_ms() + 300;
  for (std::size_t i = 0; i < keys.size(); ++i)
    presses.push_back({keys[i], first + static_cast<double>(i) * kIntervalMs});
  for (double& s : holder.starts_ms) s += first;
  ReceiptLog& log = receiver.log();
  const int from = log.count.load(std::memory_order_acquire);
  {
    Handle hold{holder.how == Hold::kNone ? nullptr : CreateThread(nullptr, 0, holder_main, &holder, 0, nullptr)};
    Handle send{CreateThread(nullptr, 0, sender_main, &presses, 0, nullptr)};
    WaitForSingleObject(send.get(), INFINITE);
    if (hold) WaitForSingleObject(hold.get(), INFINITE);
  }
  press(kSentinel, 0);

  Outcome out;
  const int paths = receiver.window().reads_raw_input() ? 2 : 1;
  int to = from;
  uitest::wait_until([&] {
    const int n = log.count.load(std::memory_order_acquire);
    for (; to < n; ++to)
      if (log.items[to].vk == kSentinel) out.paths[log.items[to].raw].sentinel = true;
    return out.paths[0].sentinel && (paths == 1 || out.paths[1].sentinel);
  });

  std::vector<bool> accepted;
  for (const Press& p : presses) {
    const bool through = !lock_on || p.vk != last;
    if (lock_on && through) last = p.vk;
    accepted.push_back(through);
    out.longest_call_ms = std::max(out.longest_call_ms, p.call_ms);
  }
  for (PathFigures& f : out.paths) {
    f.accepted = static_cast<int>(std::count(accepted.begin(), accepted.end(), true));
    f.locked = static_cast<int>(accepted.size()) - f.accepted;
  }
  std::vector<std::array<int, 2>> downs(presses.size());  // per press, per path
  for (int r = from; r < to; ++r) {
    const Receipt& got = log.items[r];
    if (got.vk != 'Z' && got.vk != 'X') continue;
    PathFigures& f = out.paths[got.raw];
    f.without_scan_code += !got.scan_code;
    f.unmarked += (got.mark & kMarkMask) != kMark;
    const std::optional<std::size_t> p = press_of(got, presses);
    if (!p) {
      ++f.stray;
      continue;
    }
    if (!accepted[*p]) {
      ++f.locked_downs;
      continue;
    }
    ++f.accepted_downs;
    if (downs[*p][got.raw]++ == 0) {
      f.from_send.push_back(counter_ms(got.at - presses[*p].sent));
      f.from_due.push_back(counter_ms(got.at) - presses[*p].due_ms);
    }
  }
  for (std::size_t p = 0; p < presses.size(); ++p)
    for (int path = 0; path < 2; ++path) out.paths[path].not_once += accepted[p] && downs[p][path] != 1;
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

constexpr std::size_t kCaseWidth = 44;

void print_header() {
  std::cout
      << "What a game window gets from SendInput presses of Z and X every " << int_text(kIntervalMs)
      << " ms, by the two paths a game reads:\n"
      << "messages (WM_KEYDOWN) and raw input (WM_INPUT key-downs; registered for the keyboard, in front).\n"
      << "presses: accepted/locked, those the lock lets through and those it withholds. key-downs: per accepted\n"
      << "press; \"not 1\": accepted presses that did not get exactly one; of locked presses; without a scan code;\n"
      << "\"by other\": made by another program (without the press's own mark). Delay, ms, of each accepted\n"
      << "press's first key-down: \"sent\" from the counter just before SendInput, \"due\" from the press's own\n"
      << "time, which also counts a SendInput held up by the hook; \"call\": the longest a SendInput call took.\n"
      << pad("", kCaseWidth, false) << pad("", 10, false) << pad("presses", 9) << "  "
      << pad("--------------- key-downs ---------------", 42) << "  " << pad("--------- from sent ---------", 31)
      << "  " << pad("----- from due -----", 23) << pad("call", 8) << "\n"
      << pad("case", kCaseWidth, false) << pad("path", 10, false) << pad("acc/lck", 9) << "  " << pad("per acc", 8)
      << pad("not 1", 8) << pad("locked", 8) << pad("no scan", 9) << pad("by other", 9) << "  " << pad("median", 8)
      << pad("p99", 8) << pad("max", 8) << pad(">10 ms", 7) << "  " << pad("p99", 8) << pad("max", 8)
      << pad(">10 ms", 7) << pad("max", 8) << "\n";
}

void print_path(const std::string& label, const std::string& path, const PathFigures& f, double longest_call_ms) {
  std::cout << pad(label, kCaseWidth, false) << pad(path, 10, false)
            << pad(int_text(f.accepted) + "/" + int_text(f.locked), 9) << "  "
            << pad(f.accepted ? fixed_text(static_cast<double>(f.accepted_downs) / f.accepted, 2) : "-", 8)
            << pad(int_text(f.not_once), 8) << pad(int_text(f.locked_downs), 8) << pad(int_text(f.without_scan_code), 9)
            << pad(int_text(f.unmarked), 9) << "  ";
  if (f.from_send.empty()) {
    std::cout << "no key-down of an accepted press";
  } else {
    const double max_send = *std::max_element(f.from_send.begin(), f.from_send.end());
    const double max_due = *std::max_element(f.from_due.begin(), f.from_due.end());
    std::cout << pad(fixed_text(quantile(f.from_send, 0.5), 2), 8) << pad(fixed_text(quantile(f.from_send, 0.99), 2), 8)
              << pad(fixed_text(max_send, 2), 8) << pad(int_text(over(f.from_send, 10)), 7) << "  "
              << pad(fixed_text(quantile(f.from_due, 0.99), 2), 8) << pad(fixed_text(max_due, 2), 8)
              << pad(int_text(over(f.from_due, 10)), 7) << pad(fixed_text(longest_call_ms, 2), 8);
  }
  if (!f.sentinel) std::cout << "  (the closing key never came: late key-downs may be missing)";
  if (f.stray) std::cout << "  (" << int_text(f.stray) << " before any press of their key)";
  std::cout << "\n";
}

void print_outcome(const std::string& label, const Outcome& o, bool raw_input) {
  print_path(label, "messages", o.paths[0], o.longest_call_ms);
  if (raw_input) print_path("", "raw input", o.paths[1], o.longest_call_ms);
  // A row as soon as its case is done: under Wine, runs that left all their
  // output to the end have been seen to print nothing.
  std::cout.flush();
}

std::vector<WORD> alternating(int presses) {
  std::vector<WORD> keys;
  for (int i = 0; i < presses; ++i) keys.push_back(i % 2 ? 'X' : 'Z');
  return keys;
}

std::vector<WORD> in_pairs(int presses) {
  std::vector<WORD> keys;
  for (int i = 0; i < presses; ++i) keys.push_back(i % 4 < 2 ? 'Z' : 'X');
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

// ---- the cases

struct Session {
  Receiver& receiver;
  HWND tapvero = nullptr;  // none while Tapvero is not running
  WORD last = 0;           // the lock's last trigger key
  std::vector<std::string> notes;
};

// One case with the receiver in front, and its rows.
void measure(Session& s, const std::string& label, const std::vector<WORD>& keys, Holder& holder) {
  bench::StandInWindow& window = s.receiver.window();
  if (!window.bring_to_front(s.tapvero)) s.notes.push_back(label + ": the receiver could not be brought to the front");
  const Outcome o = run_case(s.receiver, keys, s.tapvero != nullptr, s.last, holder);
  if (!window.in_front()) s.notes.push_back(label + ": the receiver lost the front during the run");
  print_outcome(label, o, window.reads_raw_input());
}

// Holds 1 s into the run and every 2 s after, off the presses' beat.
std::vector<double> hold_starts() { return {1007, 3007, 5007, 7007}; }

void measure_without_hook(Session& s) {
  Holder none;
  measure(s, "a. no hook (Tapvero not running)", alternating(300), none);
}

bool switch_lock_on(uitest::Tapvero& program) {
  if (!program.window()) {
    std::cout << "lock_delay_bench: the program did not start: " << program.start_error() << std::endl;
    return false;
  }
  program.select_page(form::kLockPage);
  uitest::wait_until([&] { return program.visible(form::按钮_开启自动锁定); });
  program.click(form::按钮_开启自动锁定);
  if (!uitest::wait_until([&] { return program.enabled(form::按钮_关闭自动锁定); })) {
    std::cout << "lock_delay_bench: the lock did not switch on" << std::endl;
    return false;
  }
  return true;
}

void measure_lock_idle(Session& s) {
  Holder none;
  measure(s, "b. lock on, Tapvero idle", alternating(300), none);
  measure(s, "b. alternation check: Z Z X X ... (200)", in_pairs(200), none);
}

void measure_gui_suspended(Session& s) {
  const Handle gui_thread{OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(s.tapvero, nullptr))};
  if (!gui_thread) {
    s.notes.push_back("c, suspended: OpenThread failed: error " + int_text(GetLastError()));
    return;
  }
  Holder suspend;
  suspend.how = Hold::kSuspend;
  suspend.thread = gui_thread.get();
  suspend.starts_ms = hold_starts();
  measure(s, "c. lock on, GUI thread suspended 0.5 s x 4", alternating(400), suspend);
  s.notes.push_back("c, suspended: " + hold_note(suspend));
}

void measure_gui_busy(Session& s) {
  const Handle started{CreateEventW(nullptr, TRUE, FALSE, L"TapveroBenchHoldStarted")};
  const Library dll{LoadLibraryW(uitest::beside_this_program(L"gui_hold_hook.dll").c_str())};
  auto* procedure =
      dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll.get(), "hold_hook"))) : nullptr;
  const Hook hook{
      procedure ? SetWindowsHookExW(WH_GETMESSAGE, procedure, dll.get(), GetWindowThreadProcessId(s.tapvero, nullptr))
                : nullptr};
  if (!started || !hook) {
    s.notes.push_back("c, busy: the message hook could not be set: error " + int_text(GetLastError()));
    return;
  }
  Holder busy;
  busy.how = Hold::kBusy;
  busy.window = s.tapvero;
  busy.message = RegisterWindowMessageW(L"TapveroBenchHoldGuiThread");
  busy.started = started.get();
  busy.starts_ms = hold_starts();
  measure(s, "c. lock on, GUI thread busy 0.5 s x 4", alternating(400), busy);
  s.notes.push_back("c, busy (spinning in a message's handling): " + hold_note(busy));
}

}  // namespace

int main() {
  Receiver receiver;
  if (!receiver.window().window()) {
    std::cout << "lock_delay_bench: the receiver window did not open" << std::endl;
    return 1;
  }
  Session session{receiver};
  if (!receiver.window().reads_raw_input())
    session.notes.push_back("raw input could not be registered: error " +
                            int_text(receiver.window().raw_input_error()));
  print_header();
  measure_without_hook(session);
  uitest::Tapvero program;
  if (!switch_lock_on(program)) return 1;
  session.tapvero = program.window();
  measure_lock_idle(session);
  measure_gui_suspended(session);
  measure_gui_busy(session);
  for (const std::string& note : session.notes) std::cout << "  " << note << "\n";
  std::cout.flush();
  return 0;
}
