// The record as a player meets it: a speed test kept in History.csv beside
// the program, and the chart window opened from the system menu by the
// keyboard, showing each stage in its colour.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "form/main_form.h"
#include "kit/tapvero_driver_win.h"
#include "record/chart.h"
#include "record/history.h"
#include "speed_test/report.h"
#include "support/stored_names.h"

namespace tapvero::uitest {
namespace {

using namespace form;
using namespace tapvero::kit;

// How many pixels of each colour the window's client area shows on the screen.
std::map<COLORREF, int> colour_counts(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::map<COLORREF, int> counts;
  if (w <= 0 || h <= 0) return counts;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, w, -h, 1, 32};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  for (const auto* p = static_cast<const std::uint32_t*>(bits); p != static_cast<const std::uint32_t*>(bits) + w * h; ++p)
    ++counts[RGB((*p >> 16) & 0xFF, (*p >> 8) & 0xFF, *p & 0xFF)];
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return counts;
}

TEST(ChartUi, ARobotTestIsKeptWithItsHitTimesAndChartedInItsStagesColours) {
  Tapvero t(std::string("[Tapvero]\r\n") + tapvero::test::kStage + "=20\r\n");
  ASSERT_TRUE(t.window()) << t.start_error();
  t.click(开始测试);
  ASSERT_TRUE(wait_until([&] { return t.enabled(停止测试); }));
  for (int i = 0; i < 45; ++i) t.key(i % 2 ? 'X' : 'Z');
  ASSERT_TRUE(wait_until([&] { return t.text(标签_连击) == L"45"; }));
  t.click(停止测试);
  ASSERT_TRUE(wait_until([&] { return !t.enabled(停止测试); }));

  // One row, with the summary's figures and the hit times the stage lines
  // were made from.
  std::string csv;
  ASSERT_TRUE(wait_until([&] {
    csv = read_file(t.folder() + L"\\History.csv").value_or("");
    return !csv.empty();
  }));
  const record::ParsedHistory history = record::parse_history(csv);
  ASSERT_EQ(history.runs.size(), 1u) << csv;
  EXPECT_EQ(history.skipped_lines, 0u);
  const record::RunRecord& run = history.runs[0];
  const std::vector<std::wstring> lines = split_lines(t.text(编辑框_结果), std::wstring(L"\r\n"));
  ASSERT_EQ(lines.size(), 5u);
  const auto summary = speed_test::read_line(speed_test::Line::kSummary, std::u16string(lines[4].begin(), lines[4].end()));
  ASSERT_TRUE(summary);
  EXPECT_EQ(run.hits, summary->hits);
  EXPECT_EQ(static_cast<float>(run.seconds), summary->seconds);
  EXPECT_EQ(run.bpm, summary->bpm);
  EXPECT_EQ(run.stability, summary->stability);
  ASSERT_EQ(run.hit_ms.size(), 45u);
  std::vector<COLORREF> stage_colours;
  for (std::size_t stage = 0; stage < 2; ++stage) {
    const std::int32_t start = stage == 0 ? 0 : run.hit_ms[19];
    std::vector<std::int32_t> intervals;
    for (std::size_t i = stage * 20; i < stage * 20 + 19; ++i)
      intervals.push_back(run.hit_ms[i] - (i == stage * 20 ? start : run.hit_ms[i - 1]));
    const speed_test::StageReport report = speed_test::stage_report(run.hit_ms[stage * 20 + 19] - start, 20,
                                                                     static_cast<std::int64_t>(stage + 1) * 20, intervals);
    EXPECT_EQ(std::u16string(lines[stage].begin(), lines[stage].end()) + u"\r\n", report.line);
    stage_colours.push_back(RGB(report.color.red, report.color.green, report.color.blue));
  }

  // Alt+Space opens the system menu, G its chart item.
  t.bring_to_front();
  std::vector<INPUT> alt_space{key_input(VK_MENU, false), key_input(VK_SPACE, false), key_input(VK_SPACE, true),
                               key_input(VK_MENU, true)};
  SendInput(static_cast<UINT>(alt_space.size()), alt_space.data(), sizeof(INPUT));
  ASSERT_TRUE(wait_until([&] {
    const HWND menu = FindWindowW(L"#32768", nullptr);
    return menu && IsWindowVisible(menu);
  }));
  std::vector<INPUT> g{key_input('G', false), key_input('G', true)};
  SendInput(static_cast<UINT>(g.size()), g.data(), sizeof(INPUT));
  HWND chart = nullptr;
  ASSERT_TRUE(wait_until([&] {
    chart = FindWindowW(L"TapveroScene", std::wstring(record::kChartTitle.begin(), record::kChartTitle.end()).c_str());
    return chart && IsWindowVisible(chart);
  }));
  EXPECT_EQ(GetWindow(chart, GW_OWNER), t.window());
  // Every stage's colour shows, and no other stability colour.
  std::map<COLORREF, int> counts;
  EXPECT_TRUE(wait_until([&] {
    counts = colour_counts(chart);
    for (const COLORREF c : stage_colours) {
      if (counts[c] < 200) return false;
    }
    return true;
  }));
  for (const widgets::Color c : {kGreen, kYellow, kRed}) {
    const COLORREF colour = RGB(c.red, c.green, c.blue);
    if (std::ranges::find(stage_colours, colour) == stage_colours.end()) EXPECT_EQ(counts[colour], 0) << std::hex << colour;
  }
}

}  // namespace
}  // namespace tapvero::uitest
