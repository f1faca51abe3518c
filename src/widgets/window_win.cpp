#include "widgets/window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "widgets/clock_win.h"

namespace tapvero::widgets {
namespace {

constexpr wchar_t kWindowClass[] = L"TapveroWindow";
// Posted to the main window when a focused control was disabled; wParam is
// the control.
constexpr UINT kPassFocusOn = WM_APP + 1;
// Posted to the main window when tasks are waiting to run on its thread.
constexpr UINT kRunPosted = WM_APP + 2;
constexpr UINT_PTR kSubclassId = 1;
// Fonts are in the default face for Chinese text unless named: SimSun, in
// the GB2312 character set, so that Chinese and Latin text both show
// whatever code page Windows runs with. The default font has the character
// height of the default GUI font of Chinese Windows.
constexpr int kDefaultFontHeight = 12;
constexpr char16_t kDefaultFace[] = u"SimSun";

const wchar_t* wide(std::u16string_view s) { return reinterpret_cast<const wchar_t*>(s.data()); }

std::wstring wide_string(std::u16string_view s) { return std::wstring(wide(s), s.size()); }

int current_modifiers() {
  int m = 0;
  if (GetKeyState(VK_CONTROL) < 0) m |= kCtrl;
  if (GetKeyState(VK_SHIFT) < 0) m |= kShift;
  if (GetKeyState(VK_MENU) < 0) m |= kAlt;
  return m;
}

Point point_of(LPARAM lp) { return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}; }

bool is_multi_line_caption(std::u16string_view caption) { return caption.find(u'\n') != std::u16string_view::npos; }

// Keeps only what an integer-only box accepts.
std::wstring integer_characters(const std::wstring& s) {
  std::wstring out;
  for (wchar_t c : s) {
    if ((c >= L'0' && c <= L'9') || c == L'-') out += c;
  }
  return out;
}

// The program's icon, the module's icon resource 1, in the size of the given
// metrics (the taskbar's and Alt+Tab's, or the title bar's); the system's
// generic icon if the module has none.
HICON program_icon(HINSTANCE instance, int width_metric, int height_metric) {
  if (HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(width_metric),
                               GetSystemMetrics(height_metric), LR_DEFAULTCOLOR | LR_SHARED))
    return static_cast<HICON>(icon);
  return LoadIconW(nullptr, IDI_APPLICATION);
}

}  // namespace

Win32Ui::Win32Ui(HINSTANCE instance, const FormSpec& form)
    : instance_(instance), form_(form), white_brush_(CreateSolidBrush(RGB(255, 255, 255))) {
  ControlId last = 0;
  for (const ControlSpec& c : form.controls) last = c.id > last ? c.id : last;
  controls_.resize(static_cast<std::size_t>(last) + 1);
  for (const ControlSpec& c : form.controls) {
    Control& control = at(c.id);
    control.desc = &c;
    control.rect = c.geometry;
    control.visible = (c.flags & kHidden) == 0;
    if (c.text_color) control.text_color = RGB(c.text_color->red, c.text_color->green, c.text_color->blue);
  }
}

Win32Ui::~Win32Ui() {
  if (main_ && IsWindow(main_)) DestroyWindow(main_);
}

bool Win32Ui::create(EventSink& sink, int show_command) {
  sink_ = &sink;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = program_icon(instance_, SM_CXICON, SM_CYICON);
  wc.hIconSm = program_icon(instance_, SM_CXSMICON, SM_CYSMICON);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  if (!GetClassInfoExW(instance_, kWindowClass, &wc) && !RegisterClassExW(&wc)) return false;

  // Centred on the screen for the described size.
  const ControlSpec& desc = *at(kMainWindow).desc;
  const int w = desc.geometry.width, h = desc.geometry.height;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  main_ = CreateWindowExW(0, kWindowClass, wide_string(desc.caption).c_str(), style, x, y, w, h, nullptr, nullptr,
                          instance_, this);
  if (!main_) return false;
  at(kMainWindow).hwnd = main_;
  for (Control& c : controls_) {
    if (c.desc && c.desc->kind != Kind::kWindow) create_control(c);
  }
  arrange_z_order();
  update_visibility();
  {
    const std::lock_guard lock(posted_mutex_);
    posted_to_ = main_;
    announce_posted();
  }
  sink_->on_created();
  ShowWindow(main_, show_command);
  UpdateWindow(main_);
  return true;
}

