// The speed test's figures for a player with perfect timing: starts
// Tapvero.exe (the driver's way: its own folder and Config.ini), starts the
// test and presses Z and X in turn at exact intervals, in one of two ways:
// with SendInput from a thread of its own, or through the X server with
// XTest (the way a Linux player's keyboard reaches a Wine program) from
// xtest_robot, a native program of the native build that this one starts
// with /bin/sh (TAPVERO_XTEST_ROBOT names it; without it that variant is
// left out). Then it reads the stage lines and prints the mean and lowest
// stability of stages 2 onward (the first runs from the start click) and
// every stage's time. Through the X server, the robot also clicks the start
// button and hears the server's own time of the click and of every press:
// each stage's line as the program's report makes it from those times is
// what the program must show, and how many stages do is printed, with the
// others side by side. (The robot's own send times are no such reference:
// it is late at times, on a loaded machine.) Prints figures; it checks
// nothing. Run it under Wine (scripts/bench.sh does) with TAPVERO_EXE
// naming the program:
//   tools/wine-run.sh build/windows/bench/speed_robot_bench.exe [label] [xtest]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "driver_win.h"
#include "form/main_form.h"
#include "speed_test/report.h"
#include "support/stored_names.h"
#include "text/number_text.h"
#include "widgets/clock_win.h"

namespace {

using namespace tapvero;
using text::fixed_text;
using text::int_text;

struct Stream {
  int interval_ms;
  int stage_size;
  int stages;
};

enum class Way { kSendInput, kXTest };

struct Robot {
  int interval_ms;
  int presses;
  double latest_ms = 0;            // the latest a press was sent, after its time
  std::vector<std::int32_t> sent;  // when each press was sent, in ms (the program's tick for SendInput)
  // Through the X server: the server's time of the start click's release,
  // then of each press (none if it reported none).
  std::vector<std::optional<widgets::Tick>> served;
};

DWORD WINAPI robot_main(void* param) {
  auto& robot = *static_cast<Robot*>(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  // Made before the first is due: no press waits for its scan code.
  INPUT presses[2][2] = {{uitest::key_input('Z', false), uitest::key_input('Z', true)},
                         {uitest::key_input('X', false), uitest::key_input('X', true)}};
  const double first = widgets::precise_now_ms() + 300;
  for (int i = 0; i < robot.presses; ++i) {
    const double due = first + static_cast<double>(i) * robot.interval_ms;
    uitest::wait_until_ms(due);
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    SendInput(2, presses[i % 2], sizeof(INPUT));
    robot.sent.push_back(static_cast<std::int32_t>(widgets::tick_ms_of(now.QuadPart).bits()));
    robot.latest_ms = std::max(robot.latest_ms, widgets::precise_now_ms() - due);
  }
  return 0;
}

std::vector<std::wstring> stage_lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(L"\r\n", from)) != std::wstring::npos; from = at + 2)
    lines.push_back(text.substr(from, at - from));
  return lines;
}

// The number after `label` in a stage line, up to `unit`.
double figure(const std::wstring& line, const std::wstring& label, const std::wstring& unit) {
  const std::size_t from = line.find(label);
  if (from == std::wstring::npos) return -1;
  const std::size_t start = from + label.size();
  const std::size_t end = line.find(unit, start);
  return std::wcstod(line.substr(start, end - start).c_str(), nullptr);
}

