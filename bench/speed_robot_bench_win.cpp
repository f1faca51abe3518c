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

#include "form/main_form.h"
#include "kit/tapvero_driver_win.h"
#include "speed_test/report.h"
#include "support/stored_names.h"
#include "text/number_text.h"

namespace {

using namespace tapvero;
using namespace tapvero::kit;

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
  std::vector<std::optional<base::Tick>> served;
};

// Presses Z and X in turn with SendInput; the presses are made before the
// first is due: no press waits for its scan code.
void press_with_send_input(Robot& robot) {
  std::vector<Step> steps;
  const double first = now_ms() + 300;
  for (int i = 0; i < robot.presses; ++i) {
    const WORD vk = i % 2 ? 'X' : 'Z';
    steps.push_back({first + static_cast<double>(i) * robot.interval_ms, {key_input(vk, false), key_input(vk, true)}});
  }
  send_paced(steps);
  for (const Step& s : steps) {
    robot.sent.push_back(static_cast<std::int32_t>(base::tick_ms_of(s.sent).bits()));
    robot.latest_ms = std::max(robot.latest_ms, counter_ms(s.returned) - s.due_ms);
  }
}

// A stage line's figures, as the report reads them back; a line it did not
// write reads as all -1.
speed_test::Figures figures_of(const std::wstring& line) {
  return speed_test::read_line(speed_test::Line::kStage, std::u16string(line.begin(), line.end()))
      .value_or(speed_test::Figures{-1, -1, -1, -1});
}

// The XTest robot's click on the start button and its presses, on the X
// display once the program's window has the X focus; why not, if it could
// not press.
std::string press_through_x(const Tapvero& program, Robot& robot, const std::string& helper) {
  if (auto focused = run_xdotool("windowfocus --sync " + std::to_string(x_window(program.window()))); !focused)
    return focused.message();
  if (!wait_until([&] { return GetForegroundWindow() == program.window(); }))
    return "the window did not come to the front";
  RECT button{};
  GetWindowRect(program.control(form::开始测试), &button);
  const std::string command = helper + " " + std::to_string(robot.interval_ms) + " " + std::to_string(robot.presses) +
                              " 300 {out} " + std::to_string((button.left + button.right) / 2) + " " +
                              std::to_string((button.top + button.bottom) / 2);
  std::string figures;
  if (std::string failed = run_helper(command, robot.presses * robot.interval_ms + kTimeoutMs, figures);
      !failed.empty())
    return failed;
  // One a line: the latest a press was late (us), the server's time of the
  // click (ms), then each press's send time (us) and server time (ms); -1
  // for a time the server did not give.
  std::vector<std::string> lines = split_lines(figures, std::string("\n"));
  lines.pop_back();
  if (lines.size() != static_cast<std::size_t>(robot.presses) + 2) return "xtest_robot wrote too few figures";
  const auto server_time = [](const char* text) -> std::optional<base::Tick> {
    const long long ms = std::strtoll(text, nullptr, 10);
    if (ms < 0) return std::nullopt;
    return base::Tick(static_cast<std::uint32_t>(ms));
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
std::vector<std::u16string> expected_lines(const std::vector<base::Tick>& times, int stage_size) {
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

// How many of the program's stage lines are the lines of the server's
// times, and the others side by side.
void compare_with_server(const std::string& label, const Robot& robot, int stage_size,
                         const std::vector<std::wstring>& shown) {
  std::vector<base::Tick> times;
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

// "<mean> % / min <min>", or "--" for each without figures.
std::string mean_and_min(const Summary& s) {
  return (s.empty() ? std::string("--") : fixed_text(s.mean(), 2)) + " % / min " +
         (s.empty() ? std::string("--") : fixed_text(s.min(), 2));
}

void run(const std::string& run_label, Way way, const Stream& stream) {
  const char* helper = std::getenv("TAPVERO_XTEST_ROBOT");
  const std::string label = run_label + (way == Way::kXTest ? ", XTest" : ", SendInput");
  Tapvero program(std::string("[Tapvero]\r\n") + test::kStage + "=" + std::to_string(stream.stage_size) +
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
    if (!wait_until([&] { return program.enabled(form::停止测试); }) ||
        !wait_until([&] { return program.focused_control() == form::开始测试; })) {
      std::cout << label << ": the test did not start\n";
      return;
    }
    press_with_send_input(robot);
  }
  const std::wstring hits = std::to_wstring(robot.presses);
  if (!wait_until([&] { return program.text(form::标签_连击) == hits; }))
    std::cout << label << ": not every one of " << int_text(robot.presses) << " presses arrived\n";
  const std::vector<std::wstring> lines = program.stage_lines();
  std::vector<double> stabilities;
  std::string times;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const speed_test::Figures f = figures_of(lines[i]);
    times += (i ? " " : "") + fixed_text(f.seconds, 2);
    if (i > 0) stabilities.push_back(f.stability.value_or(-1));
  }
  const Summary stability(stabilities);
  std::cout << label << ": every " << int_text(stream.interval_ms) << " ms, stage size " << int_text(stream.stage_size)
            << ", " << int_text(static_cast<std::int64_t>(lines.size())) << " stages: stability of stages 2 on mean "
            << mean_and_min(stability)
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
  std::cout << ", their own stability (stages 2 on) mean " << mean_and_min(Summary(own)) << " %\n";
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
