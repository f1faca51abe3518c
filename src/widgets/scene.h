// A picture described as data, for a window that draws rather than holds
// controls: filled rectangles, lines and texts in the order they are
// painted, and the areas a click picks. Everything is in logical units
// (1/96 inch): the window scales it to its own resolution, so a scene is
// the same on every display and can be inspected in tests.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "widgets/form.h"

namespace tapvero::widgets {

struct PointF {
  float x = 0;
  float y = 0;
  friend bool operator==(const PointF&, const PointF&) = default;
};

struct RectF {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  bool contains(PointF p) const { return p.x >= left && p.x < left + width && p.y >= top && p.y < top + height; }
  friend bool operator==(const RectF&, const RectF&) = default;
};

enum class Align { kLeft, kCenter, kRight };

struct Scene {
  struct Fill {
    RectF rect;
    Color color;
  };
  // Straight lines through the points, one after the other.
  struct Polyline {
    std::vector<PointF> points;
    Color color;
    float width = 1;
  };
  // One line of text; `at` is its top left, top middle or top right corner
  // as `align` says. `size` is the character height.
  struct Text {
    PointF at;
    std::u16string text;
    Color color;
    float size = 12;
    Align align = Align::kLeft;
    bool bold = false;
  };
  using Item = std::variant<Fill, Polyline, Text>;
  // An area that a click picks, named by the scene's maker.
  struct Target {
    RectF area;
    int id = 0;
  };

  Color background{255, 255, 255};
  std::vector<Item> items;  // painted in this order, later ones over earlier ones
  std::vector<Target> targets;

  void fill(RectF rect, Color color) { items.emplace_back(Fill{rect, color}); }
  void line(std::vector<PointF> points, Color color, float width = 1) {
    items.emplace_back(Polyline{std::move(points), color, width});
  }
  void text(PointF at, std::u16string s, Color color, float size, Align align = Align::kLeft, bool bold = false) {
    items.emplace_back(Text{at, std::move(s), color, size, align, bold});
  }

  // The target a click at `p` picks: the last one added that holds it.
  std::optional<int> target_at(PointF p) const {
    for (auto t = targets.rbegin(); t != targets.rend(); ++t) {
      if (t->area.contains(p)) return t->id;
    }
    return std::nullopt;
  }
};

// What a scene's window reports, on the window's thread.
class SceneSink {
 public:
  virtual ~SceneSink() = default;
  // The area to draw in, in logical units: once as the window opens, and at
  // every change of its size or resolution. The sink answers with a scene.
  virtual void on_scene_size(Size logical) = 0;
  // A key pressed in the window (Esc closes it before this).
  virtual void on_scene_key(int key_code) = 0;
  // A click on one of the scene's targets.
  virtual void on_scene_target(int id) = 0;
  // About once a frame (16 ms) while the window is open.
  virtual void on_scene_frame() = 0;
  // The window has closed.
  virtual void on_scene_closed() = 0;
};

}  // namespace tapvero::widgets
