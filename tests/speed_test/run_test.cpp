#include "speed_test/run.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "form/main_form.h"
#include "speed_test/report.h"
#include "support/memory_ui.h"

namespace tapvero::speed_test {
namespace {

using namespace form;

constexpr int kZ = 0x5A;
constexpr int kX = 0x58;
constexpr int kOther = 0x41;

// What the report writes for a stage of `size` hits `gap` ms apart that
// ends at hit `hits`, and for the summary of a test of even stages only.
std::u16string even_stage(std::int64_t hits, std::int32_t size, std::int32_t gap) {
  const std::vector<std::int32_t> intervals(static_cast<std::size_t>(size - 1), gap);
  return stage_report(static_cast<double>(size) * gap, size, hits, intervals).line;
}
std::u16string even_summary(std::int64_t hits, double ms, std::size_t stages) {
  return summary_text(hits, ms, std::vector<float>(stages, 100.0f));
}

class SpeedRun : public ::testing::Test {
 protected:
  // Hits with the Z key at the given gaps in milliseconds.
  void hits_after(std::initializer_list<std::int32_t> gaps) {
    for (std::int32_t gap : gaps) {
      now += gap;
      test.start_button_key_down(kZ, now);
    }
  }
  void even_hits(int count, std::int32_t gap) {
    for (int i = 0; i < count; ++i) hits_after({gap});
  }
  std::u16string result() const { return ui.text(编辑框_结果); }

