// The chart as a scene: what a run and the history put where, and the
// window's picking and following of runs, through the window in memory.
#include "record/chart.h"

#include <gtest/gtest.h>

#include "form/main_form.h"
#include "support/memory_file_store.h"
#include "support/memory_ui.h"

namespace tapvero::record {
namespace {

using widgets::Scene;

bool shows(const Scene& scene, std::u16string_view part) {
  for (const Scene::Item& item : scene.items) {
    if (const auto* t = std::get_if<Scene::Text>(&item); t && t->text.find(part) != t->text.npos) return true;
  }
  return false;
}

// A speed test of `hits` even hits 100 ms apart and the given stages.
RunRecord speed_run(int hits, std::vector<StageRecord> stages, int minute = 0) {
  RunRecord run{.when = {2026, 12, 9, 15, minute, 0}, .z_key = u"z", .x_key = u"x", .stage_size = 20, .hits = hits};
  run.stages = std::move(stages);
  for (int i = 1; i <= hits; ++i) run.hit_ms.push_back(i * 100);
  return run;
}

// Each completed stage is a bar of its colour under its own hits, left to
// right; the stage still going has none. Every hit is a point of the BPM line.
TEST(ChartScene, StagesShowInTheirColoursUnderTheirHits) {
  const RunRecord run = speed_run(45, {{150, 85.5f}, {140, 70.0f}});
  const PersonalBests bests;
  const Scene scene = chart_scene({.runs = {&run, 1}, .bests = &bests, .status = u"成绩记录文件被占用"}, kChartSize);
  std::vector<Scene::Fill> stage_bars;
  std::vector<widgets::PointF> bpm_line;
  for (const Scene::Item& item : scene.items) {
    if (const auto* f = std::get_if<Scene::Fill>(&item); f && f->rect.height == 34) stage_bars.push_back(*f);
    if (const auto* l = std::get_if<Scene::Polyline>(&item); l && l->points.size() > 2) bpm_line = l->points;
  }
  ASSERT_EQ(stage_bars.size(), 2u);
  EXPECT_EQ(stage_bars[0].color, form::kGreen);
  EXPECT_EQ(stage_bars[1].color, form::kYellow);  // exactly 70 is no green
  ASSERT_EQ(bpm_line.size(), 45u);
  const auto right_of = [](const Scene::Fill& f) { return f.rect.left + f.rect.width; };
  EXPECT_LT(stage_bars[0].rect.left, bpm_line[0].x);
  EXPECT_LT(bpm_line[19].x, right_of(stage_bars[0]));
  EXPECT_LT(right_of(stage_bars[0]), bpm_line[20].x);
  EXPECT_LT(bpm_line[39].x, right_of(stage_bars[1]));
  EXPECT_LT(right_of(stage_bars[1]), bpm_line[40].x);
  EXPECT_TRUE(shows(scene, u"成绩记录文件被占用"));
}

// The newest run shows as the window opens, and a running test after the
// stored runs; keys and clicks pick another, and the window draws again
// only when there is something new to show.
TEST(Chart, PicksRunsAndFollowsTheRunningTest) {
  widgets::MemoryUi ui(form::main_form());
  storage::MemoryFileStore files;
  History history(files, u"C:\\Tapvero\\History.csv");
  history.add(speed_run(40, {{150, 85.5f}, {160, 90}}, 1));
  history.add(speed_run(20, {{120, 30}}, 2));
  std::int64_t hits = -1;
  Chart chart(ui, history, [&] { return hits < 0 ? std::nullopt : std::optional(speed_run(static_cast<int>(hits), {})); },
              [&] { return hits; });
  chart.open();
  EXPECT_TRUE(shows(ui.scene, u"第 2 / 2 次"));
  ui.scene_key(0x25);  // Left, twice: there is no older one
  ui.scene_key(0x25);
  EXPECT_TRUE(shows(ui.scene, u"第 1 / 2 次"));
  const int shown = ui.scenes_shown;
  ui.scene_frame();
  EXPECT_EQ(ui.scenes_shown, shown);
  hits = 3;  // a test starts: the picked run stays
  ui.scene_frame();
  EXPECT_EQ(ui.scenes_shown, shown + 1);
  EXPECT_TRUE(shows(ui.scene, u"第 1 / 3 次"));
  ui.scene_key(0x23);  // End: the running test, followed hit by hit
  EXPECT_TRUE(shows(ui.scene, u"（进行中）"));
  hits = 4;
  ui.scene_frame();
  EXPECT_TRUE(shows(ui.scene, u"进行中  手速 4 次"));
  // A click on the list's first row picks the oldest run.
  ASSERT_FALSE(ui.scene.targets.empty());
  const widgets::RectF first_row = ui.scene.targets.front().area;
  EXPECT_TRUE(ui.click_scene({first_row.left + 5, first_row.top + 5}));
  EXPECT_TRUE(shows(ui.scene, u"第 1 / 3 次"));
}

}  // namespace
}  // namespace tapvero::record
