// A window described as data: every control's kind, container, page,
// geometry, caption, font and initial state. The toolkit creates the window
// from such a description; tests build their in-memory window from the same.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tapvero::widgets {

// Controls are named by small integers chosen by the program; 0 is the main
// window itself. A control's Windows id is the same number.
using ControlId = int;
constexpr ControlId kMainWindow = 0;

enum class Kind { kWindow, kTab, kGroupBox, kLabel, kButton, kEdit, kCheckBox };

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Color {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

// A font by character height in pixels and weight, in the form's default
// face unless a face is named. Height 0 is the form's default font.
struct Font {
  int height = 0;
  int weight = 400;
  const char16_t* face = nullptr;
};

constexpr int kBold = 700;

enum Flag : std::uint32_t {
  kTicked = 1u << 0,  // check box starts ticked
  kDisabled = 1u << 1,
  kHidden = 1u << 2,
  kMultiLine = 1u << 3,      // edit box: several lines with a vertical scroll bar
  kIntegerOnly = 1u << 4,    // edit box: accepts only 0-9 and '-'
  kCentered = 1u << 5,       // text centred horizontally
  kWordWrap = 1u << 6,       // label: long lines wrap
  kReadOnlyInput = 1u << 7,  // edit box: the user's typing, pasting and cutting never change it
};

struct TabPage {
  std::u16string_view caption;
  std::u16string_view hint;  // shown as the tab's tooltip
};

struct ControlSpec {
  ControlId id = kMainWindow;
  Kind kind = Kind::kLabel;
  ControlId container = kMainWindow;  // the main window, the tab control or a group box
  int page = -1;                      // tab page, for controls on the tab control
  Rect geometry;                      // relative to the container
  std::u16string_view caption;
  Font font;
  std::uint32_t flags = 0;
  int max_length = 0;               // edit box: 0 = no limit
  std::optional<Color> text_color;  // label: none = the system's
  std::span<const TabPage> pages;   // tab control only
};

// The description of a whole window: its own entry (kind kWindow, id 0,
// geometry = outer size and position before centring) first, then every
// control after the container it lies in; and the window's own ways.
struct FormSpec {
  std::span<const ControlSpec> controls;
  // The font of every control that names none (height and face).
  Font default_font;
  // What labels, check boxes and group boxes on a tab page stand on; none:
  // the window's colour.
  std::optional<Color> page_background;
  // Esc asks the window to close, whichever control has the focus.
  bool escape_closes = false;
};

}  // namespace tapvero::widgets