  widgets::MemoryUi ui{main_form()};
  base::Tick now{1000};        // the time of the latest event
  storage::Settings settings;  // Z and X, stages of 20
  SpeedTest test{ui, settings};
};

TEST_F(SpeedRun, TheStartClickIsNotAHitAndTheFirstIntervalRunsFromIt) {
  ui.set_text(编辑框_结果, u"old report");
  test.start_button_clicked(true, now);
  EXPECT_TRUE(test.running());
  EXPECT_TRUE(ui.enabled(停止测试));
  EXPECT_EQ(result(), u"");
  EXPECT_EQ(ui.text(标签_连击), u"0");
  // The worked example: 20 hits in 2345 ms.
  hits_after({35, 106, 179});
  for (int i = 0; i < 16; ++i) hits_after({117});
  EXPECT_EQ(ui.text(标签_连击), u"19");
  EXPECT_EQ(result(), u"");
  hits_after({153});
  std::vector<std::int32_t> intervals = {35, 106, 179};
  intervals.resize(19, 117);
  EXPECT_EQ(result(), stage_report(2345, 20, 20, intervals).line);
  EXPECT_EQ(ui.text(标签_稳定度), u"85.30%");
  EXPECT_EQ(ui.at(标签_稳定度).text_color, kGreen);
}

TEST_F(SpeedRun, AnEvenStreamReadsEvenAtEveryStageSize) {
  // Each stage starts at the hit that ended the one before, so however long
  // a report line takes to write, even hits read 100.00% in every stage;
  // the hit count runs on across stages.
  for (const std::int32_t size : {2, 3, 5, 20, 37}) {
    settings.stage = std::to_string(size);
    test.start_button_clicked(true, now);
    even_hits(size * 4, 50);
    std::u16string stages;
    for (int stage = 1; stage <= 4; ++stage) stages += even_stage(stage * size, size, 50);
    EXPECT_EQ(result(), stages) << size;
    test.stop_button_clicked(now);
  }
}

TEST_F(SpeedRun, PressesHandledLateInABurstKeepTheirPressTimes) {
  // Five presses 100 ms apart reach the program together behind a 40 ms
  // stall, each with the time it was pressed.
  settings.stage = "5";
  test.start_button_clicked(true, base::Tick(1000));
  for (const std::uint32_t at : {1100, 1200, 1300, 1400, 1500}) test.start_button_key_down(kZ, base::Tick(at));
  EXPECT_EQ(result(), even_stage(5, 5, 100));
  test.stop_button_clicked(base::Tick(1540));
  EXPECT_EQ(result(), even_stage(5, 5, 100) + even_summary(5, 540, 1));
}

TEST_F(SpeedRun, TheIntervalStoreFollowsTheHitsNotTheStageSize) {
  // A stage size of two billion hits (the largest the settings load) once
  // reserved 8 GB at the start; the store holds the current stage's hits.
  settings.stage = std::to_string(std::numeric_limits<std::int32_t>::max());
  test.start_button_clicked(true, now);
  EXPECT_LT(test.interval_store_capacity(), 16u);
  even_hits(1000, 10);
  EXPECT_LE(test.interval_store_capacity(), 2048u);
  EXPECT_EQ(result(), u"");
  test.stop_button_clicked(now);
  EXPECT_EQ(result(), even_summary(1000, 10000, 0));
}

// Keys do nothing while idle; in a test both trigger keys hit, a key both
// slots name once, and a slot without a key never matches.
TEST_F(SpeedRun, OnlyTheTriggerKeysHitAndOnlyInATest) {
  test.start_button_key_down(kZ, now);
  EXPECT_FALSE(test.running());
  EXPECT_EQ(ui.text(标签_连击), u"0");
  test.start_button_clicked(true, now);
  for (const int key : {kZ, kX, kOther, 0}) test.start_button_key_down(key, now);
  EXPECT_EQ(test.hits(), 2);
  settings.x_key_code = kZ;
  test.start_button_key_down(kZ, now);
  EXPECT_EQ(test.hits(), 3);
  settings.z_key_code = 0;
  test.start_button_key_down(0, now);
  EXPECT_EQ(test.hits(), 3);
}

TEST_F(SpeedRun, MouseClicksCountOnlyWithMouseCountingTicked) {
  test.start_button_clicked(false, now);  // a click made with the keyboard starts a test too
  test.start_button_clicked(true, now);
  test.start_button_right_released(now);
  EXPECT_EQ(test.hits(), 0);
  EXPECT_TRUE(test.running());  // clicks never restart a test
  ui.set_ticked(选择框_鼠标, true);
  test.start_button_clicked(true, now);
  test.start_button_right_released(now);
  EXPECT_EQ(test.hits(), 2);
  // A click made with the keyboard (Space on the focused button) is no
  // mouse click: a trigger key of Space would otherwise count twice.
  test.start_button_clicked(false, now);
  EXPECT_EQ(test.hits(), 2);
}

TEST_F(SpeedRun, ARightButtonStartResetsAsMuchAsALeftClickStart) {
  // An earlier test with uneven intervals and a stage completed.
  test.start_button_clicked(true, now);
  hits_after({10, 500});
  even_hits(18, 100);
  test.stop_button_clicked(now);
  // A new test started with the right button sees nothing of it.
  test.start_button_right_released(now);
  EXPECT_EQ(result(), u"");
  even_hits(20, 100);
  test.stop_button_clicked(now);
  EXPECT_EQ(result(), even_stage(20, 20, 100) + even_summary(20, 2000, 1));
}

TEST_F(SpeedRun, StopWritesTheSummaryAndResets) {
  test.start_button_clicked(true, now);
  even_hits(50, 100);
  now += 1000;  // idle time before the stop counts too
  test.stop_button_clicked(now);
  EXPECT_FALSE(test.running());
  EXPECT_FALSE(ui.enabled(停止测试));
  EXPECT_EQ(ui.text(标签_连击), u"0");
  EXPECT_EQ(result(), even_stage(20, 20, 100) + even_stage(40, 20, 100) + even_summary(50, 6000, 2));
  // The stability label keeps the last stage's figure; the next start
  // empties the result box.
  EXPECT_EQ(ui.text(标签_稳定度), u"100.00%");
  test.start_button_clicked(true, now);
  EXPECT_EQ(result(), u"");
  EXPECT_EQ(ui.text(标签_稳定度), u"100.00%");
}

TEST_F(SpeedRun, StopRightAfterStartWritesAnEmptySummary) {
  test.start_button_clicked(true, now);
  now += 1230;
  test.stop_button_clicked(now);
  EXPECT_EQ(result(), even_summary(0, 1230, 0));
  EXPECT_EQ(ui.text(标签_连击), u"0");
}

// A stage size below one never reaches a test: it runs in stages of one hit.
TEST_F(SpeedRun, AStageOfOneHitReportsEveryHit) {
  for (const char* size : {"1", "0"}) {
    settings.stage = size;
    test.start_button_clicked(true, now);
    hits_after({250, 500});
    EXPECT_EQ(result(), even_stage(1, 1, 250) + even_stage(2, 1, 500)) << size;
    EXPECT_EQ(ui.at(标签_稳定度).text_color, kRed);
    test.stop_button_clicked(now);
  }
}

TEST_F(SpeedRun, HitsInTheSameMillisecondCountAsEven) {
  test.start_button_clicked(true, now);
  even_hits(10, 100);
  hits_after({0, 0});
  even_hits(8, 100);
  // 20 hits in 1800 ms: the two 0 ms intervals are taken as the mean (90 ms),
  // ratios of 1; the other 17, of 100 ms, are ratios of 0.9: 17.3 / 19.
  EXPECT_EQ(ui.text(标签_稳定度), u"91.05%");
}

TEST_F(SpeedRun, ATimeBeforeTheOneAheadOfItIsSignedOrNoneNeverFortyNineDays) {
  test.start_button_clicked(true, now + 101);  // handled just after the first hit's press was stamped
  even_hits(20, 100);
  test.stop_button_clicked(now + -2000);
  std::vector<std::int32_t> intervals(19, 100);
  intervals[0] = -1;
  const StageReport stage = stage_report(1899, 20, 20, intervals);
  EXPECT_EQ(result(), stage.line + summary_text(20, 0, std::vector{stage.stability}));
}

TEST_F(SpeedRun, TheStageSizeHoldsForTheWholeTest) {
  test.start_button_clicked(true, now);
  settings.stage = "5";  // saved during the test
  even_hits(20, 100);
  EXPECT_EQ(result(), even_stage(20, 20, 100));
  test.stop_button_clicked(now);
  test.start_button_clicked(true, now);
  even_hits(5, 100);
  EXPECT_EQ(result(), even_stage(5, 5, 100));
}

TEST_F(SpeedRun, ATestReadsTheSameAcrossTheTickCountersSignChangeAndWrap) {
  for (const std::uint32_t start : {0x7FFFFFFFu - 500, 0xFFFFFFFFu - 500}) {
    now = base::Tick(start);
    test.start_button_clicked(true, now);
    even_hits(20, 100);
    test.stop_button_clicked(now);
    EXPECT_EQ(result(), even_stage(20, 20, 100) + even_summary(20, 2000, 1)) << start;
  }
}

}  // namespace
}  // namespace tapvero::speed_test
