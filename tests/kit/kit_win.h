// The Windows test kit's basics, shared by the UI tests and the benches:
// the clock and the waits, CPU readings (also of a host process under Wine),
// files and temporary names, host programs, text, and figures.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/clock_win.h"
#include "base/unique_win.h"
#include "text/number_text.h"

namespace tapvero::kit {

using base::UniqueFile;
using base::UniqueHandle;
// Figures as the program formats them.
using text::fixed_text;
using text::int_text;

// Owners of a loaded library and of a hook, closed by `close`.
template <typename T, BOOL (*close_with)(T)>
struct ClosedBy {
  using Type = T;
  static T none() { return nullptr; }
  static void close(T h) { close_with(h); }
};
using Library = base::Unique<ClosedBy<HMODULE, FreeLibrary>>;
using Hook = base::Unique<ClosedBy<HHOOK, UnhookWindowsHookEx>>;

constexpr int kTimeoutMs = 20000;

// ---- the clock: the performance counter

LONGLONG counter();
// A counter reading, or a difference of two, in milliseconds.
double counter_ms(LONGLONG counter);
inline double now_ms() { return base::precise_now_ms(); }
// Waits until now_ms() reads `until_ms`: sleeps while more than `spin_ms`
// remain, then spins.
void wait_until_ms(double until_ms, double spin_ms = 4);
// Polls `condition` until it holds or `timeout_ms` pass; true if it held.
bool wait_until(const std::function<bool()>& condition, int timeout_ms = kTimeoutMs);

// ---- CPU

double filetime_ms(const FILETIME& t);
// User and kernel time of a thread of this process.
double thread_cpu_ms(HANDLE thread = GetCurrentThread());

// A thread of a host (Linux) process, as /proc gives it: Wine's own
// figures for another process are wrong (GetProcessTimes answers with the
// caller's).
struct HostCounts {
  double cpu_ms = 0;             // the scheduler's run time (schedstat)
  std::int64_t stat_ticks = 0;   // utime + stime (stat), in 10 ms ticks
  std::int64_t wake_ups = 0;     // voluntary context switches
  std::int64_t preempted = 0;    // involuntary ones
  HostCounts& operator+=(const HostCounts& o);
  HostCounts operator-(const HostCounts& o) const;
};
// The numeric names in a folder of the host, in increasing order.
std::vector<int> numbered_entries(const std::string& unix_folder);
// The Linux pid of the process that has `exe` (a Windows path) mapped,
// found among those whose command line names `exe_name`.
std::optional<int> host_pid(const std::wstring& exe, const std::string& exe_name);
HostCounts host_thread_counts(int pid, int task);
// Summed over every thread the process has now.
HostCounts host_process_counts(int pid);

// ---- files and names

bool under_wine();
// A file in this program's folder.
std::wstring beside_this_program(const std::wstring& name);
// A path on the host, as Wine's programs see it through drive Z:.
std::wstring host_path(const std::string& unix_path);
// A whole file, also one of /proc whose size Wine gives as 0.
std::optional<std::string> read_file(const std::wstring& path);
bool write_file(const std::wstring& path, const std::string& bytes);
// `stem` with this process, a count and the moment: process ids repeat in
// every Wine prefix, and other runs on the machine share the folders.
std::string unique_name(const std::string& stem);

// ---- host programs

// Runs `command` (no double quotes in it) with /bin/sh on the host and
// waits until it has finished, at most `timeout_ms`. Wine starts a Unix
// program as it is, without a handle to wait on: a marker file says when it
// is done.
::testing::AssertionResult run_unix(const std::string& command, int timeout_ms = kTimeoutMs);
inline ::testing::AssertionResult run_xdotool(const std::string& arguments) { return run_unix("xdotool " + arguments); }
// Runs a helper whose command has "{out}" where a new file of /tmp goes,
// and reads what it wrote there; why not, if it could not.
std::string run_helper(const std::string& command, int timeout_ms, std::string& output);

// ---- text and figures

std::string utf8(const std::wstring& text);
// The pieces of `text` between separators, the last one included.
template <typename S>
std::vector<S> split_lines(const S& text, const S& separator) {
  std::vector<S> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(separator, from)) != S::npos; from = at + separator.size())
    lines.push_back(text.substr(from, at - from));
  lines.push_back(text.substr(from));
  return lines;
}
std::string pad(const std::string& s, std::size_t width, bool right = true);

// Quantiles, min, mean and max of some figures (none: all 0).
class Summary {
 public:
  explicit Summary(std::vector<double> values);
  bool empty() const { return sorted_.empty(); }
  // The value at rank ceil(q * n), q in (0, 1].
  double quantile(double q) const;
  double min() const { return empty() ? 0 : sorted_.front(); }
  double max() const { return empty() ? 0 : sorted_.back(); }
  double mean() const;
  int over(double limit) const;

 private:
  std::vector<double> sorted_;
};

}  // namespace tapvero::kit
