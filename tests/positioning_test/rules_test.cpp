#include "positioning_test/rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace tapvero::positioning_test {
namespace {

using widgets::Point;
using widgets::Rect;
using widgets::Size;

TEST(Generator, KnownSeedsGiveTheirKnownSequences) {
  // The sequences this generator is known for (seed 1 gives 41, 18467, ...).
  const struct {
    std::uint32_t seed;
    std::vector<int> draws;
  } cases[] = {
      {0, {38, 7719, 21238, 2437, 8855, 11797, 8365, 32285, 10450, 30612}},
      {1, {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}},
      {0xFFFFFFFFu, {35, 29739, 3374, 11141, 31308, 7870, 5253, 2445, 26706, 3992}},
  };
  for (const auto& c : cases) {
    Generator g;
    g.seed(c.seed);
    std::vector<int> got;
    for (std::size_t i = 0; i < c.draws.size(); ++i) got.push_back(g.draw());
    EXPECT_EQ(got, c.draws) << "seed " << c.seed;
  }
}

TEST(RandomInteger, BoundsAreClampedSwappedAndDrawnOnceUnlessEqual) {
  // Seed 1's first draw is 41.
  const struct {
    int low, high, expected;
    bool draws;
  } cases[] = {
      {0, 9, 1, true},         // 41 mod 10
      {9, 0, 1, true},         // swapped
      {10, 20, 18, true},      // 10 + 41 mod 11
      {-5, 3, 1, true},        // low counts as 0: 41 mod 4
      {3, -5, 1, true},        // high counts as 0, then swapped
      {8, -18, 5, true},       // a client narrower than 120: 41 mod 9
      {8, 7, 8, true},         // between 7 and 8: 7 + 41 mod 2
      {5, 5, 5, false},        // equal bounds: no draw
      {-3, -7, 0, false},      // both count as 0
      {8, INT_MAX, 49, true},  // a span of more than 2^31 - 9 values
      {0, INT_MAX, 41, true},  // a span of 2^31 values
  };
  for (const auto& c : cases) {
    Generator g;
    g.seed(1);
    EXPECT_EQ(random_integer(g, c.low, c.high), c.expected) << c.low << ", " << c.high;
    EXPECT_EQ(g.state() != 1u, c.draws) << c.low << ", " << c.high;
  }
}

TEST(ClockSeed, TwoSeedingsInTheSameMillisecondDiffer) {
  std::uint32_t counter = 0;
  EXPECT_EQ(clock_seed(base::Tick(1000), counter), 1000u);
  EXPECT_EQ(counter, 332u);  // (1000 & 0xFF) + 100
  EXPECT_EQ(clock_seed(base::Tick(1000), counter), 1332u);
  EXPECT_EQ(counter, 484u);  // 332 + (1332 & 0xFF) + 100
  // The tick wraps with the counter.
  counter = 5;
  EXPECT_EQ(clock_seed(base::Tick(0xFFFFFFFF), counter), 4u);
  EXPECT_EQ(counter, 109u);
}

TEST(WindowedSize, NeedsTwoLeadingNumbersAboveZero) {
  const std::string full_width_800 = "\xA3\xB8\xA3\xB0\xA3\xB0";  // ８００ in GBK
  const std::string full_width_600 = "\xA3\xB6\xA3\xB0\xA3\xB0";  // ６００
  const struct {
    std::string width, height;
    std::optional<Size> expected;
  } cases[] = {
      {"400", "300", Size{400, 300}},
      {"800px", "600", Size{800, 600}},
      {full_width_800, full_width_600, Size{800, 600}},
      {"1", "1", Size{1, 1}},
      {"0", "600", std::nullopt},
      {"-5", "600", std::nullopt},
      {"-0", "600", std::nullopt},
      {"", "600", std::nullopt},
      {"px", "600", std::nullopt},
      {"800", "0", std::nullopt},
      {"800", "-5", std::nullopt},
      {"800", "", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(windowed_size(c.width, c.height), c.expected) << c.width << " x " << c.height;
}

TEST(Placement, WindowAndCountdownLabelTruncateTowardZero) {
  const Size screen{1280, 800};
  EXPECT_EQ(centred_window(screen, {400, 300}), (Rect{440, 250, 400, 300}));
  EXPECT_EQ(centred_window(screen, {401, 301}), (Rect{439, 249, 401, 301}));
  // Larger than the screen: a negative left and top, -0.5 giving 0.
  EXPECT_EQ(centred_window(screen, {1400, 900}), (Rect{-60, -50, 1400, 900}));
  EXPECT_EQ(centred_window(screen, {1281, 801}), (Rect{0, 0, 1281, 801}));
  EXPECT_EQ(centred_window(screen, {INT_MAX, INT_MAX}).left, -1073741183);

  EXPECT_EQ(countdown_label_position(screen), (Point{588, 275}));
  EXPECT_EQ(countdown_label_position({394, 271}), (Point{145, 10}));  // 135.5 - 125
  EXPECT_EQ(countdown_label_position({101, 49}), (Point{-1, -100}));  // -1.5 and -100.5
}

TEST(HitBand, StrictEdgesAndTheYCorrection) {
  // Window corner (100, 50), bubble at (20, 30): x from 120 to 224 and the
  // pointer's y from 105 to 193, all exclusive.
  const Point corner{100, 50};
  const Rect bubble{20, 30, 104, 88};
  const struct {
    Point pointer;
    bool inside;
  } cases[] = {
      {{121, 106}, true},  {{223, 192}, true},  {{120, 150}, false}, {{224, 150}, false},
      {{150, 105}, false}, {{150, 193}, false}, {{150, 81}, false},  // on the bubble's top, not corrected
      {{150, 170}, true},                                            // below it, corrected into the band
  };
  for (const auto& c : cases) {
    EXPECT_EQ(in_hit_band(c.pointer, corner, bubble), c.inside) << c.pointer.x << ", " << c.pointer.y;
  }
}

TEST(Report, ReadsByteForByte) {
  // 20 hits, 3 misses, best combo 12, 15.432 seconds: 21 bubbles.
  EXPECT_EQ(report_text(run_figures(21, 3, 12, 15432, 15432)),
            u"你共击中 20 次，Miss 3次\r\n\r\n最高连击 12 次\r\n\r\n共计耗时 15.43秒\r\n\r\n平均每次打击耗时 734 ms");
  EXPECT_EQ(report_text(run_figures(1, 0, 0, 9000, 9001)),
            u"你共击中 0 次，Miss 0次\r\n\r\n最高连击 0 次\r\n\r\n共计耗时 9.00秒\r\n\r\n平均每次打击耗时 9001 ms");
}

TEST(Report, FiguresNeverGoNegativeOrDivideByZero) {
  const struct {
    std::int64_t bubbles;
    double elapsed, mean_elapsed;
    std::int64_t hits;
    std::int32_t mean;
    std::string seconds;
  } cases[] = {
      {1, 5000, 5000, 0, 5000, "5.00"},  // no hit: the mean is the elapsed time
      {0, 5000, 5000, 0, 5000, "5.00"},  // no bubble at all: divisor 1
      {-3, 700, 700, 0, 700, "0.70"},   {3, 12345, 12346, 2, 4115, "12.35"}, {4, 1005, 1005, 3, 251, "1.01"},
  };
  for (const auto& c : cases) {
    const RunFigures f = run_figures(c.bubbles, 0, 0, c.elapsed, c.mean_elapsed);
    EXPECT_EQ(f.hits, c.hits) << c.bubbles;
    EXPECT_EQ(f.mean_ms, c.mean) << c.bubbles;
    const std::u16string text = report_text(f);
    const std::u16string seconds(c.seconds.begin(), c.seconds.end());
    EXPECT_NE(text.find(u"共计耗时 " + seconds + u"秒"), std::u16string::npos) << c.bubbles;
  }
}

}  // namespace
}  // namespace tapvero::positioning_test
