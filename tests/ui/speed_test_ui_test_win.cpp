// The speed test as a player uses it: a click on the start button, keys
// typed on it, clicks, the stage lines and the summary in the result box.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "kit/game_window_win.h"
#include "kit/tapvero_driver_win.h"
#include "form/main_form.h"
#include "speed_test/report.h"
#include "support/stored_names.h"

namespace tapvero::uitest {
namespace {

using namespace form;
using namespace tapvero::kit;

using tapvero::test::kStage;

std::vector<std::wstring> lines_of(const std::wstring& text) { return split_lines(text, std::wstring(L"\r\n")); }

// Shows the report in the test's output, for people reading the log.
void print(const std::wstring& report) { std::printf("%s\n", utf8(report).c_str()); }

// A line's figures, if the report wrote exactly that line.
std::optional<speed_test::Figures> read(speed_test::Line kind, const std::wstring& line) {
  return speed_test::read_line(kind, std::u16string(line.begin(), line.end()));
}
constexpr auto kStageLine = speed_test::Line::kStage;
constexpr auto kSummary = speed_test::Line::kSummary;

TEST(SpeedTestUi, ATypedTestWritesItsStagesAndSummary) {
  Tapvero t(std::string("[Tapvero]\r\n") + kStage + "=5\r\n");
  EXPECT_FALSE(t.enabled(停止测试));
  t.click(开始测试);
  ASSERT_TRUE(KIT_WAIT(t, t.enabled(停止测试)));
  EXPECT_EQ(t.text(标签_连击), L"0");  // the start click is no hit

  // Both trigger keys hit; another key and, with mouse counting off, a
  // click do not.
  for (WORD vk : {WORD('Z'), WORD('X'), WORD('A'), WORD('Z')}) t.key(vk);
  t.click(开始测试);
  t.key('X');
  ASSERT_TRUE(KIT_WAIT(t, t.text(标签_连击) == L"4"));
  // With mouse counting on, a click on the button is a hit.
  t.click(选择框_鼠标);
  ASSERT_TRUE(KIT_WAIT(t, t.ticked(选择框_鼠标)));
  t.click(开始测试);
  ASSERT_TRUE(KIT_WAIT(t, t.text(标签_连击) == L"5"));
  // The button has the focus again: keys go on counting.
  for (int i = 0; i < 7; ++i) t.key(i % 2 ? 'X' : 'Z');
  ASSERT_TRUE(KIT_WAIT(t, t.text(标签_连击) == L"12"));

  const std::vector<std::wstring> stages = lines_of(t.text(编辑框_结果));
  ASSERT_EQ(stages.size(), 3u);  // two stage lines and what follows the last line break
  EXPECT_EQ(read(kStageLine, stages[0]).value_or(speed_test::Figures{}).hits, 5);
  EXPECT_EQ(read(kStageLine, stages[1]).value_or(speed_test::Figures{}).hits, 10);
  EXPECT_EQ(stages[2], L"");
  EXPECT_TRUE(t.text(标签_稳定度).ends_with(L"%"));
  EXPECT_TRUE(t.enabled(停止测试));

  t.click(停止测试);
  ASSERT_TRUE(KIT_WAIT(t, !t.enabled(停止测试)));
  EXPECT_EQ(t.text(标签_连击), L"0");
  const std::wstring report = t.text(编辑框_结果);
  const std::vector<std::wstring> lines = lines_of(report);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], L"");
  EXPECT_EQ(lines[3], L"");
  EXPECT_EQ(read(kSummary, lines[4]).value_or(speed_test::Figures{}).hits, 12);
  print(report);
}

TEST(SpeedTestUi, KeysCountAgainAfterSwitchingToAnotherProgramAndBack) {
  Tapvero t;
  GameWindow game;
  ASSERT_TRUE(game.window());
  t.click(开始测试);
  // The stand-in's own late focus notice from X can take the front from
  // Tapvero as well.
  ASSERT_TRUE(KIT_WAIT(t, t.bring_to_front() && t.enabled(停止测试) && t.focused_control() == 开始测试));
  t.key('Z');
  ASSERT_TRUE(KIT_WAIT(t, t.text(标签_连击) == L"1"));

  // The player looks at another program and comes back: the start button
  // has the focus again, and the keys count on.
  ASSERT_TRUE(game.bring_to_front(t.window()));
  // Without a window manager a focus notice from X may reach a program
  // late and make it hand the front to the desktop: bring Tapvero back then.
  EXPECT_TRUE(KIT_WAIT(t, t.bring_to_front() && t.focused_control() == 开始测试));
  t.key('X');
  EXPECT_TRUE(KIT_WAIT(t, t.text(标签_连击) == L"2"));
}

// With the lock on and Shift as a trigger key, every Shift press counts: the
// lock never takes left or right Shift for the Shift slot, here as in a game.
TEST(SpeedTestUi, AShiftSlotCountsEveryShiftWithTheLockOn) {
  Tapvero t("[Tapvero]\r\nZ=shift\r\n");
  ASSERT_TRUE(t.switch_lock(true));
  t.select_page(kSpeedTestPage);
  t.click(开始测试);
  ASSERT_TRUE(KIT_WAIT(t, t.bring_to_front() && t.enabled(停止测试) && t.focused_control() == 开始测试));
  for (WORD vk : {WORD(VK_LSHIFT), WORD(VK_LSHIFT), WORD('X')}) t.key(vk);
  EXPECT_TRUE(KIT_WAIT(t, t.text(标签_连击) == L"3"));
}

TEST(SpeedTestUi, TwoThousandStagesOfOneHitKeepEveryLine) {
  Tapvero t(std::string("[Tapvero]\r\n") + kStage + "=1\r\n");
  t.click(开始测试);
  ASSERT_TRUE(KIT_WAIT(t, t.enabled(停止测试)));
  for (int i = 0; i < 2000; ++i) t.key(i % 2 ? 'X' : 'Z');
  ASSERT_TRUE(KIT_WAIT_MS(t, 300000, t.text(标签_连击) == L"2000"));
  t.click(停止测试);
  ASSERT_TRUE(KIT_WAIT(t, !t.enabled(停止测试)));

  const std::vector<std::wstring> lines = lines_of(t.text(编辑框_结果));
  ASSERT_EQ(lines.size(), 2003u);
  for (int i = 0; i < 2000; ++i) {
    const std::optional<speed_test::Figures> f = read(kStageLine, lines[static_cast<std::size_t>(i)]);
    ASSERT_TRUE(f) << "line " << i + 1;
    ASSERT_EQ(f->hits, i + 1);
    ASSERT_EQ(f->stability, 0.0f);
  }
  EXPECT_EQ(lines[2000], L"");
  EXPECT_EQ(lines[2001], L"");
  EXPECT_EQ(read(kSummary, lines[2002]).value_or(speed_test::Figures{}).hits, 2000);
}

}  // namespace
}  // namespace tapvero::uitest
