#include "record/history.h"

#include <gtest/gtest.h>

#include "support/memory_file_store.h"

namespace tapvero::record {
namespace {

using namespace std::string_literals;

const std::u16string kPath = u"C:\\Tapvero\\History.csv";
const std::string kHeader =
    "\xEF\xBB\xBF日期时间,测试,Z键,X键,每阶段连击数,连击,耗时(秒),BPM,稳定度(%),不稳定率,最高阶段BPM,Miss,最高连击,"
    "平均耗时(ms),各阶段BPM/稳定度,击打时刻(ms)\r\n";

RunRecord speed_run(std::vector<std::int32_t> hit_ms = {100, 200, 300, 430, 500}) {
  return {.when = {2026, 12, 9, 18, 30, 5},
          .z_key = u"z",
          .x_key = u"x",
          .stage_size = 2,
          .hits = static_cast<std::int64_t>(hit_ms.size()),
          .seconds = 0.62f,
          .bpm = 120,
          .stability = 92.65f,
          .stages = {{150, 100.0f}, {120, 85.3f}},
          .hit_ms = hit_ms};
}
// Intervals 100 100 130 70: a rate of 10 x sqrt(450).
const std::string kSpeedRow =
    "2026-12-09 18:30:05,手速测试,z,x,2,5,0.62,120,92.65,212.13,150,,,,150/100.00 120/85.30,100 200 300 430 500\r\n";
RunRecord positioning_run() {
  return {.when = {2026, 1, 2, 3, 4, 5},
          .test = TestKind::kPositioning,
          .z_key = u",",
          .x_key = u"空\"格",
          .stage_size = 20,
          .hits = 20,
          .seconds = 9,
          .misses = 3,
          .best_combo = 12,
          .mean_ms = 734};
}
const std::string kPositioningRow = "2026-01-02 03:04:05,定位测试,\",\",\"空\"\"格\",20,20,9.00,,,,,3,12,734,,\r\n";

std::string line(const std::string& row) { return row.substr(0, row.size() - 2); }

// Rows as the file holds them, and rows it cannot have written.
TEST(HistoryRows, ARowHoldsTheFiguresAsShownAndReadsBackToTheSameRow) {
  RunRecord no_stage = speed_run({40});
  no_stage.stage_size = 20;
  no_stage.stability.reset();
  no_stage.stages.clear();
  EXPECT_EQ(history_header(), kHeader);
  for (const auto& [run, row] :
       {std::pair{speed_run(), kSpeedRow}, std::pair{positioning_run(), kPositioningRow},
        std::pair{no_stage, "2026-12-09 18:30:05,手速测试,z,x,20,1,0.62,120,--,,,,,,,40\r\n"s}}) {
    EXPECT_EQ(history_row(run), row);
    const std::optional<RunRecord> read = read_history_row(line(row));
    ASSERT_TRUE(read) << row;
    EXPECT_EQ(history_row(*read), row);
    EXPECT_EQ(read->hit_ms, run.hit_ms);
    EXPECT_EQ(read->x_key, run.x_key);
  }
  const std::string s = line(kSpeedRow);
  const auto with = [&](std::string_view from, std::string_view to) {
    return std::string(s).replace(s.find(from), from.size(), to);
  };
  for (const std::string& bad :
       {s + ",", s + " 600", with(",x,", ",x"), with("2026-12-09", "2026-13-09"), with("手速", "打字"),
        with(",5,", ",5x,"), with(" 500", ""), with("150/100.00 ", ""), with(",,,,", ",,7,,"), with(",z,", ",\"z,")})
    EXPECT_FALSE(read_history_row(bad)) << bad;
}

class HistoryFile : public ::testing::Test {
 protected:
  std::string& file() { return files.files[kPath]; }

  storage::MemoryFileStore files;
  History history{files, kPath};
};

// Each run is one append; the file is read once. A line another program
// (or a hand) put there, and a last line whose write a kill cut short, stay
// in the file as they are; the reader skips them and the next row starts a
// line of its own.
TEST_F(HistoryFile, EachRunIsOneAppendAndLinesItCannotReadAreSkippedAndKept) {
  EXPECT_TRUE(history.add(speed_run()));
  EXPECT_EQ(file(), kHeader + kSpeedRow);
  const std::string before = file() + "my note,,\r\n\r\n" + kPositioningRow + kSpeedRow.substr(0, 40);
  file() = before;
  History other{files, kPath};
  ASSERT_EQ(other.runs().size(), 2u);
  EXPECT_EQ(other.skipped_lines(), 3u);
  EXPECT_TRUE(other.add(positioning_run()));
  EXPECT_EQ(file(), before + "\r\n" + kPositioningRow);
  EXPECT_EQ(files.appends, 2);
  file().clear();  // read once: it follows what it adds
  EXPECT_EQ(other.runs().size(), 3u);
  EXPECT_EQ(parse_history(kHeader.substr(0, 20)).skipped_lines, 1u);  // a header cut short
}

// A spreadsheet holding the file: the runs wait in memory, in order, and go
// into the file at a retry (the chart's opening) or the next run's end
// once it is free.
TEST_F(HistoryFile, AHeldFileKeepsTheRunsInMemoryUntilItIsFree) {
  file() = kHeader + kSpeedRow;
  files.held.insert(kPath);
  EXPECT_FALSE(history.add(positioning_run()));
  EXPECT_FALSE(history.add(speed_run()));
  EXPECT_EQ(file(), kHeader + kSpeedRow);
  EXPECT_EQ(history.runs().size(), 3u);
  EXPECT_EQ(
      history.status(),
      u"成绩记录文件 History.csv 正被其他程序占用，2 次成绩暂存在内存中，文件空出后写入（下次测试结束或打开本窗口时）");
  files.held.clear();
  history.retry_pending();
  EXPECT_EQ(history.status(), u"");
  files.held.insert(kPath);
  history.add(positioning_run());
  files.held.clear();
  EXPECT_TRUE(history.add(speed_run()));
  EXPECT_EQ(file(), kHeader + kSpeedRow + kPositioningRow + kSpeedRow + kPositioningRow + kSpeedRow);
  EXPECT_EQ(history.runs().size(), 5u);

  // A file that cannot even be read: the chart has this session's runs.
  History unread{files, kPath};
  files.unreadable.insert(kPath);
  EXPECT_FALSE(unread.add(speed_run()));
  EXPECT_EQ(unread.runs().size(), 1u);
  files.unreadable.clear();
  unread.retry_pending();
  EXPECT_EQ(unread.runs().size(), 6u);
}

}  // namespace
}  // namespace tapvero::record