// The XTest robot's click on the start button and its presses, on the X
// display once the program's window has the X focus; why not, if it could
// not press.
std::string press_through_x(const uitest::Tapvero& program, Robot& robot, const std::string& helper) {
  const std::string x_window = std::to_string(uitest::x_window(program.window()));
  if (auto focused = uitest::run_xdotool("windowfocus --sync " + x_window); !focused) return focused.message();
  if (!uitest::wait_until([&] { return GetForegroundWindow() == program.window(); }))
    return "the window did not come to the front";
  RECT button{};
  GetWindowRect(program.control(form::开始测试), &button);
  LARGE_INTEGER now{};  // named by the moment too: other runs on the machine share /tmp
  QueryPerformanceCounter(&now);
  const std::string out = "/tmp/tapvero-xtest-robot-" + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(robot.interval_ms) + "-" + std::to_string(now.QuadPart);
  const std::wstring windows_out = uitest::host_path(out);
  DeleteFileW(windows_out.c_str());
  const std::string command = helper + " " + std::to_string(robot.interval_ms) + " " + std::to_string(robot.presses) +
                              " 300 " + out + " " + std::to_string((button.left + button.right) / 2) + " " +
                              std::to_string((button.top + button.bottom) / 2);
  if (auto ran = uitest::run_unix(command, robot.presses * robot.interval_ms + uitest::kTimeoutMs); !ran)
    return ran.message();
  HANDLE f = CreateFileW(windows_out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "xtest_robot wrote no figures";
  std::string bytes(static_cast<std::size_t>(GetFileSize(f, nullptr)), '\0');
  DWORD got = 0;
  ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(f);
  DeleteFileW(windows_out.c_str());
  bytes.resize(got);
  // One a line: the latest a press was late (us), the server's time of the
  // click (ms), then each press's send time (us) and server time (ms); -1
  // for a time the server did not give.
  std::vector<std::string> lines;
  for (std::size_t from = 0, at; (at = bytes.find('\n', from)) != std::string::npos; from = at + 1)
    lines.push_back(bytes.substr(from, at - from));
  if (lines.size() != static_cast<std::size_t>(robot.presses) + 2) return "xtest_robot wrote too few figures";
  const auto server_time = [](const char* text) -> std::optional<widgets::Tick> {
    const long long ms = std::strtoll(text, nullptr, 10);
    if (ms < 0) return std::nullopt;
    return widgets::Tick(static_cast<std::uint32_t>(ms));
  };
  robot.latest_ms = static_cast<double>(std::strtoll(lines[0].c_str(), nullptr, 10)) / 1000;
  robot.served.push_back(server_time(lines[1].c_str()));
  for (std::size_t i = 2; i < lines.size(); ++i) {
    char* end = nullptr;
    robot.sent.push_back(static_cast<std::int32_t>(std::strtoll(lines[i].c_str(), &end, 10) / 1000));
    robot.served.push_back(server_time(end));
  }
  return {};
}

// The stage lines the speed test shows for a start at `times[0]` and hits
// at the times after it, as its report makes them: stage k runs from the
// hit that ended the stage before (or the start) to its last hit, and its
// intervals are those that end with each of its hits but the last.
std::vector<std::u16string> expected_lines(const std::vector<widgets::Tick>& times, int stage_size) {
  std::vector<std::u16string> lines;
  const auto size = static_cast<std::size_t>(stage_size);
  for (std::size_t end = size; end < times.size(); end += size) {
    std::vector<std::int32_t> intervals;
    for (std::size_t j = end - size + 1; j < end; ++j)
      intervals.push_back(text::truncate_to_int(static_cast<double>(times[j].since(times[j - 1]))));
    lines.push_back(speed_test::stage_report(static_cast<double>(times[end].since(times[end - size])), stage_size,
                                             static_cast<std::int64_t>(end), intervals)
                        .line);
  }
  return lines;
}

std::string utf8(const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  bytes.resize(
      static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                                   static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// How many of the program's stage lines are the lines of the server's
// times, and the others side by side.
void compare_with_server(const std::string& label, const Robot& robot, int stage_size,
                         const std::vector<std::wstring>& shown) {
  std::vector<widgets::Tick> times;
  for (const auto& t : robot.served) {
    if (!t) {
      std::cout << label << ": the X server did not report every press\n";
      return;
    }
    times.push_back(*t);
  }
  const std::vector<std::u16string> expected = expected_lines(times, stage_size);
  std::size_t same = 0;
  std::string differing;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const std::wstring want(expected[i].begin(), expected[i].end() - 2);  // without its line break
    const std::wstring got = i < shown.size() ? shown[i] : L"(none)";
    if (got == want) {
      ++same;
    } else {
      differing += "  stage " + int_text(static_cast<std::int64_t>(i) + 1) + ": shown " + utf8(got) +
                   " | the server's times give " + utf8(want) + "\n";
    }
  }
  std::cout << label << ": " << int_text(static_cast<std::int64_t>(same)) << " of "
            << int_text(static_cast<std::int64_t>(expected.size()))
            << " stages as the server's own press times give them\n"
            << differing;
}

void run(const std::string& run_label, Way way, const Stream& stream) {
  const char* helper = std::getenv("TAPVERO_XTEST_ROBOT");
  const std::string label = run_label + (way == Way::kXTest ? ", XTest" : ", SendInput");
  uitest::Tapvero program(std::string("[Tapvero]\r\n") + test::kStage + "=" + std::to_string(stream.stage_size) +
                          "\r\n");
  if (!program.window()) {
    std::cout << label << ": the program did not start: " << program.start_error() << "\n";
    return;
  }
  Robot robot{stream.interval_ms, stream.stage_size * stream.stages};
  if (way == Way::kXTest) {
    // The robot clicks the start button itself, then presses.
    if (const std::string failed = press_through_x(program, robot, helper); !failed.empty()) {
      std::cout << label << ": " << failed << "\n";
      return;
    }
  } else {
    program.click(form::开始测试);  // starts the test; the button keeps the focus
    if (!uitest::wait_until([&] { return program.enabled(form::停止测试); }) ||
        !uitest::wait_until([&] { return program.focused_control() == form::开始测试; })) {
      std::cout << label << ": the test did not start\n";
      return;
    }
    HANDLE thread = CreateThread(nullptr, 0, robot_main, &robot, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  const std::wstring hits = std::to_wstring(robot.presses);
  if (!uitest::wait_until([&] { return program.text(form::标签_连击) == hits; }))
    std::cout << label << ": not every one of " << int_text(robot.presses) << " presses arrived\n";
  const std::vector<std::wstring> lines = stage_lines(program.text(form::编辑框_结果));
  std::vector<double> stabilities;
  std::string times;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const double seconds = figure(lines[i], L"耗时:", L"秒");
    times += (i ? " " : "") + fixed_text(seconds, 2);
    if (i > 0) stabilities.push_back(figure(lines[i], L"稳定度:", L"%"));
  }
  double sum = 0;
  for (double s : stabilities) sum += s;
  std::cout << label << ": every " << int_text(stream.interval_ms) << " ms, stage size " << int_text(stream.stage_size)
            << ", " << int_text(static_cast<std::int64_t>(lines.size())) << " stages: stability of stages 2 on mean "
            << (stabilities.empty() ? std::string("--") : fixed_text(sum / static_cast<double>(stabilities.size()), 2))
            << " % / min "
            << (stabilities.empty() ? std::string("--")
                                    : fixed_text(*std::min_element(stabilities.begin(), stabilities.end()), 2))
            << " %; stage times (s): " << times << "; presses sent up to " << fixed_text(robot.latest_ms, 2)
            << " ms late";
  if (way == Way::kXTest) {
    std::cout << "\n";
    compare_with_server(label, robot, stream.stage_size, lines);
    return;
  }
  // The same figures from the robot's own send times, on the program's
  // tick: what a program timing every press exactly as sent would show
  // (the robot is late at times too, on a loaded machine).
  std::vector<double> own;
  for (int stage = 1; stage < stream.stages && robot.sent.size() == static_cast<std::size_t>(robot.presses); ++stage) {
    const std::size_t first = static_cast<std::size_t>(stage * stream.stage_size);
    std::vector<std::int32_t> intervals;
    for (std::size_t k = first + 1; k < first + static_cast<std::size_t>(stream.stage_size); ++k)
      intervals.push_back(robot.sent[k] - robot.sent[k - 1]);
    own.push_back(speed_test::stage_report(
                      robot.sent[first + static_cast<std::size_t>(stream.stage_size) - 1] - robot.sent[first - 1],
                      stream.stage_size, 0, intervals)
                      .stability);
  }
  double own_sum = 0;
  for (double s : own) own_sum += s;
  std::cout << ", their own stability (stages 2 on) mean "
            << (own.empty() ? std::string("--") : fixed_text(own_sum / static_cast<double>(own.size()), 2))
            << " % / min "
            << (own.empty() ? std::string("--") : fixed_text(*std::min_element(own.begin(), own.end()), 2)) << " %\n";
}

}  // namespace

// [label] [xtest]: with "xtest", through the X server only.
int main(int argc, char** argv) {
  const std::string label = argc > 1 ? argv[1] : "robot";
  if (argc <= 2 || std::string(argv[2]) != "xtest") {
    for (const Stream& s : {Stream{100, 20, 6}, Stream{50, 5, 20}}) run(label, Way::kSendInput, s);
  }
  if (!std::getenv("TAPVERO_XTEST_ROBOT")) {
    std::cout << label << ", XTest: left out (TAPVERO_XTEST_ROBOT names no xtest_robot)\n";
    return 0;
  }
  for (const Stream& s : {Stream{100, 20, 6}, Stream{50, 5, 20}}) run(label, Way::kXTest, s);
  return 0;
}
