// The main window: every control by its name, and the form it is built from.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "storage/settings.h"
#include "tapvero_version.h"
#include "widgets/form.h"

namespace tapvero::form {

// Control names; each number is also the control's Windows id.
enum Control : widgets::ControlId {
  主窗口 = widgets::kMainWindow,
  高级选择夹1,
  // Page 0, speed test.
  分组框1,
  选择框Z,
  编辑框_Z,
  选择框X,
  编辑框_X,
  选择框_鼠标,
  按钮1,
  分组框2,
  开始测试,
  停止测试,
  标签1,
  标签_连击,
  分组框3,
  标签3,
  编辑框_阶段,
  标签4,
  按钮2,
  分组框4,
  编辑框_结果,
  标签2,
  标签_稳定度,
  // Page 1, positioning test.
  标签5,
  按钮3,
  标签6,
  分组框5,
  选择框_开启窗口化,
  标签8,
  编辑框_宽,
  标签9,
  编辑框_高,
  // Page 2, alternation lock.
  标签7,
  按钮_开启自动锁定,
  按钮_关闭自动锁定,
  // On the window itself, outside its normal frame.
  按钮_泡泡,
  标签_倒计时,
};

inline constexpr int kControlCount = 标签_倒计时 + 1;

// The main window as created, before the created handler shrinks it. The
// settings' controls start with the settings' defaults.
const widgets::FormSpec& main_form();

// The control that shows a setting: an edit box a text, a check box a truth.
Control control_of(const storage::SettingField& setting);

// The window's title, with the version from project().
inline constexpr std::u16string_view kTitle = u"" TAPVERO_TITLE;

// The normal outer size, set by the created handler and restored after a
// positioning run.
inline constexpr widgets::Size kNormalWindowSize = {671, 373};

// 标签_稳定度's colours, by how even the last stage was.
inline constexpr widgets::Color kGreen{46, 209, 50};
inline constexpr widgets::Color kYellow{221, 202, 34};
inline constexpr widgets::Color kRed{255, 0, 26};
// The colour of a stability figure: green above 70, yellow above 40, red
// otherwise.
widgets::Color stability_color(float stability);

// The tab control's pages.
enum Page : int { kSpeedTestPage = 0, kPositioningPage = 1, kLockPage = 2 };

// The form's rows: every control, and the setting each settings control
// shows. Read through main_form() and control_of().
namespace detail {

using widgets::ControlSpec;
using widgets::Font;
using widgets::TabPage;
using enum widgets::Kind;
using widgets::kBold, widgets::kTicked, widgets::kDisabled, widgets::kHidden, widgets::kMultiLine,
    widgets::kIntegerOnly, widgets::kCentered, widgets::kWordWrap, widgets::kReadOnlyInput;

inline constexpr int kNoPage = -1;  // a control on the window itself, not on a tab page

// A setting's default (ASCII) as a caption.
template <std::size_t N>
struct Caption {
  char16_t text[N] = {};
  constexpr explicit Caption(const char (&ascii)[N]) {
    for (std::size_t i = 0; i < N; ++i) text[i] = static_cast<char16_t>(ascii[i]);
  }
  constexpr operator std::u16string_view() const { return {text, N - 1}; }
};

inline constexpr Caption kZKey(storage::kDefaultZKey);
inline constexpr Caption kXKey(storage::kDefaultXKey);
inline constexpr Caption kStage(storage::kDefaultStage);
inline constexpr Caption kWidth(storage::kDefaultWidth);
inline constexpr Caption kHeight(storage::kDefaultHeight);

inline constexpr std::array<TabPage, 3> kPages{{
    {u"手速测试", u"测试你的BPM有多高"},
    {u"定位测试", u"测试的定位速度和精度"},
    {u"自动锁定", u"轮流锁定左右键，强制交替点击"},
}};

inline constexpr Font kTabStrip{12, 400, u"SimSun"};
// Controls without a font of their own: SimSun at the character height of
// the default GUI font of Chinese Windows.
inline constexpr Font kDefaultFont{12, 400, u"SimSun"};
// Labels, check boxes and group boxes on the pages stand on white.
inline constexpr widgets::Color kPageBackground{255, 255, 255};

inline constexpr std::u16string_view kStartCaption = u"开始测试\r\n(测试鼠标点击速度也请疯狂点我)";
inline constexpr std::u16string_view kPositioningIntro =
    u"本功能用于测试你的反应速度和定位精度\r\n\r\n请以最快速度点击出现的按钮";

inline constexpr std::u16string_view kLockDescription =
    u"众所周知，想要五星打得好，左右键交替必须用得好\r\n\r\n"
    u"也许很多新手和我一样，都习惯于只按一个键，而不是左右键交替点击\r\n\r\n"
    u"这种习惯会在五星歌曲中带来不小的麻烦\r\n\r\n"
    u"自己想练交替吧？却又总是一不小心重蹈覆辙\r\n\r\n"
    u"于是开发这个功能，自动轮流锁定。也就是按了z键之后z键锁定，x键解锁；按了x键之后x键锁定，z键解锁。"
    u"并以此循环下去，强制自己zx键交替点击\r\n\r\n"
    u"(按键设置与“手速测试”通用)目前仅支持键盘交替锁定";

// Every control after its container, one row each. Geometry: left, top,
// width, height within the container; the tab control's area includes its
// tab strip. Fonts are heights in pixels (and weights), in the default face.
// clang-format off
inline const ControlSpec kControls[] = {
    {.id = 主窗口,            .kind = kWindow,   .container = 主窗口,      .page = kNoPage,          .geometry = {50, 50, 957, 422},  .caption = kTitle},
    {.id = 高级选择夹1,       .kind = kTab,      .container = 主窗口,      .page = kNoPage,          .geometry = {8, 8, 648, 328},    .caption = u"",               .font = kTabStrip, .pages = kPages},

    {.id = 分组框1,           .kind = kGroupBox, .container = 高级选择夹1, .page = kSpeedTestPage,   .geometry = {8, 32, 304, 56},    .caption = u"按键设置"},
    {.id = 选择框Z,           .kind = kCheckBox, .container = 分组框1,     .page = kSpeedTestPage,   .geometry = {8, 24, 40, 24},     .caption = u"z键",            .flags = kTicked},
    {.id = 编辑框_Z,          .kind = kEdit,     .container = 分组框1,     .page = kSpeedTestPage,   .geometry = {48, 24, 40, 20},    .caption = kZKey,             .max_length = 1},
    {.id = 选择框X,           .kind = kCheckBox, .container = 分组框1,     .page = kSpeedTestPage,   .geometry = {96, 24, 40, 24},    .caption = u"x键",            .flags = kTicked},
    {.id = 编辑框_X,          .kind = kEdit,     .container = 分组框1,     .page = kSpeedTestPage,   .geometry = {136, 24, 40, 20},   .caption = kXKey,             .max_length = 1},
    {.id = 选择框_鼠标,       .kind = kCheckBox, .container = 分组框1,     .page = kSpeedTestPage,   .geometry = {184, 24, 40, 24},   .caption = u"鼠标"},
    {.id = 按钮1,             .kind = kButton,   .container = 分组框1,     .page = kSpeedTestPage,   .geometry = {232, 21, 64, 24},   .caption = u"保存"},  // saves the key settings

    {.id = 分组框2,           .kind = kGroupBox, .container = 高级选择夹1, .page = kSpeedTestPage,   .geometry = {8, 96, 304, 160},   .caption = u"测试"},
    {.id = 开始测试,          .kind = kButton,   .container = 分组框2,     .page = kSpeedTestPage,   .geometry = {8, 24, 288, 72},    .caption = kStartCaption},
    {.id = 停止测试,          .kind = kButton,   .container = 分组框2,     .page = kSpeedTestPage,   .geometry = {8, 112, 88, 32},    .caption = u"停止测试",       .flags = kDisabled},
    {.id = 标签1,             .kind = kLabel,    .container = 分组框2,     .page = kSpeedTestPage,   .geometry = {104, 120, 72, 24},  .caption = u"连击数:",        .font = {19}},
    {.id = 标签_连击,         .kind = kLabel,    .container = 分组框2,     .page = kSpeedTestPage,   .geometry = {176, 120, 120, 24}, .caption = u"0",              .font = {19}},

    {.id = 分组框3,           .kind = kGroupBox, .container = 高级选择夹1, .page = kSpeedTestPage,   .geometry = {8, 264, 304, 56},   .caption = u"阶段设置"},
    {.id = 标签3,             .kind = kLabel,    .container = 分组框3,     .page = kSpeedTestPage,   .geometry = {8, 24, 80, 24},     .caption = u"以连击"},
    {.id = 编辑框_阶段,       .kind = kEdit,     .container = 分组框3,     .page = kSpeedTestPage,   .geometry = {48, 24, 80, 20},    .caption = kStage,            .flags = kIntegerOnly | kCentered},
    {.id = 标签4,             .kind = kLabel,    .container = 分组框3,     .page = kSpeedTestPage,   .geometry = {136, 24, 80, 24},   .caption = u"次作为一阶段"},
    {.id = 按钮2,             .kind = kButton,   .container = 分组框3,     .page = kSpeedTestPage,   .geometry = {232, 21, 64, 24},   .caption = u"保存"},  // saves the stage size

    {.id = 分组框4,           .kind = kGroupBox, .container = 高级选择夹1, .page = kSpeedTestPage,   .geometry = {320, 32, 320, 224}, .caption = u"测试结果"},
    {.id = 编辑框_结果,       .kind = kEdit,     .container = 分组框4,     .page = kSpeedTestPage,   .geometry = {8, 16, 304, 200},   .caption = u"",               .flags = kMultiLine | kReadOnlyInput},
    {.id = 标签2,             .kind = kLabel,    .container = 高级选择夹1, .page = kSpeedTestPage,   .geometry = {320, 288, 88, 24},  .caption = u"稳定度:",        .font = {24}},
    {.id = 标签_稳定度,       .kind = kLabel,    .container = 高级选择夹1, .page = kSpeedTestPage,   .geometry = {408, 288, 144, 24}, .caption = u"100 %",          .font = {24, kBold}, .text_color = kGreen},

    {.id = 标签5,             .kind = kLabel,    .container = 高级选择夹1, .page = kPositioningPage, .geometry = {48, 64, 552, 88},   .caption = kPositioningIntro, .font = {29}, .flags = kCentered | kWordWrap},
    {.id = 按钮3,             .kind = kButton,   .container = 高级选择夹1, .page = kPositioningPage, .geometry = {196, 188, 256, 80}, .caption = u"开始测试",       .font = {20}},  // starts a positioning run
    {.id = 标签6,             .kind = kLabel,    .container = 高级选择夹1, .page = kPositioningPage, .geometry = {72, 272, 496, 24},  .caption = u"(按键设置与“手速测试”通用)", .flags = kCentered},
    {.id = 分组框5,           .kind = kGroupBox, .container = 高级选择夹1, .page = kPositioningPage, .geometry = {544, 224, 96, 96},  .caption = u"窗口化"},
    {.id = 选择框_开启窗口化, .kind = kCheckBox, .container = 分组框5,     .page = kPositioningPage, .geometry = {8, 16, 48, 24},     .caption = u"开启"},
    {.id = 标签8,             .kind = kLabel,    .container = 分组框5,     .page = kPositioningPage, .geometry = {8, 40, 16, 24},     .caption = u"宽"},
    {.id = 编辑框_宽,         .kind = kEdit,     .container = 分组框5,     .page = kPositioningPage, .geometry = {24, 40, 64, 20},    .caption = kWidth,            .flags = kIntegerOnly | kCentered},
    {.id = 标签9,             .kind = kLabel,    .container = 分组框5,     .page = kPositioningPage, .geometry = {8, 64, 16, 24},     .caption = u"高"},
    {.id = 编辑框_高,         .kind = kEdit,     .container = 分组框5,     .page = kPositioningPage, .geometry = {24, 64, 64, 20},    .caption = kHeight,           .flags = kIntegerOnly | kCentered},

    {.id = 标签7,             .kind = kLabel,    .container = 高级选择夹1, .page = kLockPage,        .geometry = {8, 32, 632, 200},   .caption = kLockDescription,  .font = {16}, .flags = kWordWrap},
    {.id = 按钮_开启自动锁定, .kind = kButton,   .container = 高级选择夹1, .page = kLockPage,        .geometry = {32, 264, 128, 40},  .caption = u"开启自动锁定"},
    {.id = 按钮_关闭自动锁定, .kind = kButton,   .container = 高级选择夹1, .page = kLockPage,        .geometry = {488, 264, 128, 40}, .caption = u"关闭自动锁定(F12)", .flags = kDisabled},

    {.id = 按钮_泡泡,         .kind = kButton,   .container = 主窗口,      .page = kNoPage,          .geometry = {744, 192, 104, 88}, .caption = u"0",              .font = {24, kBold}, .flags = kHidden},
    {.id = 标签_倒计时,       .kind = kLabel,    .container = 主窗口,      .page = kNoPage,          .geometry = {720, 48, 104, 104}, .caption = u"3",              .font = {56, kBold}, .flags = kHidden | kCentered},
};
// clang-format on

static_assert(std::size(kControls) == kControlCount);

// Each setting's control; every setting has one but the history switch,
// which is an item of the system menu.
struct SettingControl {
  storage::SettingField setting;
  Control control;
};
using storage::Settings;
inline constexpr SettingControl kSettingControls[] = {
    {&Settings::z_key, 编辑框_Z},
    {&Settings::z_on, 选择框Z},
    {&Settings::x_key, 编辑框_X},
    {&Settings::x_on, 选择框X},
    {&Settings::mouse, 选择框_鼠标},
    {&Settings::stage, 编辑框_阶段},
    {&Settings::windowed, 选择框_开启窗口化},
    {&Settings::width, 编辑框_宽},
    {&Settings::height, 编辑框_高},
};
static_assert(std::ranges::all_of(storage::kSettings, [](const storage::Setting& row) {
  return std::ranges::count(kSettingControls, row.field, &SettingControl::setting) ==
         (row.group == storage::SaveGroup::kHistory ? 0 : 1);
}));

}  // namespace detail

}  // namespace tapvero::form
