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
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "kit/game_window_win.h"
#include "kit/tapvero_driver_win.h"

namespace {

using namespace tapvero;
using namespace tapvero::kit;

constexpr int kIntervalMs = 25;
constexpr int kHoldMs = 500;
constexpr WORD kSentinel = 'Q';  // a key the lock leaves alone, pressed after each case
// A press's extra information: this in the high byte, the press's number
// in the rest (raw input keeps 32 bits of it).
constexpr ULONG_PTR kMark = 0x7B000000;
constexpr ULONG_PTR kMarkMask = 0xFF000000;

// The receiver, the game's stand-in: below where Tapvero's window opens,
// beside the UI tests' game, reading the keyboard's raw input while in
// front, on a thread of time-critical priority.
GameWindow::Options receiver_options() { return {L"Lock delay receiver", {360, 580}, {320, 180}, false, false, true}; }

std::vector<INPUT> tap(WORD vk, ULONG_PTR mark) { return {key_input(vk, false, mark), key_input(vk, true, mark)}; }

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
std::optional<std::size_t> press_of(const KeyEvent& got, const std::vector<Step>& presses,
                                    const std::vector<WORD>& keys) {
  const ULONG_PTR number = got.mark & ~kMarkMask;
  if ((got.mark & kMarkMask) == kMark && number < presses.size() && keys[number] == got.vk) return number;
  std::optional<std::size_t> last;
  for (std::size_t i = 0; i < presses.size() && presses[i].sent <= got.at; ++i)
    if (keys[i] == got.vk) last = i;
  return last;
}

// Presses `keys` in turn every kIntervalMs while `holder` holds, then the
// sentinel, and puts each key-down of Z and X the receiver got on either
// path down to its press. `last` is the lock's last trigger key (0 without
// the lock, or before its first), carried from case to case.
Outcome run_case(GameWindow& receiver, const std::vector<WORD>& keys, bool lock_on, WORD& last, Holder& holder) {
  std::vector<Step> presses;
  const double first = now_ms() + 300;
  for (std::size_t i = 0; i < keys.size(); ++i)
    presses.push_back({first + static_cast<double>(i) * kIntervalMs, tap(keys[i], kMark | i)});
  for (double& s : holder.starts_ms) s += first;
  const int from = receiver.size();
  {
    const UniqueHandle hold{holder.how == Hold::kNone ? nullptr
                                                      : CreateThread(nullptr, 0, holder_main, &holder, 0, nullptr)};
    send_paced(presses);
    if (hold) WaitForSingleObject(hold.get(), INFINITE);
  }
  std::vector<INPUT> sentinel = tap(kSentinel, 0);
  SendInput(2, sentinel.data(), sizeof(INPUT));

  Outcome out;
  const int paths = receiver.reads_raw_input() ? 2 : 1;
  int to = from;
  wait_until([&] {
    for (const int n = receiver.size(); to < n; ++to)
      if (receiver[to].vk == kSentinel && receiver[to].down) out.paths[receiver[to].kind].sentinel = true;
    return out.paths[0].sentinel && (paths == 1 || out.paths[1].sentinel);
  });

  std::vector<bool> accepted;
  for (std::size_t i = 0; i < presses.size(); ++i) {
    const bool through = !lock_on || keys[i] != last;
    if (lock_on && through) last = keys[i];
    accepted.push_back(through);
    out.longest_call_ms = std::max(out.longest_call_ms, counter_ms(presses[i].returned - presses[i].sent));
  }
  for (PathFigures& f : out.paths) {
    f.accepted = static_cast<int>(std::count(accepted.begin(), accepted.end(), true));
    f.locked = static_cast<int>(accepted.size()) - f.accepted;
  }
  std::vector<std::array<int, 2>> downs(presses.size());  // per press, per path
  for (int r = from; r < to; ++r) {
    const KeyEvent& got = receiver[r];
    if ((got.vk != 'Z' && got.vk != 'X') || !got.down || got.kind > KeyEvent::kRaw) continue;
    PathFigures& f = out.paths[got.kind];
    f.without_scan_code += got.scan == 0;
    f.unmarked += (got.mark & kMarkMask) != kMark;
    const std::optional<std::size_t> p = press_of(got, presses, keys);
    if (!p) {
      ++f.stray;
      continue;
    }
    if (!accepted[*p]) {
      ++f.locked_downs;
      continue;
    }
    ++f.accepted_downs;
    if (downs[*p][got.kind]++ == 0) {
      f.from_send.push_back(counter_ms(got.at - presses[*p].sent));
      f.from_due.push_back(counter_ms(got.at) - presses[*p].due_ms);
    }
  }
  for (std::size_t p = 0; p < presses.size(); ++p)
    for (int path = 0; path < 2; ++path) out.paths[path].not_once += accepted[p] && downs[p][path] != 1;
  return out;
}

// ---- the table

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
    const Summary send(f.from_send), due(f.from_due);
    std::cout << pad(fixed_text(send.quantile(0.5), 2), 8) << pad(fixed_text(send.quantile(0.99), 2), 8)
              << pad(fixed_text(send.max(), 2), 8) << pad(int_text(send.over(10)), 7) << "  "
              << pad(fixed_text(due.quantile(0.99), 2), 8) << pad(fixed_text(due.max(), 2), 8)
              << pad(int_text(due.over(10)), 7) << pad(fixed_text(longest_call_ms, 2), 8);
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
  if (const Summary lengths(h.lengths_ms); !lengths.empty())
    s += " of " + fixed_text(lengths.min(), 1) + "-" + fixed_text(lengths.max(), 1) + " ms";
  if (h.failures) s += ", " + int_text(h.failures) + " failed";
  return s;
}

