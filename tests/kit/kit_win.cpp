#include "kit/kit_win.h"

#include <cmath>
#include <cstdlib>
#include <numeric>

namespace tapvero::kit {

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

void wait_until_ms(double until_ms, double spin_ms) {
  for (double left; (left = until_ms - now_ms()) > 0;)
    if (left > spin_ms) Sleep(1);
}

bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() > end) return false;
    Sleep(10);
  }
}

double filetime_ms(const FILETIME& t) {
  return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
}

double thread_cpu_ms(HANDLE thread) {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) return 0;
  return filetime_ms(kernel) + filetime_ms(user);
}

HostCounts& HostCounts::operator+=(const HostCounts& o) {
  cpu_ms += o.cpu_ms;
  stat_ticks += o.stat_ticks;
  wake_ups += o.wake_ups;
  preempted += o.preempted;
  return *this;
}

HostCounts HostCounts::operator-(const HostCounts& o) const {
  return {cpu_ms - o.cpu_ms, stat_ticks - o.stat_ticks, wake_ups - o.wake_ups, preempted - o.preempted};
}

std::vector<int> numbered_entries(const std::string& unix_folder) {
  std::vector<int> out;
  WIN32_FIND_DATAW found;
  const HANDLE h = FindFirstFileW((host_path(unix_folder) + L"\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    const std::wstring name = found.cFileName;
    if (!name.empty() && name.find_first_not_of(L"0123456789") == std::wstring::npos) out.push_back(std::stoi(name));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  std::sort(out.begin(), out.end());
  return out;
}

namespace {

std::optional<std::string> read_host_file(const std::string& unix_path) { return read_file(host_path(unix_path)); }

// The figure after `label` in a /proc file.
std::int64_t field(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  return at == std::string::npos ? 0 : std::strtoll(text.c_str() + at + label.size(), nullptr, 10);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// Wine gives the inode as the file index; /proc names the file by its own
// path, without Wine's links.
std::optional<int> host_pid(const std::wstring& exe, const std::string& exe_name) {
  const UniqueFile f{CreateFileW(exe.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!f || !GetFileInformationByHandle(f.get(), &info)) return std::nullopt;
  const std::uint64_t inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  for (int pid : numbered_entries("/proc")) {
    const std::string at = "/proc/" + std::to_string(pid);
    const std::optional<std::string> command = read_host_file(at + "/cmdline");
    if (!command || command->find(exe_name) == std::string::npos) continue;
    // Each line: address, permissions, offset, device, inode, path.
    for (const std::string& line : split_lines(read_host_file(at + "/maps").value_or(""), std::string("\n"))) {
      std::size_t field_at = 0;
      for (int skip = 0; skip < 4 && field_at != std::string::npos; ++skip)
        field_at = line.find_first_not_of(' ', line.find(' ', field_at));
      if (field_at != std::string::npos && std::strtoull(line.c_str() + field_at, nullptr, 10) == inode &&
          line.ends_with(exe_name))
        return pid;
    }
  }
  return std::nullopt;
}

HostCounts host_thread_counts(int pid, int task) {
  const std::string at = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(task);
  const std::string status = read_host_file(at + "/status").value_or("");
  const std::string schedstat = read_host_file(at + "/schedstat").value_or("");
  const std::string stat = read_host_file(at + "/stat").value_or("");
  HostCounts c{static_cast<double>(std::strtoll(schedstat.c_str(), nullptr, 10)) / 1e6, 0,
               field(status, "voluntary_ctxt_switches:"), field(status, "nonvoluntary_ctxt_switches:")};
  // utime and stime: fields 14 and 15, the 12th and 13th after the name's
  // closing parenthesis and the state's letter.
  if (const std::size_t close = stat.rfind(')'); close != std::string::npos && close + 4 <= stat.size()) {
    const char* p = stat.c_str() + close + 4;
    for (int f = 4; f <= 15; ++f) {
      char* end = nullptr;
      const std::int64_t value = std::strtoll(p, &end, 10);
      if (f >= 14) c.stat_ticks += value;
      p = end;
    }
  }
  return c;
}

HostCounts host_process_counts(int pid) {
  HostCounts all;
  for (int task : numbered_entries("/proc/" + std::to_string(pid) + "/task")) all += host_thread_counts(pid, task);
  return all;
}

bool under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring beside_this_program(const std::wstring& name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir = self;
  dir.resize(dir.find_last_of(L'\\'));
  return dir + L"\\" + name;
}

std::wstring host_path(const std::string& unix_path) {
  std::wstring path = L"Z:";
  for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

std::optional<std::string> read_file(const std::wstring& path) {
  const UniqueFile f{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (!f) return std::nullopt;
  std::string all;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) all.append(buffer, got);
  return all;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
  const UniqueFile f{
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
  DWORD written = 0;
  return f && WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string unique_name(const std::string& stem) {
  static int count = 0;
  return stem + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count) + "-" +
         std::to_string(counter());
}

::testing::AssertionResult run_unix(const std::string& command, int timeout_ms) {
  const std::string marker = unique_name("/tmp/tapvero-unix");
  const std::string script = command + "; touch " + marker;
  std::wstring line = L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return ::testing::AssertionFailure() << command << " did not start: error " << GetLastError();
  const UniqueHandle process{pi.hProcess}, thread{pi.hThread};
  const std::wstring windows_marker = host_path(marker);
  if (!wait_until([&] { return exists(windows_marker); }, timeout_ms))
    return ::testing::AssertionFailure() << command << " did not finish";
  DeleteFileW(windows_marker.c_str());
  return ::testing::AssertionSuccess();
}

std::string run_helper(const std::string& command, int timeout_ms, std::string& output) {
  const std::string out = unique_name("/tmp/tapvero-helper");
  std::string line = command;
  line.replace(line.find("{out}"), 5, out);
  const std::wstring windows_out = host_path(out);
  if (auto ran = run_unix(line, timeout_ms); !ran) return ran.message();
  const std::optional<std::string> written = read_file(windows_out);
  DeleteFileW(windows_out.c_str());
  if (!written) return line.substr(0, line.find(' ')) + " wrote no figures";
  output = *written;
  return {};
}

std::string utf8(const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                    static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return bytes;
}

std::string pad(const std::string& s, std::size_t width, bool right) {
  if (s.size() >= width) return s;
  const std::string blanks(width - s.size(), ' ');
  return right ? blanks + s : s + blanks;
}

Summary::Summary(std::vector<double> values) : sorted_(std::move(values)) { std::sort(sorted_.begin(), sorted_.end()); }

double Summary::quantile(double q) const {
  if (empty()) return 0;
  const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(sorted_.size())));
  return sorted_[std::max<std::size_t>(rank, 1) - 1];
}

double Summary::mean() const {
  return empty() ? 0 : std::accumulate(sorted_.begin(), sorted_.end(), 0.0) / static_cast<double>(sorted_.size());
}

int Summary::over(double limit) const {
  return static_cast<int>(sorted_.end() - std::upper_bound(sorted_.begin(), sorted_.end(), limit));
}

}  // namespace tapvero::kit
