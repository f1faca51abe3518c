#include "record/history.h"

#include <gtest/gtest.h>

#include "support/memory_file_store.h"

namespace tapvero::record {
namespace {

const std::u16string kPath = u"C:\\Tapvero\\History.csv";
const std::string kHeader =
    "\xEF\xBB\xBF日期时间,测试,Z键,X键,每阶段连击数,连击,耗时(秒),BPM,稳定度(%),不稳定率,最高阶段BPM,Miss,最高连击,"
    "平均耗时(ms),各阶段BPM/稳定度,击打时刻(ms)\r\n";

RunRecord speed_run() {
  RunRecord r{.when = {2026, 12, 9, 18, 30, 5}, .z_key = u"z", .x_key = u"x", .stage_size = 2, .hits = 5};
  r.seconds = 0.62f;
  r.bpm = 120;
  r.stability = 92.65f;
  r.stages = {{150, 100.0f}, {120, 85.3f}};
  r.hit_ms = {100, 200, 300, 430, 500};
  return r;
}
// Intervals 100 100 130 70: a rate of 10 x sqrt(450).
const std::string kSpeedRow =
    "2026-12-09 18:30:05,手速测试,z,x,2,5,0.62,120,92.65,212.13,150,,,,150/100.00 120/85.30,100 200 300 430 500\r\n";

RunRecord positioning_run() {
  return {.when = {2026, 1, 2, 3, 4, 5}, .test = TestKind::kPositioning, .z_key = u",", .x_key = u"空\"格",
          .stage_size = 20, .hits = 20, .seconds = 9, .misses = 3, .best_combo = 12, .mean_ms = 734};
}
const std::string kPositioningRow =
    "2026-01-02 03:04:05,定位测试,\",\",\"空\"\"格\",20,20,9.00,,,,,3,12,734,,\r\n";

std::string line(const std::string& row) { return row.substr(0, row.size() - 2); }

// Rows as the file holds them, and rows it cannot have written: each is
// skipped.
TEST(HistoryRows, ARowHoldsTheFiguresAsShownAndReadsBackToTheSameRow) {
  RunRecord no_stage = speed_run();
  no_stage.stage_size = 20;
  no_stage.stability.reset();
  no_stage.stages.clear();
  no_stage.hit_ms = {40};
  no_stage.hits = 1;
  no_stage.seconds = 1.0f;
  const std::pair<RunRecord, std::string> rows[] = {
      {speed_run(), kSpeedRow},
      {positioning_run(), kPositioningRow},
      {no_stage, "2026-12-09 18:30:05,手速测试,z,x,20,1,1,120,--,,,,,,,40\r\n"},
  };
  EXPECT_EQ(history_header(), kHeader);
  for (const auto& [run, row] : rows) {
    EXPECT_EQ(history_row(run), row);
    const std::optional<RunRecord> read = read_history_row(line(row));
    ASSERT_TRUE(read) << row;
    EXPECT_EQ(history_row(*read), row);
    EXPECT_EQ(read->hit_ms, run.hit_ms);
    EXPECT_EQ(read->z_key, run.z_key);
  }
  const std::string s = line(kSpeedRow), p = line(kPositioningRow);
  for (const std::string& bad : {
           s + ",",                                         // a column too many
           s.substr(0, s.rfind(',')),                       // one too few
           "2026-12-9 18:30:05" + s.substr(19),             // the date
           "2026-13-09 18:30:05" + s.substr(19),            //
           s.substr(0, s.size() - 4),                       // a hit short of the hits
           s + " 600",                                      // one over
           s.substr(0, s.find("150/100.00 ")) + s.substr(s.find("120/85.30")),  // a stage short
           s.substr(0, s.find(",5,")) + ",5x," + s.substr(s.find(",5,") + 3),   // not a number
           s.substr(0, s.find("手速")) + "打字" + s.substr(s.find("测试")),       // no such test
           p.substr(0, p.find(",,,,,")) + ",,,,7," + p.substr(p.find(",,,,,") + 5),  // positioning with a BPM
           p.substr(0, p.find("\",\"")) + "\",\"\"" + p.substr(p.find("\",\"") + 3),  // a quote left open
           std::string("\"z\"") + s.substr(19),
           std::string(),
       })
    EXPECT_FALSE(read_history_row(bad)) << bad;
}

class HistoryFile : public ::testing::Test {
 protected:
  std::string& file() { return files.files[kPath]; }