HFONT Win32Ui::font_for(const Font& font) {
  const int height = font.height ? font.height : kDefaultFontHeight;
  const std::u16string_view face = font.face ? font.face : kDefaultFace;
  auto& slot = fonts_[{height, font.weight, face}];
  if (!slot.get()) {
    LOGFONTW lf{};
    lf.lfHeight = height;  // the cell height: for SimSun the same as its character height
    lf.lfWeight = font.weight;
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(lf.lfFaceName, wide_string(face).c_str(), LF_FACESIZE);
    slot = GdiObject(CreateFontIndirectW(&lf));
  }
  return static_cast<HFONT>(slot.get());
}

void Win32Ui::create_control(Control& c) {
  const ControlSpec& s = *c.desc;
  const wchar_t* cls = WC_STATICW;
  // Overlapping controls never paint over the ones above them.
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  switch (s.kind) {
    case Kind::kTab:
      cls = WC_TABCONTROLW;
      style |= TCS_FOCUSNEVER;
      break;
    case Kind::kGroupBox:
      cls = WC_BUTTONW;
      style |= BS_GROUPBOX;
      break;
    case Kind::kLabel:
      cls = WC_STATICW;
      style |= SS_NOTIFY | SS_NOPREFIX | ((s.flags & kCentered) ? SS_CENTER : SS_LEFT);
      if (!(s.flags & kWordWrap) && !is_multi_line_caption(s.caption)) style |= SS_CENTERIMAGE;
      break;
    case Kind::kButton:
      cls = WC_BUTTONW;
      style |= BS_PUSHBUTTON | WS_TABSTOP | (is_multi_line_caption(s.caption) ? BS_MULTILINE : 0);
      break;
    case Kind::kCheckBox:
      cls = WC_BUTTONW;
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case Kind::kEdit:
      cls = WC_EDITW;
      ex_style = WS_EX_CLIENTEDGE;
      style |= WS_TABSTOP | ((s.flags & kCentered) ? ES_CENTER : ES_LEFT);
      style |= (s.flags & kMultiLine) ? (ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL) : ES_AUTOHSCROLL;
      break;
    case Kind::kWindow:
      return;
  }
  if (s.flags & kDisabled) style |= WS_DISABLED;
  c.hwnd = CreateWindowExW(ex_style, cls, wide_string(s.caption).c_str(), style, 0, 0, 0, 0, main_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(s.id)), instance_, nullptr);
  if (!c.hwnd) return;
  SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(s.font)), FALSE);
  SetWindowSubclass(c.hwnd, control_proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));

  if (s.kind == Kind::kTab) {
    for (std::size_t i = 0; i < s.pages.size(); ++i) {
      std::wstring caption = wide_string(s.pages[i].caption);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption.data();
      SendMessageW(c.hwnd, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    add_page_hints(c);
  } else if (s.kind == Kind::kCheckBox && (s.flags & kTicked)) {
    SendMessageW(c.hwnd, BM_SETCHECK, BST_CHECKED, 0);
  } else if (s.kind == Kind::kEdit) {
    // No limit at all for multi-line boxes: the report must never lose a line.
    SendMessageW(c.hwnd, EM_SETLIMITTEXT, (s.flags & kMultiLine) ? 0 : static_cast<WPARAM>(s.max_length), 0);
  }
  place(s.id);
}

// Top to bottom: the controls, later ones of the form above earlier ones,
// then the group boxes, then the tab control, so that containers lie
// beneath what they contain.
void Win32Ui::arrange_z_order() {
  const auto layer_of = [](Kind kind) { return kind == Kind::kTab ? 2 : kind == Kind::kGroupBox ? 1 : 0; };
  for (int layer = 0; layer < 3; ++layer) {
    for (auto c = controls_.rbegin(); c != controls_.rend(); ++c) {
      if (c->hwnd && layer_of(c->desc->kind) == layer)
        SetWindowPos(c->hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

// Each page's hint shows as a tooltip over its tab.
void Win32Ui::add_page_hints(Control& tab) {
  tab.tooltip =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, main_, nullptr, instance_, nullptr);
  if (!tab.tooltip) return;
  SendMessageW(tab.tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(Font{})), FALSE);
  for (std::size_t i = 0; i < tab.desc->pages.size(); ++i) {
    std::wstring hint = wide_string(tab.desc->pages[i].hint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = tab.hwnd;
    tool.uId = i;
    tool.lpszText = hint.data();
    SendMessageW(tab.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Win32Ui::update_page_hint_areas(const Control& tab) {
  if (!tab.tooltip) return;
  for (std::size_t i = 0; i < tab.desc->pages.size(); ++i) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = tab.hwnd;
    tool.uId = i;
    SendMessageW(tab.hwnd, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tool.rect));
    SendMessageW(tab.tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

Point Win32Ui::origin_of(ControlId container) const {
  if (container == kMainWindow) return {0, 0};
  const Control& c = at(container);
  const Point outer = origin_of(c.desc->container);
  return {outer.x + c.rect.left, outer.y + c.rect.top};
}

void Win32Ui::place(ControlId id) {
  Control& c = at(id);
  if (id != kMainWindow && c.hwnd) {
    const Point o = origin_of(c.desc->container);
    SetWindowPos(c.hwnd, nullptr, o.x + c.rect.left, o.y + c.rect.top, c.rect.width, c.rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (c.desc->kind == Kind::kTab) update_page_hint_areas(c);
  }
  for (const Control& inner : controls_) {
    if (inner.desc && inner.desc->id != kMainWindow && inner.desc->container == id) place(inner.desc->id);
  }
}

bool Win32Ui::shown(ControlId id) const {
  const Control& c = at(id);
  if (!c.visible) return false;
  if (id == kMainWindow) return true;
  const ControlId container = c.desc->container;
  if (c.desc->page >= 0 && at(container).desc->kind == Kind::kTab && current_page(container) != c.desc->page)
    return false;
  return container == kMainWindow || shown(container);
}

void Win32Ui::update_visibility() {
  HWND focus = GetFocus();
  for (const Control& c : controls_) {
    if (!c.hwnd || c.desc->kind == Kind::kWindow) continue;
    const bool show = shown(c.desc->id);
    // The focus leaves a control as it is hidden; a control given the focus
    // while hidden keeps it (the positioning test's result box does so).
    if (!show && focus == c.hwnd && IsWindowVisible(c.hwnd)) SetFocus(main_);
    ShowWindow(c.hwnd, show ? SW_SHOWNA : SW_HIDE);
  }
}

const Win32Ui::Control* Win32Ui::control_of(HWND hwnd) const {
  if (!hwnd) return nullptr;
  for (const Control& c : controls_) {
    if (c.hwnd == hwnd) return &c;
  }
  return nullptr;
}

// --- properties

std::u16string Win32Ui::text(ControlId id) const {
  HWND h = at(id).hwnd;
  const int n = GetWindowTextLengthW(h);
  std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
  const int got = GetWindowTextW(h, reinterpret_cast<wchar_t*>(s.data()), n + 1);
  s.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  return s;
}

void Win32Ui::set_text(ControlId id, std::u16string_view text) {
  SetWindowTextW(at(id).hwnd, wide_string(text).c_str());
}

bool Win32Ui::ticked(ControlId id) const { return SendMessageW(at(id).hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Win32Ui::set_ticked(ControlId id, bool ticked) {
  SendMessageW(at(id).hwnd, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Ui::enabled(ControlId id) const { return IsWindowEnabled(at(id).hwnd) != FALSE; }

void Win32Ui::set_enabled(ControlId id, bool enabled) {
  HWND h = at(id).hwnd;
  const bool had_focus = !enabled && GetFocus() == h;
  EnableWindow(h, enabled ? TRUE : FALSE);
  // As in a dialog, the focus does not vanish with a control that disables
  // itself when another control of its page takes it: it passes on to the
  // next one in Tab order, once the event that disabled it is over (moving
  // the focus inside a button's click unsettles the X display's focus under
  // Wine). With no such control the focus stays with the window, from which
  // Esc still closes.
  if (had_focus && next_focusable(id, false)) PostMessageW(main_, kPassFocusOn, static_cast<WPARAM>(id), 0);
}

bool Win32Ui::visible(ControlId id) const {
  return id == kMainWindow ? IsWindowVisible(main_) != FALSE : at(id).visible;
}

void Win32Ui::set_visible(ControlId id, bool visible) {
  if (id == kMainWindow) {
    ShowWindow(main_, visible ? SW_SHOW : SW_HIDE);
    return;
  }
  at(id).visible = visible;
  update_visibility();
}

Rect Win32Ui::rect(ControlId id) const {
  if (id == kMainWindow) {
    RECT r{};
    GetWindowRect(main_, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  return at(id).rect;
}

void Win32Ui::move(ControlId id, std::optional<int> left, std::optional<int> top, std::optional<int> width,
                   std::optional<int> height) {
  const Rect now = rect(id);
  const Rect r{left.value_or(now.left), top.value_or(now.top), width.value_or(now.width), height.value_or(now.height)};
  if (id == kMainWindow) {
    SetWindowPos(main_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  at(id).rect = r;
  place(id);
}

void Win32Ui::focus(ControlId id) { SetFocus(at(id).hwnd); }

std::optional<ControlId> Win32Ui::focused() const {
  const Control* c = control_of(GetFocus());
  if (!c) return std::nullopt;
  return c->desc->id;
}

void Win32Ui::select_all(ControlId id) { SendMessageW(at(id).hwnd, EM_SETSEL, 0, -1); }

void Win32Ui::append_text(ControlId id, std::u16string_view text) {
  HWND h = at(id).hwnd;
  const int end = GetWindowTextLengthW(h);
  SendMessageW(h, EM_SETSEL, end, end);
  SendMessageW(h, EM_SCROLLCARET, 0, 0);
  SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide_string(text).c_str()));
}

void Win32Ui::set_text_color(ControlId id, Color color) {
  at(id).text_color = RGB(color.red, color.green, color.blue);
  InvalidateRect(at(id).hwnd, nullptr, TRUE);
}

int Win32Ui::current_page(ControlId id) const {
  return static_cast<int>(SendMessageW(at(id).hwnd, TCM_GETCURSEL, 0, 0));
}

Size Win32Ui::client_size() const {
  RECT r{};
  GetClientRect(main_, &r);
  return {r.right - r.left, r.bottom - r.top};
}

void Win32Ui::set_window_state(WindowState state) {
  if (!IsWindowVisible(main_)) return;
  switch (state) {
    case WindowState::kNormal:
      if (IsZoomed(main_) || IsIconic(main_)) ShowWindow(main_, SW_RESTORE);
      break;
    case WindowState::kCentred: {
      const Rect r = rect(kMainWindow);
      move(kMainWindow, (GetSystemMetrics(SM_CXSCREEN) - r.width) / 2, (GetSystemMetrics(SM_CYSCREEN) - r.height) / 2,
           std::nullopt, std::nullopt);
      break;
    }
    case WindowState::kMinimized:
      ShowWindow(main_, SW_MINIMIZE);
      break;
    case WindowState::kMaximized:
      ShowWindow(main_, SW_MAXIMIZE);
      break;
  }
}

void Win32Ui::message_box(std::u16string_view text, std::u16string_view title, Icon icon) {
  const UINT style = MB_OK | MB_TASKMODAL | (icon == Icon::kError ? MB_ICONERROR : MB_ICONINFORMATION);
  // The box disables the window, which takes the focus from its control:
  // the control has it back once the box is closed.
  const SavedFocus before = focus_now();
  MessageBoxW(nullptr, wide_string(text).c_str(), wide_string(title).c_str(), style);
  give_back_focus(before);
}

void Win32Ui::post(std::function<void()> task) {
  const std::lock_guard lock(posted_mutex_);
  posted_.push_back(std::move(task));
  announce_posted();
}

// With the lock held. Should the message not go (a full queue), the next
// post tries again.
void Win32Ui::announce_posted() {
  if (posted_to_ && !posted_announced_ && !posted_.empty())
    posted_announced_ = PostMessageW(posted_to_, kRunPosted, 0, 0) != FALSE;
}

// The tasks waiting now, one at a time from the front, so that order holds
// when a task processes messages itself; those posted meanwhile run from
// the next message.
void Win32Ui::run_posted() {
  std::size_t waiting = 0;
  {
    const std::lock_guard lock(posted_mutex_);
    posted_announced_ = false;
    waiting = posted_.size();
  }
  for (; waiting > 0; --waiting) {
    std::function<void()> task;
    {
      const std::lock_guard lock(posted_mutex_);
      if (posted_.empty()) return;
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    task();
  }
}

// --- messages

LRESULT CALLBACK Win32Ui::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Win32Ui*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->main_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Ui*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->handle_main(msg, wp, lp);
}

LRESULT Win32Ui::handle_main(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      const auto id = static_cast<ControlId>(LOWORD(wp));
      const int code = HIWORD(wp);
      if (lp && code == BN_CLICKED && id > 0 && static_cast<std::size_t>(id) < controls_.size() && at(id).desc) {
        const Kind kind = at(id).desc->kind;
        if (kind == Kind::kButton || kind == Kind::kCheckBox) {
          sink_->on_clicked(id, mouse_release_ == at(id).hwnd, click_at_ ? *click_at_ : SystemClock().tick_ms());
        }
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
      for (Control& c : controls_) {
        if (!c.desc || c.desc->kind != Kind::kTab) continue;
        if (hdr->hwndFrom == c.hwnd && hdr->code == TCN_SELCHANGE) {
          update_visibility();
          return 0;
        }
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      const Control* c = control_of(reinterpret_cast<HWND>(lp));
      if (!c) break;
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, c->text_color.value_or(GetSysColor(COLOR_WINDOWTEXT)));
      if (c->desc->page >= 0 && c->desc->kind != Kind::kEdit) {
        // Labels and check boxes on the tab pages stand on white.
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(white_brush_.get());
      }
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      // Releases over the window itself, where no control is.
      if (!sink_->on_button_up(kMainWindow, msg == WM_LBUTTONUP ? MouseButton::kLeft : MouseButton::kRight,
                               point_of(lp), current_modifiers(),
                               input_time(msg == WM_LBUTTONUP ? kLeftRelease : kRightRelease, GetMessageTime())))
        return 0;
      break;
    case WM_GETMINMAXINFO: {
      // Windows may be sized beyond the screen, and below the system's
      // smallest window: the user cannot resize it, and the program sets
      // whatever size it asks for (a test area of a few pixels included).
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMaxTrackSize = {32000, 32000};
      info->ptMinTrackSize = {1, 1};
      return 0;
    }
    case WM_ACTIVATE: {
      // As a dialog does, the window keeps its focused control while another
      // window is active and gives it back on its return: after the default
      // handling, which focuses the window itself (and under Wine gives it
      // the X display's focus as well).
      if (LOWORD(wp) == WA_INACTIVE) {
        saved_focus_ = focus_now();
        break;
      }
      const LRESULT result = DefWindowProcW(main_, msg, wp, lp);
      const SavedFocus saved = std::exchange(saved_focus_, {});
      if (!HIWORD(wp)) give_back_focus(saved);
      return result;
    }
    case kPassFocusOn: {
      // Only if nothing took the focus meanwhile, and only while the window
      // is in front: setting the focus would bring it there, taking the
      // keyboard from the program the user is in (the lock's F12 disables a
      // button from inside a game). A window in the background passes its
      // saved focus on when it returns.
      const HWND focus = GetFocus();
      if ((!focus || focus == main_) && GetForegroundWindow() == main_ &&
          !focus_next(static_cast<ControlId>(wp), false))
        SetFocus(main_);
      return 0;
    }
    case WM_NEXTDLGCTL:
      move_focus(wp != 0);
      return 0;
    case kRunPosted:
      run_posted();
      return 0;
    case WM_CLOSE:
      if (!sink_->on_close_requested()) return 0;
      DestroyWindow(main_);
      return 0;
    case WM_DESTROY: {
      const std::lock_guard lock(posted_mutex_);
      posted_to_ = nullptr;  // a window handle may be given again to another window
      PostQuitMessage(0);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(main_, msg, wp, lp);
}

LRESULT CALLBACK Win32Ui::control_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<Win32Ui*>(data);
  const Control* c = self->control_of(hwnd);
  if (!c) return DefSubclassProc(hwnd, msg, wp, lp);
  return self->handle_control(const_cast<Control&>(*c), msg, wp, lp);
}

LRESULT Win32Ui::handle_control(Control& c, UINT msg, WPARAM wp, LPARAM lp) {
  const ControlSpec& s = *c.desc;
  switch (msg) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      const Tick released_at = input_time(msg == WM_LBUTTONUP ? kLeftRelease : kRightRelease, GetMessageTime());
      if (!sink_->on_button_up(s.id, msg == WM_LBUTTONUP ? MouseButton::kLeft : MouseButton::kRight, point_of(lp),
                               current_modifiers(), released_at))
        return 0;
      if (msg == WM_RBUTTONUP) break;
      // A button reports its click while it handles the release.
      HWND outer = std::exchange(mouse_release_, c.hwnd);
      const auto outer_at = std::exchange(click_at_, released_at);
      const LRESULT result = DefSubclassProc(c.hwnd, msg, wp, lp);
      mouse_release_ = outer;
      click_at_ = outer_at;
      return result;
    }
    case WM_MOUSEMOVE:
      if (!sink_->on_mouse_move(s.id, point_of(lp), current_modifiers())) return 0;
      break;
    case WM_CHAR:
      if (s.flags & kReadOnlyInput) return 0;
      if ((s.flags & kIntegerOnly) && wp >= 0x20 && !((wp >= L'0' && wp <= L'9') || wp == L'-')) {
        MessageBeep(MB_OK);
        return 0;
      }
      break;
    case WM_KEYDOWN:
      // Delete edits without a character message.
      if ((s.flags & kReadOnlyInput) && wp == VK_DELETE) return 0;
      break;
    case WM_IME_CHAR:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      if (s.flags & kReadOnlyInput) return 0;
      break;
    case WM_PASTE:
      if (s.flags & kReadOnlyInput) return 0;
      if (s.flags & kIntegerOnly) {
        std::wstring pasted;
        if (OpenClipboard(c.hwnd)) {
          if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
              pasted = p;
              GlobalUnlock(data);
            }
          }
          CloseClipboard();
        }
        const std::wstring kept = integer_characters(pasted);
        SendMessageW(c.hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      if (s.kind == Kind::kGroupBox) {
        // A group box paints only its frame and caption; its inside is the
        // page's white, or the window's colour off the pages.
        RECT r{};
        GetClientRect(c.hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r,
                 s.page >= 0 ? static_cast<HBRUSH>(white_brush_.get()) : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(c.hwnd, control_proc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(c.hwnd, msg, wp, lp);
}

bool Win32Ui::takes_focus(const Control& c) {
  if (!c.hwnd) return false;
  const Kind k = c.desc->kind;
  return (k == Kind::kButton || k == Kind::kCheckBox || k == Kind::kEdit) && IsWindowVisible(c.hwnd) &&
         IsWindowEnabled(c.hwnd);
}

// The focus, as the keyboard gives it: an edit box's whole text selected.
void Win32Ui::give_focus(const Control& c) {
  SetFocus(c.hwnd);
  if (c.desc->kind == Kind::kEdit) SendMessageW(c.hwnd, EM_SETSEL, 0, -1);
}

// The Tab key walks the controls that take the focus in the order of the
// form, skipping hidden and disabled ones, and wraps around.
void Win32Ui::move_focus(bool backwards) {
  const Control* current = control_of(GetFocus());
  focus_next(current ? std::optional<ControlId>(current->desc->id) : std::nullopt, backwards);
}

// The control that Tab would reach from `from` (from either end without
// it), if any takes the focus.
const Win32Ui::Control* Win32Ui::next_focusable(std::optional<ControlId> from, bool backwards) const {
  const int n = static_cast<int>(controls_.size());
  int i = from ? *from : (backwards ? 0 : n - 1);
  for (int step = 0; step < n; ++step) {
    i = (i + (backwards ? n - 1 : 1)) % n;
    if (takes_focus(controls_[static_cast<std::size_t>(i)])) return &controls_[static_cast<std::size_t>(i)];
  }
  return nullptr;
}

// The focus to the control that Tab would reach from `from`; false if no
// control takes the focus.
bool Win32Ui::focus_next(std::optional<ControlId> from, bool backwards) {
  const Control* next = next_focusable(from, backwards);
  if (next) give_focus(*next);
  return next != nullptr;
}

Win32Ui::SavedFocus Win32Ui::focus_now() const {
  HWND h = GetFocus();
  if (!control_of(h)) return {};
  return {h, IsWindowVisible(h) != FALSE};
}

// A control hidden or disabled since it was saved passes the focus on, as
// Tab would; one that had the focus while hidden gets it back hidden. False
// if no control was saved.
bool Win32Ui::give_back_focus(const SavedFocus& saved) {
  const Control* c = control_of(saved.hwnd);
  if (!c) return false;
  if (IsWindowEnabled(c->hwnd) && (IsWindowVisible(c->hwnd) || !saved.visible)) {
    SetFocus(c->hwnd);
    return true;
  }
  if (!focus_next(c->desc->id, false)) SetFocus(main_);
  return true;
}

// Ctrl+Tab and Ctrl+PageDown select the next page of the tab control,
// Ctrl+Shift+Tab and Ctrl+PageUp the previous one, wrapping around, as in
// Windows' tabbed dialogs; the focus goes to the new page's first control
// that takes it. A hidden or disabled tab control switches nothing (the
// positioning test hides it during a run): false then.
bool Win32Ui::switch_page(bool backwards) {
  const auto tab = std::find_if(controls_.begin(), controls_.end(),
                                [](const Control& c) { return c.hwnd && c.desc->kind == Kind::kTab; });
  if (tab == controls_.end() || !IsWindowVisible(tab->hwnd) || !IsWindowEnabled(tab->hwnd)) return false;
  const int n = static_cast<int>(tab->desc->pages.size());
  if (n < 2) return true;
  const int page = (current_page(tab->desc->id) + (backwards ? n - 1 : 1)) % n;
  // The notifications a click on the tab sends, so the change takes the same path.
  NMHDR notice{tab->hwnd, static_cast<UINT_PTR>(tab->desc->id), static_cast<UINT>(TCN_SELCHANGING)};
  if (SendMessageW(main_, WM_NOTIFY, notice.idFrom, reinterpret_cast<LPARAM>(&notice))) return true;  // refused
  SendMessageW(tab->hwnd, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
  notice.code = static_cast<UINT>(TCN_SELCHANGE);
  SendMessageW(main_, WM_NOTIFY, notice.idFrom, reinterpret_cast<LPARAM>(&notice));
  for (const Control& c : controls_) {
    if (!takes_focus(c)) continue;
    // On this page: the control or one of its containers stands on it.
    for (const ControlSpec* s = c.desc; s->id != kMainWindow; s = at(s->container).desc) {
      if (s->container == tab->desc->id) {
        if (s->page != page) break;
        give_focus(c);
        return true;
      }
    }
  }
  return true;
}

// Keyboard handling before a key message is translated and dispatched: Esc
// requests closing, Tab moves the focus, Ctrl+Tab and its kin switch pages,
// then the focused control's key handler may swallow the key, and Enter acts
// on a focused button.
bool Win32Ui::pre_translate(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  if (msg.hwnd != main_ && GetAncestor(msg.hwnd, GA_ROOT) != main_) return false;
  const int key = static_cast<int>(msg.wParam);
  const int modifiers = current_modifiers();

  // Without a focused control keys come as system keys: Esc closes then
  // too, though not with Alt held (Alt+Esc belongs to the system).
  if (key == VK_ESCAPE && !(HIWORD(msg.lParam) & KF_ALTDOWN)) {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    return true;
  }
  if (key == VK_TAB && !(modifiers & (kCtrl | kAlt))) {
    move_focus((modifiers & kShift) != 0);
    return true;
  }
  if ((key == VK_TAB || key == VK_NEXT || key == VK_PRIOR) && (modifiers & (kCtrl | kAlt)) == kCtrl &&
      switch_page(key == VK_PRIOR || (key == VK_TAB && (modifiers & kShift))))
    return true;
  const Control* c = control_of(msg.hwnd);
  const ControlId id = c ? c->desc->id : kMainWindow;
  const Tick pressed_at = input_time(key, static_cast<LONG>(msg.time));
  const bool passed = sink_->on_key_down(id, key, modifiers, pressed_at);
  // Alt+F4 and Alt+Space always reach the window: closing and the system menu.
  const bool system_key = (modifiers & kAlt) && (key == VK_F4 || key == VK_SPACE);
  if (!passed && !system_key) return true;

  if (key == VK_RETURN && c && msg.message == WM_KEYDOWN) {
    if (c->desc->kind == Kind::kButton) {
      const auto outer_at = std::exchange(click_at_, pressed_at);
      SendMessageW(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(c->hwnd));
      click_at_ = outer_at;
      return true;
    }
    if (c->desc->kind == Kind::kEdit && !(c->desc->flags & kMultiLine)) return true;  // nothing to do, no beep
  }
  return false;
}

// The time of a key press or button release: see PressTimes.
Tick Win32Ui::input_time(int code, LONG message_time) {
  return press_times_.time_of(code, static_cast<std::int32_t>(message_time), SystemClock().tick_ms());
}

void Win32Ui::dispatch(MSG& msg) {
  if (pre_translate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

int Win32Ui::run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch(msg);
  return 0;
}

void Win32Ui::process_pending_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) return;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    dispatch(msg);
  }
}

}  // namespace tapvero::widgets
