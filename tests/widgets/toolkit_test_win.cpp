// The Win32 toolkit in this process: the tests' own small window, with a
// sink that records what the toolkit reports, driven by the messages a
// user's clicks, keys and pastes make; what only the real system can show
// (its messages, notifications, clipboard). Each case builds its own window.
#include <windows.h>  // first: before <commctrl.h>
// clang-format off: the order above matters
#include <commctrl.h>
#include <imm.h>
// clang-format on
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/clock_win.h"
#include "input/press_stamper_win.h"
#include "test_form.h"
#include "widgets/window_win.h"

namespace tapvero::widgets {
namespace {

using namespace test;

struct RecordingSink final : EventSink {
  void on_created() override {}
  bool on_close_requested() override { return true; }
  void on_clicked(ControlId id, bool by_mouse, Tick at) override { clicks.push_back({id, by_mouse, at}); }
  bool on_key_down(ControlId, int, int, Tick) override {
    ++key_downs;
    return keys_pass;
  }
  bool on_key_message(const input::KeyEvent& message) override {
    key_messages.emplace_back(message.key_code, message.released());
    if (!message.released() && message.key_code == kept_key) return false;
    return messages_pass;
  }
  bool on_button_up(ControlId, MouseButton, Point, int, Tick) override { return true; }
  bool on_mouse_move(ControlId, Point, int) override { return true; }
  void on_menu_item(int item) override { menu_items.push_back(item); }

  struct Click {
    ControlId id;
    bool by_mouse;
    Tick at;
    friend bool operator==(const Click&, const Click&) = default;
  };
  std::vector<Click> clicks;
  int key_downs = 0;
  std::vector<std::pair<int, bool>> key_messages;  // key, released
  bool keys_pass = true;
  bool messages_pass = true;
  int kept_key = 0;  // its key-downs are kept from the window
  std::vector<int> menu_items;
};

// A scene sink that answers every size with a green square and a target
// over it, and keeps what it hears.
struct SquareScene final : SceneSink {
  explicit SquareScene(Ui& ui) : ui(ui) {}
  void on_scene_size(Size logical) override {
    sizes.push_back(logical);
    Scene scene;
    scene.fill({10, 10, 40, 40}, kGreen);
    scene.targets.push_back({{10, 10, 40, 40}, 7});
    ui.show_scene(scene);
  }
  void on_scene_key(int key) override { keys.push_back(key); }
  void on_scene_target(int id) override { targets.push_back(id); }
  void on_scene_frame() override { ++frames; }
  void on_scene_closed() override { closed = true; }

  static constexpr Color kGreen{46, 209, 50};
  Ui& ui;
  std::vector<Size> sizes;
  std::vector<int> keys, targets;
  int frames = 0;
  bool closed = false;
};

class Toolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ui.create(sink, SW_SHOWNORMAL));
    SetForegroundWindow(ui.main_window());
    pump();
  }

  HWND hwnd(ControlId id) const { return GetDlgItem(ui.main_window(), id); }
  void pump() { ui.process_pending_messages(); }

  // A key as the keyboard gives it to the focused control, Shift held or not.
  void key(WORD vk, bool shift = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    HWND target = GetFocus() ? GetFocus() : ui.main_window();
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    MSG down{};
    PeekMessageW(&down, target, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE);
    stamps.record(vk, static_cast<std::int32_t>(down.time), pressed = base::SystemClock().tick_ms() + -300);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    pump();
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
  }
  void focus(ControlId id) {
    ui.focus(id);
    pump();
  }
  // A left click on the tab of `page`, where the user would click it.
  void click_tab(int page) {
    HWND tab = hwnd(kTab);
    RECT r{};
    SendMessageW(tab, TCM_GETITEMRECT, page, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tab, WM_LBUTTONUP, 0, at);
    pump();
  }
  static void set_clipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(data), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
    CloseClipboard();
  }

  RecordingSink sink;
  input::PressStamps stamps;
  Tick pressed;  // the stamp of the latest key's press
  Win32Ui ui{GetModuleHandleW(nullptr), kForm};
};