// ---- the cases

struct Session {
  GameWindow& receiver;
  bool lock_on = false;
  HWND tapvero = nullptr;  // none while Tapvero is not running
  WORD last = 0;           // the lock's last trigger key
  std::vector<std::string> notes;
};

// One case with the receiver in front, and its rows.
void measure(Session& s, const std::string& label, const std::vector<WORD>& keys, Holder& holder) {
  GameWindow& window = s.receiver;
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

void measure_lock_idle(Session& s) {
  Holder none;
  measure(s, "b. lock on, Tapvero idle", alternating(300), none);
  measure(s, "b. alternation check: Z Z X X ... (200)", in_pairs(200), none);
}

void measure_gui_suspended(Session& s) {
  const UniqueHandle gui_thread{OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(s.tapvero, nullptr))};
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

// Tapvero's GUI thread kept busy by gui_hold_hook.dll, a message hook on
// that thread, while the hook is set.
struct BusyHold {
  explicit BusyHold(HWND tapvero) {
    auto* procedure =
        dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll.get(), "hold_hook"))) : nullptr;
    if (procedure)
      hook = Hook(SetWindowsHookExW(WH_GETMESSAGE, procedure, dll.get(), GetWindowThreadProcessId(tapvero, nullptr)));
    holder.how = Hold::kBusy;
    holder.window = tapvero;
    holder.message = RegisterWindowMessageW(L"TapveroBenchHoldGuiThread");
    holder.started = started.get();
  }
  bool ready() const { return started && hook; }

  UniqueHandle started{CreateEventW(nullptr, TRUE, FALSE, L"TapveroBenchHoldStarted")};
  Library dll{LoadLibraryW(beside_this_program(L"gui_hold_hook.dll").c_str())};
  Hook hook;
  Holder holder;
};

void measure_gui_busy(Session& s) {
  BusyHold busy(s.tapvero);
  if (!busy.ready()) {
    s.notes.push_back("c, busy: the message hook could not be set: error " + int_text(GetLastError()));
    return;
  }
  busy.holder.starts_ms = hold_starts();
  measure(s, "c. lock on, GUI thread busy 0.5 s x 4", alternating(400), busy.holder);
  s.notes.push_back("c, busy (spinning in a message's handling): " + hold_note(busy.holder));
}

// ---- the cases side by side, in rounds that alternate them

