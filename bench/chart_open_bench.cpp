// How long the chart window takes to open on a long history: the history
// file read from the disk and parsed, the personal and daily bests, and the
// newest run's scene, as opening it from the system menu does. Prints the
// figures of several openings. Natively and under Wine alike.
//   chart_open_bench [RUNS [HITS]]     default 10,000 runs of 200 hits
//   chart_open_bench --write FILE RUNS a history of RUNS runs, for pictures
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "form/main_form.h"
#include "record/chart.h"
#include "record/history.h"
#include "speed_test/report.h"
#include "support/memory_ui.h"
#include "text/number_text.h"

namespace {

using namespace tapvero;

// Runs spread over the two months before mid-December, every fifth a
// positioning run, the rest speed tests with hits 90 to 140 ms apart.
std::vector<record::RunRecord> runs_of(int count, int hits) {
  std::vector<record::RunRecord> runs;
  std::uint32_t seed = 12345;
  const auto next = [&](int below) {
    seed = seed * 214013 + 2531011;
    return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(below));
  };
  constexpr int kMonthDays[] = {31, 30, 31};  // October to December
  for (int i = 0; i < count; ++i) {
    int day = i * 70 / std::max(count, 1), month = 10;
    for (int m = 0; day >= kMonthDays[m]; ++m, ++month) day -= kMonthDays[m];
    record::RunRecord run{.when = {2026, month, day + 1, 9 + i % 12, i % 60, (i * 7) % 60},
                          .z_key = u"z",
                          .x_key = u"x",
                          .stage_size = 20};
    if (i % 5 == 2) {
      run.test = record::TestKind::kPositioning;
      run.hits = 10 + next(30);
      run.misses = next(8);
      run.best_combo = std::min<std::int32_t>(static_cast<std::int32_t>(run.hits), 5 + next(20));
      run.mean_ms = 400 + next(400);
      run.seconds = static_cast<double>(run.mean_ms * (run.hits + 1)) / 1000;
    } else {
      const int pace = 90 + next(50);
      std::int32_t t = 0;
      for (int h = 0; h < hits; ++h) run.hit_ms.push_back(t += pace - 15 + next(31));
      // The figures the speed test itself would show for these hits, stopped
      // at the last one.
      run.hits = hits;
      std::vector<float> stabilities;
      for (int end = 20; end <= hits; end += 20) {
        const std::int32_t start = end == 20 ? 0 : run.hit_ms[static_cast<std::size_t>(end - 21)];
        std::vector<std::int32_t> intervals;
        for (int h = end - 19, last = start; h < end; last = run.hit_ms[static_cast<std::size_t>(h - 1)], ++h)
          intervals.push_back(run.hit_ms[static_cast<std::size_t>(h - 1)] - last);
        const speed_test::StageReport stage =
            speed_test::stage_report(run.hit_ms[static_cast<std::size_t>(end - 1)] - start, 20, end, intervals);
        const auto shown = speed_test::read_line(speed_test::Line::kStage, stage.line.substr(0, stage.line.size() - 2));
        run.stages.push_back({shown->bpm, *shown->stability});
        stabilities.push_back(stage.stability);
      }
      const auto summary = speed_test::read_line(speed_test::Line::kSummary,
                                                 speed_test::summary_text(hits, t, stabilities).substr(4));
      run.seconds = summary->seconds;
      run.bpm = summary->bpm;
      run.stability = summary->stability;
    }
    runs.push_back(std::move(run));
  }
  return runs;
}

std::string history_bytes(const std::vector<record::RunRecord>& runs) {
  std::string bytes(record::history_header());
  for (const record::RunRecord& run : runs) bytes += record::history_row(run);
  return bytes;
}

// The file read from the disk; nothing is written. On Windows the
// program's own file store reads it.
class DiskReader final : public storage::FileStore {
 public:
  storage::ReadResult read(const std::u16string& path) override {
#ifdef _WIN32
    return storage::system_file_store().read(path);
#else
    std::ifstream in(std::filesystem::path(path), std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return {storage::ReadResult::Status::kFound, std::move(bytes)};
#endif
  }
  bool update(const std::u16string&, const Change&) override { return false; }
  Append append(const std::u16string&, std::string_view, std::string_view) override { return Append::kFailed; }
};

double ms_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string ms_text(double ms) { return text::fixed_text(ms, 1) + " ms"; }

struct NoRunningTest {
  std::optional<record::RunRecord> operator()() const { return std::nullopt; }
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--write") {
    std::ofstream(args[1], std::ios::binary) << history_bytes(runs_of(std::stoi(args[2]), 120));
    return 0;
  }
  // Other arguments (the other benchmarks') are not ours.
  const auto number = [&](std::size_t i, int fallback) {
    return i < args.size() && !args[i].empty() && std::isdigit(static_cast<unsigned char>(args[i][0])) ? std::stoi(args[i])
                                                                                                        : fallback;
  };
  const int count = number(0, 10000), hits = number(1, 200);
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "tapvero-chart-bench-History.csv";
  const std::string bytes = history_bytes(runs_of(count, hits));
  std::ofstream(file, std::ios::binary) << bytes;

  DiskReader disk;
  std::vector<double> ms;
  std::size_t runs_read = 0, items = 0;
  for (int round = 0; round < 7; ++round) {
    widgets::MemoryUi ui(form::main_form());
    record::History history(disk, file.u16string());
    record::Chart chart(ui, history, NoRunningTest{}, [] { return std::int64_t{-1}; });
    const auto start = std::chrono::steady_clock::now();
    chart.open();
    ms.push_back(ms_since(start));
    runs_read = history.runs().size();
    items = ui.scene.items.size();
  }
  // Its parts, once each.
  auto start = std::chrono::steady_clock::now();
  const std::string read = disk.read(file.u16string()).bytes;
  const double read_ms = ms_since(start);
  start = std::chrono::steady_clock::now();
  const record::ParsedHistory parsed = record::parse_history(read);
  const double parse_ms = ms_since(start);
  start = std::chrono::steady_clock::now();
  const record::PersonalBests bests = record::personal_bests(parsed.runs);
  const std::vector<record::DayBest> days = record::best_bpm_by_day(parsed.runs);
  const double bests_ms = ms_since(start);
  start = std::chrono::steady_clock::now();
  const widgets::Scene scene = record::chart_scene(
      {.runs = parsed.runs, .selected = parsed.runs.size() - 1, .bests = &bests, .days = days}, record::kChartSize);
  const double scene_ms = ms_since(start);
  std::filesystem::remove(file);

  std::sort(ms.begin(), ms.end());
  std::cout << "chart open: " << text::int_text(static_cast<std::int64_t>(runs_read)) << " runs of "
            << text::int_text(hits) << " hits (" << text::fixed_text(static_cast<double>(bytes.size()) / 1e6, 1)
            << " MB), file read + parse + bests + scene (" << text::int_text(static_cast<std::int64_t>(items))
            << " items)\n  over " << text::int_text(static_cast<std::int64_t>(ms.size())) << " openings: min "
            << ms_text(ms.front()) << ", median " << ms_text(ms[ms.size() / 2]) << ", max " << ms_text(ms.back())
            << " (target: under 100 ms)\n  parts: read " << ms_text(read_ms) << ", parse " << ms_text(parse_ms)
            << ", bests " << ms_text(bests_ms) << ", scene " << ms_text(scene_ms) << " ("
            << text::int_text(static_cast<std::int64_t>(scene.items.size())) << " items)\n";
  return runs_read == static_cast<std::size_t>(count) ? 0 : 1;
}
