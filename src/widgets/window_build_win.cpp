// The controls, made from the form: their classes and styles, fonts,
// stacking order and the tab pages' hints.
#include <windows.h>  // first: before <commctrl.h>
// clang-format off: the order above matters
#include <commctrl.h>
#include <imm.h>
// clang-format on

#include "widgets/window_detail_win.h"
#include "widgets/window_win.h"

namespace tapvero::widgets {

using namespace detail;

namespace {

bool is_multi_line_caption(std::u16string_view caption) { return caption.find(u'\n') != std::u16string_view::npos; }

// The hints are a top-level window, which any program's broadcast reaches
// as well; their own messages take pointers. Only this thread talks to
// them: one of theirs sent from another thread (which could only be another
// program's) is refused.
LRESULT CALLBACK hint_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (private_message(msg) && (InSendMessageEx(nullptr) & ISMEX_SEND)) return 0;
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, hint_proc, kSubclassId);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

// Fonts are in the GB2312 character set, so that Chinese and Latin text both
// show whatever code page Windows runs with; height and face are the form's
// unless the control names its own.
HFONT Win32Ui::font_for(const Font& font) {
  const Font& fallback = model_.form().default_font;
  const int height = font.height ? font.height : fallback.height;
  const std::u16string_view face = font.face ? font.face : fallback.face ? fallback.face : u"";
  if (height == 0 && face.empty()) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
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
    lstrcpynW(lf.lfFaceName, wide(face).c_str(), LF_FACESIZE);
    slot = GdiObject(CreateFontIndirectW(&lf));
  }
  return static_cast<HFONT>(slot.get());
}

bool Win32Ui::create_control(ControlId id) {
  const ControlSpec& s = model_.spec(id);
  Control& c = controls_.at(static_cast<std::size_t>(id));
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
      return true;
  }
  if (s.flags & kDisabled) style |= WS_DISABLED;
  c.hwnd = CreateWindowExW(ex_style, cls, wide(s.caption).c_str(), style, 0, 0, 0, 0, main_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(s.id)), instance_, nullptr);
  if (!c.hwnd) return false;
  SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(s.font)), FALSE);
  SetWindowSubclass(c.hwnd, control_proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  if (!model_.keeps_input_method(id)) ImmAssociateContext(c.hwnd, nullptr);

  if (s.kind == Kind::kTab) {
    for (std::size_t i = 0; i < s.pages.size(); ++i) {
      std::wstring caption = wide(s.pages[i].caption);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption.data();
      SendMessageW(c.hwnd, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    add_page_hints(id);
  } else if (s.kind == Kind::kCheckBox && (s.flags & kTicked)) {
    SendMessageW(c.hwnd, BM_SETCHECK, BST_CHECKED, 0);
  } else if (s.kind == Kind::kEdit) {
    // No limit at all for multi-line boxes: the report must never lose a line.
    SendMessageW(c.hwnd, EM_SETLIMITTEXT, (s.flags & kMultiLine) ? 0 : static_cast<WPARAM>(s.max_length), 0);
  }
  place(id);
  return true;
}

// Top to bottom: the controls, later ones of the form above earlier ones,
// then the group boxes, then the tab control, so that containers lie
// beneath what they contain.
void Win32Ui::arrange_z_order() {
  const auto layer_of = [](Kind kind) { return kind == Kind::kTab ? 2 : kind == Kind::kGroupBox ? 1 : 0; };
  const std::vector<ControlId>& ids = model_.ids();
  for (int layer = 0; layer < 3; ++layer) {
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
      const HWND h = controls_[static_cast<std::size_t>(*id)].hwnd;
      if (*id != kMainWindow && h && layer_of(model_.spec(*id).kind) == layer)
        SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

// Each page's hint shows as a tooltip over its tab.
void Win32Ui::add_page_hints(ControlId id) {
  Control& tab = controls_.at(static_cast<std::size_t>(id));
  tab.tooltip =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, main_, nullptr, instance_, nullptr);
  if (!tab.tooltip) return;
  SetWindowSubclass(tab.tooltip, hint_proc, kSubclassId, 0);
  SendMessageW(tab.tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(Font{})), FALSE);
  const auto pages = model_.spec(id).pages;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    std::wstring hint = wide(pages[i].hint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = tab.hwnd;
    tool.uId = i;
    tool.lpszText = hint.data();
    SendMessageW(tab.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Win32Ui::update_page_hint_areas(ControlId id) {
  const Control& tab = controls_.at(static_cast<std::size_t>(id));
  if (!tab.tooltip) return;
  for (std::size_t i = 0; i < model_.spec(id).pages.size(); ++i) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = tab.hwnd;
    tool.uId = i;
    SendMessageW(tab.hwnd, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tool.rect));
    SendMessageW(tab.tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

}  // namespace tapvero::widgets
