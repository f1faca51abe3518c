#include "speed_test/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "form/main_form.h"

namespace tapvero::speed_test {
namespace {

struct Stage {
  double elapsed_ms;
  std::int32_t size;
  std::vector<std::int32_t> intervals;
};

StageReport report_of(Stage stage, std::int64_t hit_count = 20) {
  return stage_report(stage.elapsed_ms, stage.size, hit_count, stage.intervals);
}

std::vector<std::int32_t> even(std::int32_t count, std::int32_t ms) { return std::vector<std::int32_t>(count, ms); }

TEST(StageReport, TheWorkedExampleByteForByte) {
  // 20 hits in 2345 ms: mean interval 117 ms; three uneven intervals bring
  // the stability down to 85.3.
  std::vector<std::int32_t> intervals = {35, 106, 179};
  intervals.resize(19, 117);
  const StageReport r = report_of({2345, 20, intervals});
  EXPECT_FLOAT_EQ(r.stability, 85.3f);
  EXPECT_EQ(r.stability_text, u"85.30%");
  EXPECT_EQ(r.line, u"连击:20 耗时:2.35秒 BPM:127 稳定度:85.30%\r\n");
  EXPECT_EQ(r.color, form::kGreen);
}

TEST(StageReport, APerfectlyEvenStageIsAHundredPercentGreen) {
  const StageReport r = report_of({2000, 20, even(19, 100)});
  EXPECT_EQ(r.stability_text, u"100.00%");
  EXPECT_EQ(r.color, form::kGreen);
  EXPECT_EQ(r.line, u"连击:20 耗时:2秒 BPM:150 稳定度:100.00%\r\n");
}

// The time figure of a stage line.
std::u16string time_in(const std::u16string& line) {
  const std::size_t from = line.find(u"耗时:") + 3;
  return line.substr(from, line.find(u"秒") - from);
}

TEST(StageReport, TimesAreRoundedToTwoDecimalsAndWrittenShort) {
  EXPECT_EQ(time_in(report_of({999, 20, even(19, 49)}).line), u"1");
  EXPECT_EQ(time_in(report_of({1005, 20, even(19, 50)}).line), u"1.01");
  EXPECT_EQ(time_in(report_of({2500, 20, even(19, 125)}).line), u"2.5");
  // From 10000 s on one decimal is left.
  EXPECT_EQ(time_in(report_of({12345678, 20, even(19, 617283)}).line), u"12345.7");
}

TEST(StageReport, RatiosAboveOneFoldBackBelowIt) {
  // Mean 100 ms. An interval of 50 ms is a ratio of 2, folded to 0; one of
  // 80 ms a ratio of 1.25, folded to 0.75.
  std::vector<std::int32_t> intervals = {50, 80};
  intervals.resize(19, 100);
  const StageReport r = report_of({2000, 20, intervals});
  EXPECT_FLOAT_EQ(r.stability, (0.0f + 0.75f + 17.0f) / 19.0f * 100.0f);
}

TEST(StageReport, ANegativeMeanShowsAsZeroInRed) {
  // Mean 90 ms; intervals of 30 ms are ratios of 3, folded to -1 each.
  const StageReport r = report_of({900, 10, even(9, 30)});
  EXPECT_EQ(r.stability, 0.0f);
  EXPECT_EQ(r.stability_text, u"0.00%");
  EXPECT_EQ(r.color, form::kRed);
}

TEST(StageReport, IntervalsOfZeroTakeTheMeanInstead) {
  std::vector<std::int32_t> intervals = {0, 0};
  intervals.resize(19, 100);
  const StageReport r = report_of({2000, 20, intervals});
  EXPECT_EQ(r.stability_text, u"100.00%");
  intervals[0] = -1;  // timed before the hit ahead of it: no 0, and far out of step
  EXPECT_EQ(report_of({2000, 20, intervals}).stability_text, u"0.00%");
}

TEST(StageReport, AMeanOfZeroGivesZeroStabilityAndAStageOfNoTimeZeroBpm) {
  const StageReport r = report_of({4, 20, even(19, 0)});
  EXPECT_EQ(r.stability_text, u"0.00%");
  EXPECT_EQ(r.line, u"连击:20 耗时:0秒 BPM:0 稳定度:0.00%\r\n");
}

TEST(StageReport, AStageOfOneHitHasNoIntervalsAndZeroStability) {
  const StageReport r = report_of({250, 1, {}}, 7);
  EXPECT_EQ(r.line, u"连击:7 耗时:0.25秒 BPM:60 稳定度:0.00%\r\n");
  EXPECT_EQ(r.color, form::kRed);
  // The BPM from the time in single precision: 1 / 0.1000000015 x 15.
  EXPECT_EQ(report_of({100, 1, {}}, 1).line, u"连击:1 耗时:0.1秒 BPM:149 稳定度:0.00%\r\n");
}

TEST(StageReport, PartialSumsKeepSinglePrecision) {
  // 10000 ratios of 149/150: summed in double precision they would give
  // 99.33; in single precision, step by step, 99.32.
  const StageReport r = report_of({1500050, 10001, even(10000, 150)}, 10001);
  EXPECT_EQ(r.stability_text, u"99.32%");
}

TEST(ReadLine, ReadsBackOnlyWhatTheReportWrites) {
  const std::u16string stage = u"连击:20 耗时:2.35秒 BPM:127 稳定度:85.30%";
  EXPECT_EQ(line_text(Line::kStage, read_line(Line::kStage, stage).value()), stage + u"\r\n");
  EXPECT_EQ(read_line(Line::kSummary, u"共计连击:0 耗时:1.23秒 BPM:0 稳定度:--%").value().stability, std::nullopt);
  for (const std::u16string other :
       {u"连击:20 耗时:2.350秒 BPM:127 稳定度:85.30%", u"连击:20 耗时:2.35秒 BPM:127",
        u"共计连击:20 耗时:2.35秒 BPM:127 稳定度:85.30%", u"连击:20 耗时:2.35秒 BPM:127 稳定度:85.3%"})
    EXPECT_FALSE(read_line(Line::kStage, other)) << other.size();
}

TEST(StabilityColor, BoundariesBelongToTheLowerColour) {
  EXPECT_EQ(stability_color(100.0f), form::kGreen);
  EXPECT_EQ(stability_color(70.01f), form::kGreen);
  EXPECT_EQ(stability_color(70.0f), form::kYellow);
  EXPECT_EQ(stability_color(40.01f), form::kYellow);
  EXPECT_EQ(stability_color(40.0f), form::kRed);
  EXPECT_EQ(stability_color(0.0f), form::kRed);
  // Stages whose figures are exactly 70 and 40: 3 ratios of 0 and 7 of 1
  // are yellow, 6 of 0 and 4 of 1 red.
  std::vector<std::int32_t> intervals = {50, 50, 50};
  intervals.resize(10, 100);
  EXPECT_EQ(report_of({1100, 11, intervals}).color, form::kYellow);
  std::fill_n(intervals.begin(), 6, 50);
  EXPECT_EQ(report_of({1100, 11, intervals}).color, form::kRed);
}

// The summary follows two empty lines and ends without a line break.
TEST(Summary, AveragesCompletedStagesOnlyWithEqualWeightInSinglePrecision) {
  const struct {
    std::int64_t hits;
    double ms;
    std::vector<float> stabilities;
    std::u16string expected;
  } cases[] = {{40, 5000, {85.3f, 100.0f}, u"\r\n\r\n共计连击:40 耗时:5秒 BPM:120 稳定度:92.65%"},
               // 50 hits of stages of 20: the last 10 count in the BPM only.
               {50, 10000, {90.0f, 60.0f}, u"\r\n\r\n共计连击:50 耗时:10秒 BPM:75 稳定度:75.00%"},
               // Without a completed stage the stability is dashes.
               {0, 1234, {}, u"\r\n\r\n共计连击:0 耗时:1.23秒 BPM:0 稳定度:--%"},
               {5, 0, {}, u"\r\n\r\n共计连击:5 耗时:0秒 BPM:0 稳定度:--%"},
               // Partial sums in single precision: 10000 x 99.99 averages 100.
               {200000, 1000000, std::vector<float>(10000, 99.99f),
                u"\r\n\r\n共计连击:200000 耗时:1000秒 BPM:3000 稳定度:100.00%"}};
  for (const auto& c : cases) EXPECT_EQ(summary_text(c.hits, c.ms, c.stabilities), c.expected) << c.hits;
}

}  // namespace
}  // namespace tapvero::speed_test
