#include "app/main_form.h"

#include <array>

namespace tapvero::app {
namespace {

using widgets::ControlSpec;
using widgets::Font;
using widgets::Kind;
using widgets::TabPage;

constexpr std::array<TabPage, 3> kPages{{
    {u"手速测试", u"测试你的BPM有多高"},
    {u"定位测试", u"测试的定位速度和精度"},
    {u"自动锁定", u"轮流锁定左右键，强制交替点击"},
}};

constexpr Font kDefault{};
constexpr Font kTabStrip{12, 400, u"SimSun"};

constexpr std::u16string_view kLockDescription =
    u"众所周知，想要五星打得好，左右键交替必须用得好\r\n\r\n"
    u"也许很多新手和我一样，都习惯于只按一个键，而不是左右键交替点击\r\n\r\n"
    u"这种习惯会在五星歌曲中带来不小的麻烦\r\n\r\n"
    u"自己想练交替吧？却又总是一不小心重蹈覆辙\r\n\r\n"
    u"于是开发这个功能，自动轮流锁定。也就是按了z键之后z键锁定，x键解锁；按了x键之后x键锁定，z键解锁。"
    u"并以此循环下去，强制自己zx键交替点击\r\n\r\n"
    u"(按键设置与“手速测试”通用)目前仅支持键盘交替锁定";

// Every control after its container. Geometry: left, top, width, height
// within the container; the tab control's area includes its tab strip.
const ControlSpec kControls[] = {
    {主窗口, "主窗口", Kind::kWindow, 主窗口, -1, {50, 50, 957, 422}, u"Tapvero v1.2"},
    {高级选择夹1, "高级选择夹1", Kind::kTab, 主窗口, -1, {8, 8, 648, 328}, u"", kTabStrip, 0, 0, {}, kPages},

    {分组框1, "分组框1", Kind::kGroupBox, 高级选择夹1, kSpeedTestPage, {8, 32, 304, 56}, u"按键设置"},
    {选择框Z, "选择框Z", Kind::kCheckBox, 分组框1, kSpeedTestPage, {8, 24, 40, 24}, u"z键", kDefault, widgets::kTicked},
    {编辑框_Z, "编辑框_Z", Kind::kEdit, 分组框1, kSpeedTestPage, {48, 24, 40, 20}, u"z", kDefault, 0, 1},
    {选择框X,
     "选择框X",
     Kind::kCheckBox,
     分组框1,
     kSpeedTestPage,
     {96, 24, 40, 24},
     u"x键",
     kDefault,
     widgets::kTicked},
    {编辑框_X, "编辑框_X", Kind::kEdit, 分组框1, kSpeedTestPage, {136, 24, 40, 20}, u"x", kDefault, 0, 1},
    {选择框_鼠标, "选择框_鼠标", Kind::kCheckBox, 分组框1, kSpeedTestPage, {184, 24, 40, 24}, u"鼠标"},
    {按钮1, "按钮1", Kind::kButton, 分组框1, kSpeedTestPage, {232, 21, 64, 24}, u"保存"},

    {分组框2, "分组框2", Kind::kGroupBox, 高级选择夹1, kSpeedTestPage, {8, 96, 304, 160}, u"测试"},
    {开始测试,
     "开始测试",
     Kind::kButton,
     分组框2,
     kSpeedTestPage,
     {8, 24, 288, 72},
     u"开始测试\r\n(测试鼠标点击速度也请疯狂点我)"},
    {停止测试,
     "停止测试",
     Kind::kButton,
     分组框2,
     kSpeedTestPage,
     {8, 112, 88, 32},
     u"停止测试",
     kDefault,
     widgets::kDisabled},
    {标签1, "标签1", Kind::kLabel, 分组框2, kSpeedTestPage, {104, 120, 72, 24}, u"连击数:", Font{19}},
    {标签_连击, "标签_连击", Kind::kLabel, 分组框2, kSpeedTestPage, {176, 120, 120, 24}, u"0", Font{19}},

    {分组框3, "分组框3", Kind::kGroupBox, 高级选择夹1, kSpeedTestPage, {8, 264, 304, 56}, u"阶段设置"},
    {标签3, "标签3", Kind::kLabel, 分组框3, kSpeedTestPage, {8, 24, 80, 24}, u"以连击"},
    {编辑框_阶段,
     "编辑框_阶段",
     Kind::kEdit,
     分组框3,
     kSpeedTestPage,
     {48, 24, 80, 20},
     u"20",
     kDefault,
     widgets::kIntegerOnly | widgets::kCentered},
    {标签4, "标签4", Kind::kLabel, 分组框3, kSpeedTestPage, {136, 24, 80, 24}, u"次作为一阶段"},
    {按钮2, "按钮2", Kind::kButton, 分组框3, kSpeedTestPage, {232, 21, 64, 24}, u"保存"},

    {分组框4, "分组框4", Kind::kGroupBox, 高级选择夹1, kSpeedTestPage, {320, 32, 320, 224}, u"测试结果"},
    {编辑框_结果,
     "编辑框_结果",
     Kind::kEdit,
     分组框4,
     kSpeedTestPage,
     {8, 16, 304, 200},
     u"",
     kDefault,
     widgets::kMultiLine | widgets::kReadOnlyInput},
    {标签2, "标签2", Kind::kLabel, 高级选择夹1, kSpeedTestPage, {320, 288, 88, 24}, u"稳定度:", Font{24}},
    {标签_稳定度,
     "标签_稳定度",
     Kind::kLabel,
     高级选择夹1,
     kSpeedTestPage,
     {408, 288, 144, 24},
     u"100 %",
     Font{24, widgets::kBold},
     0,
     0,
     kGreen},

    {标签5,
     "标签5",
     Kind::kLabel,
     高级选择夹1,
     kPositioningPage,
     {48, 64, 552, 88},
     u"本功能用于测试你的反应速度和定位精度\r\n\r\n请以最快速度点击出现的按钮",
     Font{29},
     widgets::kCentered | widgets::kWordWrap},
    {按钮3, "按钮3", Kind::kButton, 高级选择夹1, kPositioningPage, {196, 188, 256, 80}, u"开始测试", Font{20}},
    {标签6,
     "标签6",
     Kind::kLabel,
     高级选择夹1,
     kPositioningPage,
     {72, 272, 496, 24},
     u"(按键设置与“手速测试”通用)",
     kDefault,
     widgets::kCentered},
    {分组框5, "分组框5", Kind::kGroupBox, 高级选择夹1, kPositioningPage, {544, 224, 96, 96}, u"窗口化"},
    {选择框_开启窗口化, "选择框_开启窗口化", Kind::kCheckBox, 分组框5, kPositioningPage, {8, 16, 48, 24}, u"开启"},
    {标签8, "标签8", Kind::kLabel, 分组框5, kPositioningPage, {8, 40, 16, 24}, u"宽"},
    {编辑框_宽,
     "编辑框_宽",
     Kind::kEdit,
     分组框5,
     kPositioningPage,
     {24, 40, 64, 20},
     u"800",
     kDefault,
     widgets::kIntegerOnly | widgets::kCentered},
    {标签9, "标签9", Kind::kLabel, 分组框5, kPositioningPage, {8, 64, 16, 24}, u"高"},
    {编辑框_高,
     "编辑框_高",
     Kind::kEdit,
     分组框5,
     kPositioningPage,
     {24, 64, 64, 20},
     u"600",
     kDefault,
     widgets::kIntegerOnly | widgets::kCentered},

    {标签7,
     "标签7",
     Kind::kLabel,
     高级选择夹1,
     kLockPage,
     {8, 32, 632, 200},
     kLockDescription,
     Font{16},
     widgets::kWordWrap},
    {按钮_开启自动锁定,
     "按钮_开启自动锁定",
     Kind::kButton,
     高级选择夹1,
     kLockPage,
     {32, 264, 128, 40},
     u"开启自动锁定"},
    {按钮_关闭自动锁定,
     "按钮_关闭自动锁定",
     Kind::kButton,
     高级选择夹1,
     kLockPage,
     {488, 264, 128, 40},
     u"关闭自动锁定(F12)",
     kDefault,
     widgets::kDisabled},

    {按钮_泡泡,
     "按钮_泡泡",
     Kind::kButton,
     主窗口,
     -1,
     {744, 192, 104, 88},
     u"0",
     Font{24, widgets::kBold},
     widgets::kHidden},
    {标签_倒计时,
     "标签_倒计时",
     Kind::kLabel,
     主窗口,
     -1,
     {720, 48, 104, 104},
     u"3",
     Font{56, widgets::kBold},
     widgets::kHidden | widgets::kCentered},
};

static_assert(std::size(kControls) == kControlCount);

}  // namespace

const widgets::FormSpec& main_form() {
  static const widgets::FormSpec form{kControls};
  return form;
}

}  // namespace tapvero::app
