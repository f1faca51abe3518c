// What Tapvero costs while the player is in another program. A window of
// the bench's own, on a thread of its own and in front, stands in for the
// game: it reads the mouse and the keyboard by raw input as a game in front
// does, and counts what it gets. Tapvero runs behind it (started the
// driver's way) with the lock off, then with the lock on (its button
// clicked), and for each the bench takes, over the same span, Tapvero's CPU
// time and the wake-ups of its input thread: idle, while the game gets
// 6,000 mouse moves, 200 key presses (Z and X in turn, which the lock lets
// through), and both, each spread evenly over 3 s.
//
// The input goes through the X server with XTest, the way a mouse and a
// keyboard reach a Wine program, from xtest_mouse_keys, a native program of
// the native build started with /bin/sh (TAPVERO_XTEST_MOUSE_KEYS names
// it); without it, with SendInput from a thread of the bench's own (the
// only way on Windows; under Wine each SendInput move comes back from the X
// server as a second one, and the game gets twice as many).
//
// The counts, under Wine: Tapvero's threads are Linux threads, read through
// drive Z: in /proc/<its Linux pid>/task/* (the process is the one whose
// mapped Tapvero.exe is the copy the driver started). CPU time: the
// scheduler's run time of each thread (schedstat, in nanoseconds). Wake-ups:
// the thread's voluntary context switches (status), each time it went to
// sleep and was woken again, which under Wine also counts each wait for a
// reply of the Wine server. Wine 8 gives neither through its Windows
// functions: GetProcessTimes on another process's handle gives the
// caller's own times, and the context switches of SystemProcessInformation
// stay 0. The input thread is the one of time-critical priority; Windows
// threads and Linux threads are paired in the order they were created, and
// each pair's CPU times must agree, or the input thread is left out.
// On Windows: GetProcessTimes, GetThreadTimes, and the input thread's
// context switches from SystemProcessInformation.
//
// Prints figures; it checks nothing. Run it under Wine (scripts/bench.sh
// does) with TAPVERO_EXE naming the program and a display:
//   tools/wine-run.sh build/windows/bench/background_cost_bench.exe
#include <windows.h>
// After windows.h, which they need.
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "kit/game_window_win.h"
#include "kit/tapvero_driver_win.h"

namespace {

using namespace tapvero;
using namespace tapvero::kit;

constexpr int kMoves = 6000;
constexpr int kPresses = 200;
constexpr int kInputMs = 3000;  // the input's span
constexpr int kSpanMs = 4000;   // each figure's span: the input's and a second for its backlog

// The i-th point of the pointer's path, as xtest_mouse_keys goes: row by
// row, one pixel a move, left to right and back, two pixels down at each end.
POINT point_on_path(int i, const RECT& r) {
  const int width = r.right - r.left, height = r.bottom - r.top;
  const int row = i / width, along = i % width;
  return {r.left + (row % 2 ? width - 1 - along : along), r.top + (row * 2) % height};
}

// ---- the game's stand-in: below where Tapvero's window opens, so that
// the pointer never crosses it, reading the mouse and the keyboard.

GameWindow::Options game_options() { return {L"Game", {360, 560}, {480, 220}, true, false, false}; }

// Where the pointer goes: the client area, less a margin.
RECT pointer_area(const GameWindow& game) {
  RECT r{};
  GetClientRect(game.window(), &r);
  MapWindowPoints(game.window(), nullptr, reinterpret_cast<POINT*>(&r), 2);
  InflateRect(&r, -10, -10);
  return r;
}

int key_downs(const GameWindow& game) {
  const std::vector<KeyEvent> all = game.events();
  return static_cast<int>(
      std::count_if(all.begin(), all.end(), [](const KeyEvent& e) { return e.kind == KeyEvent::kMessage && e.down; }));
}

// ---- the input

// Sends the input; why not, if it could not. With SendInput, the moves and
// presses are spread over kInputMs as the XTest helper spreads them, sent
// each millisecond or so, all that are due.
std::string send_input(const RECT& area, int moves, int presses, std::string& note) {
  if (const char* helper = std::getenv("TAPVERO_XTEST_MOUSE_KEYS")) {
    std::string figures;
    const std::string command = std::string(helper) + " " + std::to_string(moves) + " " + std::to_string(presses) +
                                " " + std::to_string(kInputMs) + " " + std::to_string(area.left) + " " +
                                std::to_string(area.top) + " " + std::to_string(area.right - area.left) + " " +
                                std::to_string(area.bottom - area.top) + " {out}";
    if (std::string failed = run_helper(command, kInputMs + kTimeoutMs, figures); !failed.empty()) return failed;
    char* rest = nullptr;
    const double took = static_cast<double>(std::strtoll(figures.c_str(), &rest, 10)) / 1000;
    const double latest = static_cast<double>(std::strtoll(rest, nullptr, 10)) / 1000;
    note = "sent over " + fixed_text(took, 1) + " ms, at most " + fixed_text(latest, 2) + " ms late";
    return {};
  }
  std::vector<Step> steps;
  const double start = now_ms() + 1;
  for (int move = 0; move < moves; ++move)
    steps.push_back({start + kInputMs * static_cast<double>(move) / moves, {mouse_input(point_on_path(move + 1, area), 0)}});
  for (int press = 0; press < presses; ++press) {
    const WORD vk = press % 2 ? 'X' : 'Z';
    steps.push_back({start + kInputMs * (press + 0.5) / presses, {key_input(vk, false), key_input(vk, true)}});
  }
  std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.due_ms < b.due_ms; });
  send_paced(steps, 0);
  return {};
}