// pass_through_hook.exe, running from construction until destruction.
class PassThroughHook {
 public:
  PassThroughHook() {
    const UniqueHandle in{CreateEventW(nullptr, TRUE, FALSE, L"TapveroPassThroughHookIn")};
    const std::wstring exe = beside_this_program(L"pass_through_hook.exe");
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    process_ = UniqueHandle(pi.hProcess);
    const UniqueHandle thread{pi.hThread};
    thread_id_ = pi.dwThreadId;
    hooked_ = WaitForSingleObject(in.get(), kTimeoutMs) == WAIT_OBJECT_0;
    if (under_wine()) host_pid_ = kit::host_pid(exe, "pass_through_hook.exe");
  }
  ~PassThroughHook() {
    if (!process_) return;
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    if (WaitForSingleObject(process_.get(), 5000) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 1);
  }
  bool hooked() const { return hooked_; }
  std::optional<int> host_pid() const { return host_pid_; }

 private:
  UniqueHandle process_;
  DWORD thread_id_ = 0;
  bool hooked_ = false;
  std::optional<int> host_pid_;
};

enum Case { kNoHook, kPassThrough, kLockIdle, kGuiBusy, kCases };
constexpr const char* kCaseNames[kCases] = {"no hook (Tapvero, lock off)", "pass-through hook, own process",
                                            "lock on, Tapvero idle", "lock on, GUI thread busy 0.5 s"};
constexpr int kRounds = 3;
constexpr int kRoundPresses = 200;

// CPU ms and wake-ups per press of a process in a span, or "-" where the
// host does not give them (or the process is not there).
struct PerPress {
  std::optional<HostCounts> sum;
  int presses = 0;
  void add(const std::optional<HostCounts>& before, const std::optional<HostCounts>& after, int n) {
    if (before && after) add({*after - *before}, n);
  }
  void add(const PerPress& o) {
    if (o.sum) add(o.sum, o.presses);
  }
  void add(const std::optional<HostCounts>& counts, int n) {
    (sum ? *sum : sum.emplace()) += *counts;
    presses += n;
  }
  std::string text() const {
    if (!sum || !presses) return pad("-", 9) + pad("-", 9);
    return pad(fixed_text(sum->cpu_ms / presses, 3), 9) +
           pad(fixed_text(static_cast<double>(sum->wake_ups) / presses, 2), 9);
  }
};

std::optional<HostCounts> counts_of(const std::optional<int>& pid) {
  return pid ? std::optional<HostCounts>(host_process_counts(*pid)) : std::nullopt;
}

struct CaseFigures {
  std::vector<double> medians;  // per round, messages from sent
  std::vector<double> delays;   // every round's, messages from sent
  std::vector<double> raw_delays;
  PerPress tapvero, pass_through;
};

void print_round_row(const std::string& label, const std::string& round, double median, const Summary& delays,
                     double raw_median, const PerPress& tapvero, const PerPress& pass_through) {
  std::cout << pad(label, 34, false) << pad(round, 7, false) << pad(fixed_text(median, 2), 8)
            << pad(fixed_text(delays.quantile(0.99), 2), 8) << pad(fixed_text(delays.max(), 2), 8)
            << pad(fixed_text(raw_median, 2), 8) << "  " << tapvero.text() << "  " << pass_through.text() << "\n";
  std::cout.flush();
}

// One case of one round, with the receiver in front.
void measure_round_case(Session& s, const Tapvero& program, std::optional<int> tapvero_pid, Case c, int round,
                        CaseFigures& figures) {
  const bool lock = c == kLockIdle || c == kGuiBusy;
  if (lock != s.lock_on) {
    if (!program.switch_lock(lock)) s.notes.push_back(std::string("rounds: the lock did not switch ") + (lock ? "on" : "off"));
    s.lock_on = lock;
  }
  std::optional<PassThroughHook> pass;
  if (c == kPassThrough && !pass.emplace().hooked()) s.notes.push_back("rounds: the pass-through hook did not start");
  std::optional<BusyHold> busy;
  if (c == kGuiBusy && !busy.emplace(s.tapvero).ready()) s.notes.push_back("rounds: the message hook could not be set");
  Holder none;
  Holder& holder = busy ? busy->holder : none;
  if (busy) holder.starts_ms = {1007, 3007};
  if (!s.receiver.bring_to_front(s.tapvero)) s.notes.push_back("rounds: the receiver could not be brought to the front");
  const std::optional<int> pass_pid = pass ? pass->host_pid() : std::nullopt;
  const std::optional<HostCounts> tapvero_before = counts_of(tapvero_pid), pass_before = counts_of(pass_pid);
  const Outcome o = run_case(s.receiver, alternating(kRoundPresses), lock, s.last, holder);
  PerPress tapvero, pass_through;
  tapvero.add(tapvero_before, counts_of(tapvero_pid), kRoundPresses);
  pass_through.add(pass_before, counts_of(pass_pid), kRoundPresses);
  if (busy) s.notes.push_back("rounds, round " + int_text(round) + ", GUI busy: " + hold_note(holder));
  const Summary sent(o.paths[0].from_send);
  print_round_row(kCaseNames[c], int_text(round), sent.quantile(0.5), sent, Summary(o.paths[1].from_send).quantile(0.5),
                  tapvero, pass_through);
  figures.medians.push_back(sent.quantile(0.5));
  figures.delays.insert(figures.delays.end(), o.paths[0].from_send.begin(), o.paths[0].from_send.end());
  figures.raw_delays.insert(figures.raw_delays.end(), o.paths[1].from_send.begin(), o.paths[1].from_send.end());
  figures.tapvero.add(tapvero);
  figures.pass_through.add(pass_through);
}

