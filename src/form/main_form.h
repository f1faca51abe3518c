// The main window: every control by its name, and the form it is built from.
#pragma once

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

// The tab control's pages.
enum Page : int { kSpeedTestPage = 0, kPositioningPage = 1, kLockPage = 2 };

}  // namespace tapvero::form