// ---- Tapvero's counts

// Under Wine preempted is counted too.
using ThreadCounts = HostCounts;

struct Counts {
  double at_ms = 0;
  double process_times_ms = 0;  // GetProcessTimes on Tapvero's handle
  double own_times_ms = 0;      // and on this program's own
  ThreadCounts input;
  ThreadCounts all;
};

// Tapvero's process and how to count it.
class TapveroCounter {
 public:
  explicit TapveroCounter(const Tapvero& program) {
    GetWindowThreadProcessId(program.window(), &pid_);
    process_ = UniqueHandle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid_));
    // Its threads, in the order they were created; the input thread is
    // the one of time-critical priority.
    struct Thread {
      DWORD id;
      double created_ms;
      double cpu_ms;
      bool input;
    };
    std::vector<Thread> threads;
    const UniqueHandle snapshot{CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0)};
    THREADENTRY32 entry{sizeof entry};
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
      if (entry.th32OwnerProcessID != pid_) continue;
      const UniqueHandle thread{OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID)};
      FILETIME created{}, ended{}, kernel{}, user{};
      if (!thread || !GetThreadTimes(thread.get(), &created, &ended, &kernel, &user)) continue;
      threads.push_back({entry.th32ThreadID, filetime_ms(created), filetime_ms(kernel) + filetime_ms(user),
                         GetThreadPriority(thread.get()) == THREAD_PRIORITY_TIME_CRITICAL});
    }
    std::sort(threads.begin(), threads.end(),
              [](const Thread& a, const Thread& b) { return a.created_ms < b.created_ms; });
    const auto input = std::find_if(threads.begin(), threads.end(), [](const Thread& t) { return t.input; });
    if (input == threads.end()) {
      notes_.push_back("no thread of time-critical priority: the input thread is left out");
      return;
    }
    input_thread_ = input->id;
    if (!under_wine()) return;
    linux_pid_ = host_pid(program.folder() + L"\\Tapvero.exe", "Tapvero.exe");
    if (!linux_pid_) {
      notes_.push_back("Tapvero's Linux process was not found in /proc: no figures");
      return;
    }
    // Pair them with its Linux threads, by creation: each pair's CPU time,
    // in the 10 ms ticks of /proc/.../stat, must agree.
    const std::vector<int> tasks = numbered_entries(task_folder());
    bool paired = tasks.size() == threads.size();
    for (std::size_t i = 0; paired && i < tasks.size(); ++i)
      paired = std::abs(static_cast<double>(host_thread_counts(*linux_pid_, tasks[i]).stat_ticks) * 10 -
                        threads[i].cpu_ms) <= 20;
    if (paired) input_task_ = tasks[static_cast<std::size_t>(input - threads.begin())];
    notes_.push_back("counted in /proc/" + std::to_string(*linux_pid_) +
                     "/task: " + int_text(static_cast<std::int64_t>(tasks.size())) + " threads at the start; " +
                     (paired ? "the input thread is " + std::to_string(input_task_)
                             : "Windows and Linux threads could not be paired: the input thread is left out"));
  }

  bool input_thread_known() const { return under_wine() ? input_task_ != 0 : input_thread_ != 0; }
  const std::vector<std::string>& notes() const { return notes_; }

  Counts counts() const {
    Counts c;
    c.at_ms = now_ms();
    FILETIME created{}, ended{}, kernel{}, user{};
    if (GetProcessTimes(process_.get(), &created, &ended, &kernel, &user))
      c.process_times_ms = filetime_ms(kernel) + filetime_ms(user);
    if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
      c.own_times_ms = filetime_ms(kernel) + filetime_ms(user);
    if (linux_pid_) {
      // Every thread there is now: one started since counts from its start.
      for (int task : numbered_entries(task_folder())) {
        const ThreadCounts t = host_thread_counts(*linux_pid_, task);
        if (task == input_task_) c.input = t;
        c.all += t;
      }
    } else if (!under_wine()) {
      windows_counts(c);
    }
    return c;
  }

 private:
  std::string task_folder() const { return "/proc/" + std::to_string(*linux_pid_) + "/task"; }

  // On Windows: the context switches of every thread of Tapvero's.
  void windows_counts(Counts& c) const {
    c.all.cpu_ms = c.process_times_ms;
    using Query = LONG(NTAPI*)(int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    while (query && query(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0) {
      if (buffer.size() > (1u << 26)) return;
      buffer.resize(buffer.size() * 2);
    }
    for (std::size_t at = 0;;) {
      const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
      if (reinterpret_cast<std::uintptr_t>(p->UniqueProcessId) == pid_) {
        const auto* threads = reinterpret_cast<const SYSTEM_THREAD_INFORMATION*>(p + 1);
        for (ULONG i = 0; i < p->NumberOfThreads; ++i) {
          const SYSTEM_THREAD_INFORMATION& t = threads[i];
          // Reserved1: kernel, user and creation times; Reserved3: the
          // context switches.
          const ThreadCounts counts{static_cast<double>(t.Reserved1[0].QuadPart + t.Reserved1[1].QuadPart) / 10000.0,
                                    0, t.Reserved3, 0};
          if (reinterpret_cast<std::uintptr_t>(t.ClientId.UniqueThread) == input_thread_) c.input = counts;
          c.all.wake_ups += counts.wake_ups;
        }
      }
      if (!p->NextEntryOffset) return;
      at += p->NextEntryOffset;
    }
  }

  DWORD pid_ = 0;
  UniqueHandle process_;
  DWORD input_thread_ = 0;
  std::optional<int> linux_pid_;
  int input_task_ = 0;
  std::vector<std::string> notes_;
};

// ---- the table

void print_header() {
  std::cout << "Tapvero behind a game window that gets "
            << (std::getenv("TAPVERO_XTEST_MOUSE_KEYS") ? "XTest" : "SendInput") << " input spread over "
            << int_text(kInputMs) << " ms; each figure over the same " << int_text(kSpanMs)
            << " ms\n(the input's span and a second after). CPU ms: Tapvero's, all threads; "
            << "wake-ups: voluntary context switches\n(under Wine also each wait for a Wine server reply); "
            << "preempted: involuntary ones; game got: mouse raw inputs and key-downs.\n"
            << pad("lock", 5, false) << pad("case", 30, false) << pad("CPU ms", 9) << pad("over idle", 11)
            << "   input thread:" << pad("CPU ms", 8) << pad("wake-ups", 10) << pad("preempted", 11)
            << "   all threads:" << pad("wake-ups", 10) << "   game got:" << pad("moves", 7) << pad("keys", 6) << "\n";
}

struct Row {
  std::string lock;
  std::string label;
  int moves;
  int presses;
};

// One case, with the game in front; returns its CPU figure.
double measure(GameWindow& game, const TapveroCounter& tapvero, HWND tapvero_window, const Row& row, double idle_ms,
               std::vector<std::string>& notes) {
  const std::string name = "lock " + row.lock + ", " + row.label;
  if (!game.bring_to_front(tapvero_window))
    notes.push_back(name + ": the game could not be brought to the front");
  Sleep(500);  // the activation's own work done
  const int raw_from = game.raw_mouse_moves(), keys_from = key_downs(game);
  const Counts before = tapvero.counts();
  if (row.moves || row.presses) {
    std::string sent;
    if (const std::string failed = send_input(pointer_area(game), row.moves, row.presses, sent); !failed.empty())
      notes.push_back(name + ": " + failed);
    else if (!sent.empty())
      notes.push_back(name + ": " + sent);
  }
  const double left = before.at_ms + kSpanMs - now_ms();
  if (left > 0) Sleep(static_cast<DWORD>(left));
  const Counts after = tapvero.counts();
  if (!game.in_front()) notes.push_back(name + ": the game lost the front during the run");
  if (after.at_ms - before.at_ms > kSpanMs + 100)
    notes.push_back(name + ": taken over " + int_text(std::llround(after.at_ms - before.at_ms)) + " ms");

  const double cpu = after.all.cpu_ms - before.all.cpu_ms;
  std::cout << pad(row.lock, 5, false) << pad(row.label, 30, false) << pad(fixed_text(cpu, 1), 9)
            << pad(idle_ms < 0 ? "" : fixed_text(cpu - idle_ms, 1), 11) << pad("", 16);
  if (tapvero.input_thread_known())
    std::cout << pad(fixed_text(after.input.cpu_ms - before.input.cpu_ms, 1), 8)
              << pad(int_text(after.input.wake_ups - before.input.wake_ups), 10)
              << pad(int_text(after.input.preempted - before.input.preempted), 11);
  else
    std::cout << pad("-", 8) << pad("-", 10) << pad("-", 11);
  std::cout << pad("", 15) << pad(int_text(after.all.wake_ups - before.all.wake_ups), 10) << pad("", 12)
            << pad(int_text(game.raw_mouse_moves() - raw_from), 7) << pad(int_text(key_downs(game) - keys_from), 6)
            << "\n";
  return cpu;
}

void measure_all(GameWindow& game, const TapveroCounter& tapvero, HWND tapvero_window, const std::string& lock,
                 std::vector<std::string>& notes) {
  const double idle = measure(game, tapvero, tapvero_window, {lock, "idle", 0, 0}, -1, notes);
  measure(game, tapvero, tapvero_window, {lock, int_text(kMoves) + " moves", kMoves, 0}, idle, notes);
  measure(game, tapvero, tapvero_window, {lock, int_text(kPresses) + " presses", 0, kPresses}, idle, notes);
  measure(game, tapvero, tapvero_window,
          {lock, int_text(kMoves) + " moves, " + int_text(kPresses) + " presses", kMoves, kPresses}, idle, notes);
}

}  // namespace