void measure_rounds(Session& s, const Tapvero& program) {
  std::cout << "\nThe cases side by side: " << int_text(kRounds) << " rounds of Z X presses every "
            << int_text(kIntervalMs) << " ms, " << int_text(kRoundPresses)
            << " per case,\nthe cases in a new order each round (the machine drifts). Key-down delay, ms, from the "
            << "counter just before SendInput:\nby messages median/p99/max, by raw input median. CPU ms and wake-ups\n"
            << "(voluntary context switches, all threads, from /proc under Wine) per press: Tapvero's and the\n"
            << "pass-through hook process's; \"-\" where not measured (Tapvero's in the busy case includes the holds'\n"
            << "own spinning). \"all\": the median of the rounds' medians, the p99 and max of all presses.\n"
            << pad("case", 34, false) << pad("round", 7, false) << pad("median", 8) << pad("p99", 8) << pad("max", 8)
            << pad("raw med", 8) << "  " << pad("Tapvero: CPU", 18) << "  " << pad("hook process: CPU", 18) << "\n"
            << pad("", 73, false) << pad("ms/press", 9) << pad("wake-ups", 9) << "  " << pad("ms/press", 9)
            << pad("wake-ups", 9) << "\n";
  const std::optional<int> tapvero_pid =
      under_wine() ? host_pid(program.folder() + L"\\Tapvero.exe", "Tapvero.exe") : std::nullopt;
  if (under_wine() && !tapvero_pid) s.notes.push_back("rounds: Tapvero's Linux process was not found in /proc");
  std::vector<CaseFigures> figures(kCases);
  for (int round = 1; round <= kRounds; ++round)
    for (int i = 0; i < kCases; ++i) {
      const auto c = static_cast<Case>((i + round - 1) % kCases);
      measure_round_case(s, program, tapvero_pid, c, round, figures[c]);
    }
  for (int c = 0; c < kCases; ++c)
    print_round_row(kCaseNames[c], "all", Summary(figures[c].medians).quantile(0.5), Summary(figures[c].delays),
                    Summary(figures[c].raw_delays).quantile(0.5), figures[c].tapvero, figures[c].pass_through);
}

}  // namespace

int main() {
  GameWindow receiver(receiver_options());
  if (!receiver.window()) {
    std::cout << "lock_delay_bench: the receiver window did not open" << std::endl;
    return 1;
  }
  Session session{receiver};
  if (!receiver.reads_raw_input())
    session.notes.push_back("raw input could not be registered: error " + int_text(receiver.raw_input_error()));
  print_header();
  measure_without_hook(session);
  Tapvero program;
  if (!program.window()) {
    std::cout << "lock_delay_bench: the program did not start: " << program.start_error() << std::endl;
    return 1;
  }
  if (!program.switch_lock(true)) {
    std::cout << "lock_delay_bench: the lock did not switch on" << std::endl;
    return 1;
  }
  session.tapvero = program.window();
  measure_lock_idle(session);
  measure_gui_suspended(session);
  measure_gui_busy(session);
  session.lock_on = true;
  measure_rounds(session, program);
  for (const std::string& note : session.notes) std::cout << "  " << note << "\n";
  std::cout.flush();
  return 0;
}