  storage::MemoryFileStore files;
  History history{files, kPath};
};

TEST_F(HistoryFile, EachRunIsOneAppendAndTheFileIsReadOnce) {
  EXPECT_TRUE(history.add(speed_run()));
  EXPECT_EQ(file(), kHeader + kSpeedRow);
  EXPECT_EQ(history.runs().size(), 1u);
  EXPECT_TRUE(history.add(positioning_run()));
  EXPECT_EQ(file(), kHeader + kSpeedRow + kPositioningRow);
  EXPECT_EQ(files.appends, 2);
  file().clear();  // read once: the history follows what it adds
  ASSERT_EQ(history.runs().size(), 2u);
  EXPECT_EQ(history_row(history.runs()[1]), kPositioningRow);
  EXPECT_EQ(history.status(), u"");
}

// A line another program (or a hand) put there, and a last line whose
// write a kill cut short, stay in the file as they are; the reader skips
// them and the next row starts a line of its own.
TEST_F(HistoryFile, LinesItCannotReadAreSkippedAndKept) {
  const std::string torn = kSpeedRow.substr(0, 40);
  const std::string before = kHeader + kSpeedRow + "my note,,\r\n\r\n" + kPositioningRow + torn;
  file() = before;
  ASSERT_EQ(history.runs().size(), 2u);
  EXPECT_EQ(history.skipped_lines(), 3u);
  EXPECT_TRUE(history.add(positioning_run()));
  EXPECT_EQ(file(), before + "\r\n" + kPositioningRow);
  History again{files, kPath};
  EXPECT_EQ(again.runs().size(), 3u);
  EXPECT_EQ(again.skipped_lines(), 3u);
  EXPECT_EQ(parse_history(kHeader.substr(0, 20)).skipped_lines, 1u);  // a header cut short
}

// A spreadsheet holding the file: the runs wait in memory, in order, and go
// into the file at the next run's end or a retry once it is free.
TEST_F(HistoryFile, AHeldFileKeepsTheRunsInMemoryUntilItIsFree) {
  file() = kHeader + kSpeedRow;
  files.held.insert(kPath);
  EXPECT_FALSE(history.add(positioning_run()));
  EXPECT_FALSE(history.add(speed_run()));
  EXPECT_EQ(file(), kHeader + kSpeedRow);
  EXPECT_EQ(history.runs().size(), 3u);
  EXPECT_EQ(history.status(),
            u"成绩记录文件 History.csv 正被其他程序占用，2 次成绩暂存在内存中，文件空出后写入（下次测试结束或打开本窗口时）");
  history.retry_pending();
  EXPECT_EQ(history.pending(), 2u);
  files.held.clear();
  history.retry_pending();
  EXPECT_EQ(file(), kHeader + kSpeedRow + kPositioningRow + kSpeedRow);
  EXPECT_EQ(history.status(), u"");
  EXPECT_EQ(history.runs().size(), 3u);

  // Free again at the next run's end: the waiting run goes first.
  files.held.insert(kPath);
  history.add(positioning_run());
  files.held.clear();
  EXPECT_TRUE(history.add(speed_run()));
  EXPECT_EQ(file(), kHeader + kSpeedRow + kPositioningRow + kSpeedRow + kPositioningRow + kSpeedRow);

  // A file that cannot even be read: the chart has this session's runs.
  History unread{files, kPath};
  files.unreadable.insert(kPath);
  EXPECT_FALSE(unread.add(speed_run()));
  EXPECT_EQ(unread.runs().size(), 1u);
  files.unreadable.clear();
  unread.retry_pending();
  EXPECT_EQ(unread.runs().size(), 6u);
  EXPECT_EQ(unread.status(), u"");
}

}  // namespace
}  // namespace tapvero::record