int main() {
  GameWindow game(game_options());
  if (!game.window()) {
    std::cout << "background_cost_bench: the game's window did not open\n";
    return 1;
  }
  Tapvero program;
  if (!program.window()) {
    std::cout << "background_cost_bench: the program did not start: " << program.start_error() << "\n";
    return 1;
  }
  const TapveroCounter tapvero(program);
  std::vector<std::string> notes = tapvero.notes();
  const Counts first = tapvero.counts();
  print_header();
  measure_all(game, tapvero, program.window(), "off", notes);
  if (!program.switch_lock(true)) {
    std::cout << "background_cost_bench: the lock did not switch on\n";
    return 1;
  }
  measure_all(game, tapvero, program.window(), "on", notes);
  // Under Wine 8 GetProcessTimes on another process's handle gives the
  // caller's own times: shown, so that the claim stays checked.
  const Counts last = tapvero.counts();
  notes.push_back("over the whole run, GetProcessTimes on Tapvero's handle moved " +
                  fixed_text(last.process_times_ms - first.process_times_ms, 1) + " ms, on this program's own " +
                  fixed_text(last.own_times_ms - first.own_times_ms, 1) + " ms; Tapvero's threads ran " +
                  fixed_text(last.all.cpu_ms - first.all.cpu_ms, 1) + " ms");
  for (const std::string& note : notes) std::cout << "  " << note << "\n";
  return 0;
}