// A click on a tab goes through the tab control's notifications; Tab and
// Shift+Tab come as key messages, and a multi-line box passes Tab on as
// WM_NEXTDLGCTL; Enter and Space on a button click at their presses' times,
// unless the program swallows them.
TEST_F(Toolkit, ATabClickShowsItsPageAndTabKeysWalkTheControls) {
  click_tab(1);
  EXPECT_EQ(ui.current_page(kTab), 1);
  EXPECT_TRUE(IsWindowVisible(hwnd(kButtonB)));
  for (ControlId id : {kNumber, kButtonA, kLog, kGroup}) EXPECT_FALSE(IsWindowVisible(hwnd(id))) << id;
  click_tab(0);
  EXPECT_TRUE(IsWindowVisible(hwnd(kNumber)));
  EXPECT_FALSE(IsWindowVisible(hwnd(kHiddenButton)));

  focus(kButtonA);
  const struct {
    bool backwards;
    ControlId expected;
  } steps[] = {{false, kLog}, {false, kLetter}, {false, kNumber}, {true, kLetter}, {true, kLog}, {true, kButtonA}};
  for (const auto& step : steps) {
    key(VK_TAB, step.backwards);
    EXPECT_EQ(ui.focused(), step.expected);
  }
  ui.take_input_times_from(&stamps, {});  // afresh: the stamps below are older than the tab clicks' times
  key(VK_RETURN);
  EXPECT_EQ(sink.clicks, (std::vector<RecordingSink::Click>{{kButtonA, false, pressed}}));
  key(VK_SPACE);
  EXPECT_EQ(sink.clicks.back(), (RecordingSink::Click{kButtonA, false, pressed}));
  sink.keys_pass = false;
  key(VK_RETURN);
  key(VK_SPACE);  // a release whose press the button never saw
  EXPECT_EQ(sink.clicks.size(), 2u);
  // A key the program keeps from the window reaches nothing at all.
  sink.messages_pass = false;
  const int downs = sink.key_downs;
  key(VK_SPACE);
  EXPECT_EQ(sink.clicks.size(), 2u);
  EXPECT_EQ(sink.key_downs, downs);
  EXPECT_EQ(sink.key_messages.back(), (std::pair{VK_SPACE, true}));
}

// Windows' own modal loops (a message box's here) show the program each key
// first, as the message loop does: a key it keeps never reaches the box.
TEST_F(Toolkit, AMessageBoxShowsTheProgramEachKeyFirst) {
  sink.kept_key = VK_RETURN;
  // Once the box's loop runs, Enter to its button (which would close it),
  // then Esc, which does.
  SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
    if (!GetFocus()) return;
    KillTimer(nullptr, timer);
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  });
  ui.message_box(u"box", u"title", Icon::kInformation);
  EXPECT_EQ(sink.key_messages, (std::vector<std::pair<int, bool>>{{VK_RETURN, false}, {VK_ESCAPE, false}}));
}

// No input method runs here, so no key can show which control would give
// one its keys; the contexts tell.
TEST_F(Toolkit, OnlyTheBoxesTheUserTypesIntoHaveAnInputContext) {
  for (const ControlSpec& c : kControls) {
    const HWND h = c.id == kMainWindow ? ui.main_window() : hwnd(c.id);
    const HIMC context = ImmGetContext(h);
    EXPECT_EQ(context != nullptr, c.id == kNumber || c.id == kLetter) << c.id;
    if (context) ImmReleaseContext(h, context);
  }
}

TEST_F(Toolkit, IntegerBoxesKeepOnlyDigitsAndMinusFromTypingAndPasting) {
  focus(kNumber);
  SendMessageW(hwnd(kNumber), EM_SETSEL, 2, 2);
  for (wchar_t c : std::wstring(L"a-5x")) SendMessageW(hwnd(kNumber), WM_CHAR, c, 0);
  EXPECT_EQ(ui.text(kNumber), u"20-5");
  set_clipboard(L"1 two-3\r\n４");
  SendMessageW(hwnd(kNumber), WM_PASTE, 0, 0);
  EXPECT_EQ(ui.text(kNumber), u"20-51-3");
  // A plain box takes what is pasted.
  SendMessageW(hwnd(kLetter), EM_SETSEL, 0, -1);
  set_clipboard(L"q");
  SendMessageW(hwnd(kLetter), WM_PASTE, 0, 0);
  EXPECT_EQ(ui.text(kLetter), u"q");
}

TEST_F(Toolkit, TheResultBoxRefusesEveryEditButTheProgramsOwn) {
  ui.append_text(kLog, u"line one\r\n");
  focus(kLog);
  HWND box = hwnd(kLog);
  SendMessageW(box, EM_SETSEL, 0, -1);
  set_clipboard(L"pasted");
  for (UINT msg : {UINT{WM_CUT}, UINT{WM_CLEAR}, UINT{WM_PASTE}, UINT{WM_UNDO}, UINT{EM_UNDO}})
    SendMessageW(box, msg, 0, 0);
  for (wchar_t c : std::wstring(L"ab\b\r")) SendMessageW(box, WM_CHAR, c, 0);
  for (WORD vk : {VK_DELETE, VK_BACK, VK_RETURN, VK_SPACE}) key(vk);
  EXPECT_EQ(ui.text(kLog), u"line one\r\n");
  ui.append_text(kLog, u"line two");
  EXPECT_EQ(ui.text(kLog), u"line one\r\nline two");
}

