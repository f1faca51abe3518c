// The speed test's figures for a player with perfect timing: starts
// Tapvero.exe (the driver's way: its own folder and Config.ini), clicks the
// start button and, from a thread of its own, presses Z and X in turn at
// exact intervals. Then it reads the stage lines and prints the mean and
// lowest stability of stages 2 onward (the first runs from the start click)
// and every stage's time. Prints figures; it checks nothing. Run it under
// Wine (scripts/bench.sh does) with TAPVERO_EXE naming the program:
//   tools/wine-run.sh build/windows/bench/speed_robot_bench.exe [label]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "driver_win.h"
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

struct Robot {
  int interval_ms;
  int presses;
  double latest_ms = 0;             // the latest a press was sent, after its time
  std::vector<widgets::Tick> sent;  // when each press was sent, on the program's tick
};

void press(WORD vk) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

// Waits until the performance counter reads `until_ms`: sleeps while more
// than 4 ms remain, then spins.
void wait_until_ms(double until_ms) {
  for (;;) {
    const double left = until_ms - widgets::precise_now_ms();
    if (left <= 0) return;
    if (left > 4) Sleep(1);
  }
}

DWORD WINAPI robot_main(void* param) {
  auto& robot = *static_cast<Robot*>(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  const double first = widgets::precise_now_ms() + 300;
  for (int i = 0; i < robot.presses; ++i) {
    const double due = first + static_cast<double>(i) * robot.interval_ms;
    wait_until_ms(due);
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    press(i % 2 ? 'X' : 'Z');
    robot.sent.push_back(widgets::tick_ms_of(now.QuadPart));
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

void run(const std::string& label, const Stream& stream) {
  uitest::Tapvero program(std::string("[Tapvero]\r\n") + test::kStage + "=" + std::to_string(stream.stage_size) +
                          "\r\n");
  if (!program.window()) {
    std::cout << label << ": the program did not start: " << program.start_error() << "\n";
    return;
  }
  program.click(app::开始测试);  // starts the test; the button keeps the focus
  if (!uitest::wait_until([&] { return program.enabled(app::停止测试); }) ||
      !uitest::wait_until([&] { return program.focused_control() == app::开始测试; })) {
    std::cout << label << ": the test did not start\n";
    return;
  }
  Robot robot{stream.interval_ms, stream.stage_size * stream.stages};
  HANDLE thread = CreateThread(nullptr, 0, robot_main, &robot, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  const std::wstring hits = std::to_wstring(robot.presses);
  if (!uitest::wait_until([&] { return program.text(app::标签_连击) == hits; }))
    std::cout << label << ": not every one of " << int_text(robot.presses) << " presses arrived\n";
  const std::vector<std::wstring> lines = stage_lines(program.text(app::编辑框_结果));
  std::vector<double> stabilities;
  std::string times;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const double seconds = figure(lines[i], L"耗时:", L"秒");
    times += (i ? " " : "") + fixed_text(seconds, 2);
    if (i > 0) stabilities.push_back(figure(lines[i], L"稳定度:", L"%"));
  }
  double sum = 0;
  for (double s : stabilities) sum += s;
  // The same figures from the robot's own send times: what a program timing
  // every press exactly as sent would show (the robot is late at times too,
  // on a loaded machine).
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
  std::cout << label << ": every " << int_text(stream.interval_ms) << " ms, stage size " << int_text(stream.stage_size)
            << ", " << int_text(static_cast<std::int64_t>(lines.size())) << " stages: stability of stages 2 on mean "
            << (stabilities.empty() ? std::string("--") : fixed_text(sum / static_cast<double>(stabilities.size()), 2))
            << " % / min "
            << (stabilities.empty() ? std::string("--")
                                    : fixed_text(*std::min_element(stabilities.begin(), stabilities.end()), 2))
            << " %; stage times (s): " << times << "; presses sent up to " << fixed_text(robot.latest_ms, 2)
            << " ms late, their own stability (stages 2 on) mean "
            << (own.empty() ? std::string("--") : fixed_text(own_sum / static_cast<double>(own.size()), 2))
            << " % / min "
            << (own.empty() ? std::string("--") : fixed_text(*std::min_element(own.begin(), own.end()), 2)) << " %\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string label = argc > 1 ? argv[1] : "robot";
  for (const Stream& s : {Stream{100, 20, 6}, Stream{50, 5, 20}}) run(label, s);
  return 0;
}
