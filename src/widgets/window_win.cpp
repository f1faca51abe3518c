#include "widgets/window_win.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <utility>

#include "widgets/window_detail_win.h"

namespace tapvero::widgets {

using namespace detail;

namespace {

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

Win32Ui::Win32Ui(HINSTANCE instance, const FormSpec& form) : instance_(instance), model_(form) {
  ControlId last = 0;
  for (const ControlId id : model_.ids()) last = id > last ? id : last;
  controls_.resize(static_cast<std::size_t>(last) + 1);
  for (const ControlId id : model_.ids()) {
    if (const auto color = model_.spec(id).text_color)
      controls_[static_cast<std::size_t>(id)].text_color = colorref(*color);
  }
  if (form.page_background) page_brush_ = GdiObject(CreateSolidBrush(colorref(*form.page_background)));
}

Win32Ui::~Win32Ui() {
  if (main_ && IsWindow(main_)) DestroyWindow(main_);
  filter_modal_loops(false);
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
  const ControlSpec& desc = model_.spec(kMainWindow);
  const int w = desc.geometry.width, h = desc.geometry.height;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  main_ = CreateWindowExW(0, kWindowClass, wide(desc.caption).c_str(), style, x, y, w, h, nullptr, nullptr, instance_,
                          this);
  if (!main_) return false;
  controls_[kMainWindow].hwnd = main_;
  if (!model_.keeps_input_method(kMainWindow)) ImmAssociateContext(main_, nullptr);
  for (const ControlId id : model_.ids()) {
    // A window short of one of its controls is not the program: better not to start.
    if (id != kMainWindow && !create_control(id)) return false;
  }
  arrange_z_order();
  update_visibility();
  {
    const std::lock_guard lock(posted_mutex_);
    posted_to_ = main_;
    announce_posted();
  }
  filter_modal_loops(true);
  sink_->on_created();
  ShowWindow(main_, show_command);
  UpdateWindow(main_);
  return true;
}

void Win32Ui::place(ControlId id) {
  const Control& c = controls_.at(static_cast<std::size_t>(id));
  if (id != kMainWindow && c.hwnd) {
    const Point o = model_.origin_of(model_.spec(id).container);
    const Rect r = model_.rect(id);
    SetWindowPos(c.hwnd, nullptr, o.x + r.left, o.y + r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (model_.spec(id).kind == Kind::kTab) update_page_hint_areas(id);
  }
  for (const ControlId inner : model_.ids()) {
    if (inner != kMainWindow && model_.spec(inner).container == id) place(inner);
  }
}

void Win32Ui::update_visibility() {
  const HWND focus = GetFocus();
  for (const ControlId id : model_.ids()) {
    const HWND h = controls_[static_cast<std::size_t>(id)].hwnd;
    if (id == kMainWindow || !h) continue;
    const bool show = model_.shown(id);
    // The focus leaves a control as it is hidden; a control given the focus
    // while hidden keeps it (the positioning test's result box does so).
    if (!show && focus == h && IsWindowVisible(h)) SetFocus(main_);
    ShowWindow(h, show ? SW_SHOWNA : SW_HIDE);
  }
}

std::optional<ControlId> Win32Ui::id_of(HWND hwnd) const {
  if (!hwnd || hwnd == main_) return std::nullopt;
  for (const ControlId id : model_.ids()) {
    if (controls_[static_cast<std::size_t>(id)].hwnd == hwnd) return id;
  }
  return std::nullopt;
}

bool Win32Ui::is_hint_window(HWND hwnd) const {
  return hwnd && std::any_of(controls_.begin(), controls_.end(), [&](const Control& c) { return c.tooltip == hwnd; });
}

// --- properties

std::u16string Win32Ui::text(ControlId id) const {
  HWND h = controls_.at(static_cast<std::size_t>(id)).hwnd;
  const int n = GetWindowTextLengthW(h);
  std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
  const int got = GetWindowTextW(h, reinterpret_cast<wchar_t*>(s.data()), n + 1);
  s.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  return s;
}

void Win32Ui::set_text(ControlId id, std::u16string_view text) {
  SetWindowTextW(controls_.at(static_cast<std::size_t>(id)).hwnd, wide(text).c_str());
}

bool Win32Ui::ticked(ControlId id) const {
  return SendMessageW(controls_.at(static_cast<std::size_t>(id)).hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Ui::set_ticked(ControlId id, bool ticked) {
  SendMessageW(controls_.at(static_cast<std::size_t>(id)).hwnd, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Ui::enabled(ControlId id) const { return model_.enabled(id); }

void Win32Ui::set_enabled(ControlId id, bool enabled) {
  HWND h = controls_.at(static_cast<std::size_t>(id)).hwnd;
  const bool had_focus = !enabled && GetFocus() == h;
  model_.set_enabled(id, enabled);
  EnableWindow(h, enabled ? TRUE : FALSE);
  // As in a dialog, the focus does not vanish with a control that disables
  // itself when another control takes it: it passes on to the next one in
  // Tab order, once the event that disabled it is over (moving the focus
  // inside a button's click unsettles the X display's focus under Wine).
  // With no such control the focus stays with the window, from which Esc
  // still closes.
  if (had_focus && model_.next_focus(id, false)) {
    pass_focus_from_ = id;
    PostMessageW(main_, kPassFocusOn, 0, 0);
  }
}

bool Win32Ui::visible(ControlId id) const {
  return id == kMainWindow ? IsWindowVisible(main_) != FALSE : model_.visible(id);
}

void Win32Ui::set_visible(ControlId id, bool visible) {
  if (id == kMainWindow) {
    ShowWindow(main_, visible ? SW_SHOW : SW_HIDE);
    return;
  }
  model_.set_visible(id, visible);
  update_visibility();
}

Rect Win32Ui::rect(ControlId id) const {
  if (id == kMainWindow) {
    RECT r{};
    GetWindowRect(main_, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  return model_.rect(id);
}

void Win32Ui::move(ControlId id, std::optional<int> left, std::optional<int> top, std::optional<int> width,
                   std::optional<int> height) {
  const Rect now = rect(id);
  const Rect r{left.value_or(now.left), top.value_or(now.top), width.value_or(now.width), height.value_or(now.height)};
  if (id == kMainWindow) {
    SetWindowPos(main_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  model_.set_rect(id, r);
  place(id);
}

void Win32Ui::focus(ControlId id) { SetFocus(controls_.at(static_cast<std::size_t>(id)).hwnd); }

std::optional<ControlId> Win32Ui::focused() const { return id_of(GetFocus()); }

void Win32Ui::select_all(ControlId id) {
  SendMessageW(controls_.at(static_cast<std::size_t>(id)).hwnd, EM_SETSEL, 0, -1);
}

void Win32Ui::append_text(ControlId id, std::u16string_view text) {
  HWND h = controls_.at(static_cast<std::size_t>(id)).hwnd;
  const int end = GetWindowTextLengthW(h);
  SendMessageW(h, EM_SETSEL, end, end);
  SendMessageW(h, EM_SCROLLCARET, 0, 0);
  SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(text).c_str()));
}

void Win32Ui::set_text_color(ControlId id, Color color) {
  Control& c = controls_.at(static_cast<std::size_t>(id));
  c.text_color = colorref(color);
  InvalidateRect(c.hwnd, nullptr, TRUE);
}

int Win32Ui::current_page(ControlId id) const { return model_.page(id); }

Size Win32Ui::client_size() const {
  RECT r{};
  GetClientRect(main_, &r);
  return {r.right - r.left, r.bottom - r.top};
}

void Win32Ui::set_window_state(WindowState state) {
  if (!IsWindowVisible(main_)) return;
  if (state == WindowState::kMaximized) {
    ShowWindow(main_, SW_MAXIMIZE);
  } else if (IsZoomed(main_) || IsIconic(main_)) {
    ShowWindow(main_, SW_RESTORE);
  }
}

void Win32Ui::message_box(std::u16string_view text, std::u16string_view title, Icon icon) {
  const UINT style = MB_OK | MB_TASKMODAL | (icon == Icon::kError ? MB_ICONERROR : MB_ICONINFORMATION);
  // The box disables the window, which takes the focus from its control:
  // the control has it back once the box is closed.
  const SavedFocus before = focus_now();
  MessageBoxW(nullptr, wide(text).c_str(), wide(title).c_str(), style);
  if (before.control) give_back_focus(before);
}

void Win32Ui::post(std::function<void()> task) {
  const std::lock_guard lock(posted_mutex_);
  posted_.push_back(std::move(task));
  announce_posted();
}

void Win32Ui::add_menu_item(int item, std::u16string_view text, std::optional<bool> checked) {
  const HMENU menu = GetSystemMenu(main_, FALSE);
  if (!menu || item < 0 || item >= kMenuItems) return;
  if (!menu_separated_) menu_separated_ = AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE;
  const UINT flags = MF_STRING | (checked.value_or(false) ? MF_CHECKED : MF_UNCHECKED);
  AppendMenuW(menu, flags, menu_command(item), wide(text).c_str());
}

void Win32Ui::set_menu_item_checked(int item, bool checked) {
  if (const HMENU menu = GetSystemMenu(main_, FALSE))
    CheckMenuItem(menu, menu_command(item), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
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

}  // namespace tapvero::widgets