TEST_F(Toolkit, TasksPostedFromAnotherThreadRunOnTheWindowsThreadInOrder) {
  const DWORD window_thread = GetCurrentThreadId();
  std::vector<int> ran, in_order(1000);  // -1 for a task run on another thread
  std::iota(in_order.begin(), in_order.end(), 0);
  std::thread poster([&] {
    for (int i = 0; i < 1000; ++i) ui.post([&, i] { ran.push_back(GetCurrentThreadId() == window_thread ? i : -1); });
  });
  // The window's thread handles its messages meanwhile, until all have run.
  for (const ULONGLONG give_up = GetTickCount64() + 10000; ran.size() < 1000 && GetTickCount64() < give_up;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLPOSTMESSAGE);
    pump();
  }
  poster.join();
  EXPECT_EQ(ran, in_order);
  ui.post([&] { ran.clear(); });
  EXPECT_FALSE(ran.empty());  // not before messages are processed
  pump();
  EXPECT_TRUE(ran.empty());
}

// The program's items follow the system's in the system menu, and choosing
// one is reported; the scene window draws its scene at the size it was
// opened with, hears frames, keys and clicks on its targets, and Esc closes it.
TEST_F(Toolkit, SystemMenuItemsAndTheSceneWindow) {
  ui.add_menu_item(0, u"chart", std::nullopt);
  ui.add_menu_item(3, u"keep", true);
  const HMENU menu = GetSystemMenu(ui.main_window(), FALSE);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 3);
  EXPECT_EQ(GetMenuItemID(menu, count - 3), 0u);  // the separator
  EXPECT_TRUE(GetMenuState(menu, GetMenuItemID(menu, count - 1), MF_BYCOMMAND) & MF_CHECKED);
  ui.set_menu_item_checked(3, false);
  EXPECT_FALSE(GetMenuState(menu, GetMenuItemID(menu, count - 1), MF_BYCOMMAND) & MF_CHECKED);
  for (int i : {1, 2}) {
    const UINT command = GetMenuItemID(menu, count - i);
    EXPECT_LT(command, 0xF000u);
    EXPECT_EQ(command & 0xF, 0u);
    PostMessageW(ui.main_window(), WM_SYSCOMMAND, command, 0);
  }
  pump();
  EXPECT_EQ(sink.menu_items, (std::vector<int>{3, 0}));

  SquareScene scene(ui);
  ui.open_scene_window(u"scene", {400, 300}, scene);
  ASSERT_TRUE(ui.scene_window_open());
  const HWND window = ui.scene_window();
  EXPECT_EQ(GetWindow(window, GW_OWNER), ui.main_window());
  ASSERT_FALSE(scene.sizes.empty());
  EXPECT_EQ(scene.sizes.back(), (Size{400, 300}));  // at 96 DPI, as here
  UpdateWindow(window);
  const HDC dc = GetDC(window);
  EXPECT_EQ(GetPixel(dc, 30, 30), RGB(46, 209, 50));
  EXPECT_EQ(GetPixel(dc, 70, 30), RGB(255, 255, 255));
  ReleaseDC(window, dc);
  for (const ULONGLONG give_up = GetTickCount64() + 10000; scene.frames < 2 && GetTickCount64() < give_up;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    pump();
  }
  EXPECT_GE(scene.frames, 2);
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(80, 30));  // beside the target
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  PostMessageW(window, WM_KEYDOWN, VK_RIGHT, 1);
  pump();
  EXPECT_EQ(scene.targets, std::vector<int>{7});
  EXPECT_EQ(scene.keys, std::vector<int>{VK_RIGHT});
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  pump();
  pump();
  EXPECT_TRUE(scene.closed);
  EXPECT_FALSE(ui.scene_window_open());
  EXPECT_FALSE(IsWindow(window));
}

// A button's release is stamped under the name the window's messages give
// it, swapped or not as it comes.
TEST(PressStamper, AButtonsReleaseIsStampedAsTheWindowNamesItThen) {
  input::PressStamps stamps;
  input::PressStamper timer(stamps);
  RAWINPUT raw{.header = {.dwType = RIM_TYPEMOUSE}};
  raw.data.mouse.usButtonFlags = RI_MOUSE_LEFT_BUTTON_UP;
  const BOOL was_swapped = SwapMouseButton(TRUE);
  timer.record(raw, 10, Tick(100));
  SwapMouseButton(FALSE);
  timer.record(raw, 11, Tick(101));
  SwapMouseButton(was_swapped);
  EXPECT_EQ(stamps.take(input::kRightRelease, 10), Tick(100));
  EXPECT_EQ(stamps.take(input::kLeftRelease, 11), Tick(101));
}

}  // namespace
}  // namespace tapvero::widgets
