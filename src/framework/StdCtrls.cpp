#include "StdCtrls.h"

#include <commctrl.h>
#include <vssym32.h>

#include <algorithm>
#include <cstdlib>

#include "Handles.h"
#include "SysUtils.h"

namespace px2d {

// --- TLabel ---

void TLabel::SetAutoSize(bool Value) {
  if (StoreIfChanged(FAutoSize, Value)) RequestLayout();
}

void TLabel::SetWordWrap(bool Value) {
  if (StoreIfChanged(FWordWrap, Value)) {
    RequestLayout();
    Invalidate();
  }
}

void TLabel::SetTransparent(bool Value) {
  if (StoreIfChanged(FTransparent, Value)) Invalidate();
}

UINT TLabel::TextFlags() const { return DT_LEFT | DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0); }

void TLabel::AdjustSize(int& Width, int& Height) {
  if (!FAutoSize) return;
  TWindowDC dc(nullptr);
  TSelectObject font(dc.Get(), Font().Handle());
  RECT r{0, 0, FWordWrap ? std::max(Width, 1) : 0x4000, 0};
  const std::string text = Caption().empty() ? std::string(" ") : Caption();
  DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r, TextFlags() | DT_CALCRECT);
  // Never smaller than designed: a label keeps the room its layout gives it.
  if (!FWordWrap) Width = std::max(Width, static_cast<int>(r.right));
  Height = std::max(Height, static_cast<int>(r.bottom));
}

void TLabel::Paint() {
  HDC dc = Canvas().Handle();
  RECT r = ClientRect();
  if (!FTransparent && Parent()) Canvas().FillRect(r, static_cast<TColor>(Parent()->BackgroundColor()));
  Canvas().RequireFont();
  SetBkMode(dc, TRANSPARENT);
  // A colour of the design gives way to the system's in a high-contrast scheme, and wherever it
  // would not read against what lies behind it; large text (18 points and more, or 14 points bold)
  // needs less. In dark mode it is taken with its lightness turned round.
  const COLORREF background = Parent() ? Parent()->BackgroundColor() : ColorToRGB(clWindow);
  const COLORREF wanted = HighContrast() ? GetSysColor(COLOR_WINDOWTEXT) : TextColor(Font().Color());
  const int points72 = std::abs(Font().Height()) * 72;  // Height is designed at 96 pixels per inch
  const bool large = points72 >= 18 * 96 || ((Font().Style() & fsBold) && points72 >= 14 * 96);
  SetTextColor(dc, EnabledWithParents() ? ReadableTextColor(wanted, background, large ? 3.0 : 4.5)
                                        : ColorToRGB(clGrayText));
  DrawTextA(dc, Caption().c_str(), static_cast<int>(Caption().size()), &r, TextFlags());
}

bool TLabel::DialogChar(char Key, TShiftState) {
  if (!IsAccelerator(Key, Caption()) || !Parent()) return false;
  TWinControl* target = FocusControl;
  if (!target) {
    // The first control after the label in its parent that can take the focus.
    const auto& siblings = Parent()->Controls();
    auto it =
        std::find_if(siblings.begin(), siblings.end(), [this](const auto& c) { return c.get() == this; });
    for (; it != siblings.end() && !target; ++it) {
      auto* win = dynamic_cast<TWinControl*>(it->get());
      if (win && win->TabStop() && win->CanFocus()) target = win;
    }
  }
  if (!target || !target->CanFocus()) return false;
  target->SetFocus();
  return true;
}

// --- TCheckBox ---

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }

void TCheckBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WinClassName = WC_BUTTONA;
  Params.SystemClass = true;
  Params.Style = (Params.Style & ~static_cast<DWORD>(WS_CLIPCHILDREN)) | BS_AUTOCHECKBOX;
}

void TCheckBox::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(Handle(), BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetChecked(bool Value) {
  if (!StoreIfChanged(FChecked, Value)) return;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  Click();
}

namespace {
// The flags for a control's texts and focus rectangle as the keyboard cues stand in its window.
UINT CueFlags(HWND Window, bool& ShowFocus) {
  const auto state = static_cast<UINT>(SendMessageA(Window, WM_QUERYUISTATE, 0, 0));
  ShowFocus = !(state & UISF_HIDEFOCUS);
  return state & UISF_HIDEACCEL ? DT_HIDEPREFIX : 0;
}
// Whether a reflected notice is the control's custom draw while the window draws it dark itself.
bool IsDarkCustomDraw(UINT Msg, LPARAM lParam, bool DrawnHere) {
  return Msg == WM_NOTIFY &&
         reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(NM_CUSTOMDRAW) && DarkMode() &&
         DrawnHere;
}
// The answer to it: the whole control drawn before the system would, and the system's drawing skipped.
template <class TDraw>
LRESULT DrawWholeControl(LPARAM lParam, TDraw Draw) {
  const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
  if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  Draw(draw);
  return CDRF_SKIPDEFAULT;
}
}  // namespace

void TCheckBox::DrawDark(const NMCUSTOMDRAW& Draw) {
  // In dark mode the box's caption is drawn here in the window's text colour: a visual style draws
  // it in the style's own, which the colour messages do not change. The box is the style's, or the
  // system's plain one.
  HDC dc = Draw.hdc;
  const int saved = SaveDC(dc);
  RECT client = Draw.rc;
  FillRect(dc, &client, SolidBrushOf(BackgroundColor()));
  const auto state = static_cast<UINT>(SendMessageA(Handle(), BM_GETSTATE, 0, 0));
  const bool enabled = IsWindowEnabled(Handle()) != FALSE, checked = state & BST_CHECKED;
  const bool pushed = state & BST_PUSHED, hot = state & BST_HOT;
  RECT box = client;
  const int styled = !enabled ? (checked ? CBS_CHECKEDDISABLED : CBS_UNCHECKEDDISABLED)
                     : pushed ? (checked ? CBS_CHECKEDPRESSED : CBS_UNCHECKEDPRESSED)
                     : hot    ? (checked ? CBS_CHECKEDHOT : CBS_UNCHECKEDHOT)
                              : (checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL);
  if (!DrawStyledPart(Handle(), dc, BP_CHECKBOX, styled, box)) {
    const int side = Scale(13);
    box = {client.left, client.top + (client.bottom - client.top - side) / 2, client.left + side, 0};
    box.bottom = box.top + side;
    DrawFrameControl(dc, &box, DFC_BUTTON,
                     DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0) | (enabled ? 0 : DFCS_INACTIVE) |
                         (pushed ? DFCS_PUSHED : 0));
  }
  bool showFocus = false;
  const UINT flags = DT_LEFT | DT_VCENTER | DT_SINGLELINE | CueFlags(Handle(), showFocus);
  RECT text{box.right + Scale(4), client.top, client.right, client.bottom};
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
  if (font) SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, enabled ? ReadableTextColor(TextColor(Font().Color()), BackgroundColor(), 4.5)
                           : ColorToRGB(clGrayText));
  const std::string& caption = Caption();
  DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, flags);
  if (showFocus && (state & BST_FOCUS)) {
    RECT size = text;
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &size, flags | DT_CALCRECT);
    const int h = size.bottom - size.top, top = text.top + (text.bottom - text.top - h) / 2;
    RECT around{text.left, top, std::min(size.right, text.right), top + h};
    InflateRect(&around, 1, 1);
    SetTextColor(dc, ColorToRGB(clWindowText));
    SetBkColor(dc, BackgroundColor());
    DrawFocusRect(dc, &around);
  }
  RestoreDC(dc, saved);
}

bool TCheckBox::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (IsDarkCustomDraw(Msg, lParam, true)) {
    Result = DrawWholeControl(lParam, [this](const NMCUSTOMDRAW& Draw) { DrawDark(Draw); });
    return true;
  }
  if (Msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    // The box has already turned its tick over by itself.
    if (StoreIfChanged(FChecked, SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED)) Click();
    Result = 0;
    return true;
  }
  return TWinControl::Reflected(Msg, wParam, lParam, Result);
}

// --- TButton ---

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }

void TButton::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WinClassName = WC_BUTTONA;
  Params.SystemClass = true;
  FActive = FDefault;
  Params.Style =
      (Params.Style & ~static_cast<DWORD>(WS_CLIPCHILDREN)) | (FActive ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::SetDefault(bool Value) {
  if (!StoreIfChanged(FDefault, Value)) return;
  TWinControl* focused = FindControl(GetFocus());
  SetActive(focused && focused->IsPushButton() ? focused == this : FDefault);
}

void TButton::SetActive(bool Value) {
  if (!StoreIfChanged(FActive, Value) || !HandleAllocated()) return;
  SendMessageA(Handle(), BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::FocusChanged(TWinControl* NewFocus) {
  TWinControl::FocusChanged(NewFocus);
  // The dialog manager lets a focused push button take Enter only while it looks like the default.
  SetActive(NewFocus == this || (FDefault && !(NewFocus && NewFocus->IsPushButton())));
}

void TButton::DrawDark(const NMCUSTOMDRAW& Draw) {
  // A push button where the system has no dark visual style, drawn dark: its face a shade lighter than the
  // bar, lighter still under the mouse and darker while pressed; the default button framed in the highlight
  // colour.
  HDC dc = Draw.hdc;
  const int saved = SaveDC(dc);
  RECT face = Draw.rc;
  const auto state = static_cast<UINT>(SendMessageA(Handle(), BM_GETSTATE, 0, 0));
  const bool enabled = IsWindowEnabled(Handle()) != FALSE;
  const bool isDefault = (GetWindowLongPtrA(Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  const COLORREF fill = !enabled               ? RGB(45, 45, 45)
                        : (state & BST_PUSHED) ? RGB(40, 40, 40)
                        : (state & BST_HOT)    ? RGB(69, 69, 69)
                                               : RGB(55, 55, 55);
  const COLORREF frame = isDefault && enabled ? ColorToRGB(clHighlight) : RGB(100, 100, 100);
  FillRect(dc, &face, SolidBrushOf(frame));
  const int edge = isDefault && enabled ? Scale(2) : 1;
  InflateRect(&face, -edge, -edge);
  FillRect(dc, &face, SolidBrushOf(fill));
  bool showFocus = false;
  const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | CueFlags(Handle(), showFocus);
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
  if (font) SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, enabled ? ColorToRGB(clBtnText) : ColorToRGB(clGrayText));
  const std::string& caption = Caption();
  RECT text = face;
  if (state & BST_PUSHED) OffsetRect(&text, 1, 1);
  DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, flags);
  if (showFocus && (state & BST_FOCUS)) {
    RECT around = face;
    InflateRect(&around, -Scale(2), -Scale(2));
    SetTextColor(dc, ColorToRGB(clBtnText));
    SetBkColor(dc, fill);
    DrawFocusRect(dc, &around);
  }
  RestoreDC(dc, saved);
}

bool TButton::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (IsDarkCustomDraw(Msg, lParam, !SystemDrawsDark())) {
    Result = DrawWholeControl(lParam, [this](const NMCUSTOMDRAW& Draw) { DrawDark(Draw); });
    return true;
  }
  if (Msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    Click();
    Result = 0;
    return true;
  }
  return TWinControl::Reflected(Msg, wParam, lParam, Result);
}

// --- TComboBox ---

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }

void TComboBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WinClassName = WC_COMBOBOXA;
  Params.SystemClass = true;
  Params.Style = (Params.Style & ~static_cast<DWORD>(WS_CLIPCHILDREN)) | CBS_DROPDOWNLIST | WS_VSCROLL;
}

void TComboBox::CreateWnd() {
  TWinControl::CreateWnd();
  // The entries kept so far go into the list, which holds them from now on.
  TComboBoxStrings list(Handle());
  for (const std::string& item : FItems.FKept) list.Add(item);
  FItems.FKept.clear();
  SendMessageA(Handle(), CB_SETMINVISIBLE, static_cast<WPARAM>(FDropDownCount), 0);
  FitFieldHeight();
  if (FItemIndex >= 0) SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
}

void TComboBox::FontChanged() {
  TWinControl::FontChanged();
  FitFieldHeight();
}

void TComboBox::FitFieldHeight() {
  if (!HandleAllocated()) return;
  if (FItemHeight > 0) SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, Scale(FItemHeight));
  const RECT d = DesignBounds();
  const int wanted = Scale(d.bottom) - Scale(d.top);
  if (wanted <= 0) return;
  // How the field's height maps to the box's differs between versions of the control: correct the
  // field by what the box still lacks until the box is as high as wanted.
  int field = static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 4 && field > 0; ++attempt) {
    RECT r;
    GetWindowRect(Handle(), &r);
    const int missing = wanted - (r.bottom - r.top);
    if (missing == 0 || field + missing <= 0) break;
    field += missing;
    SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
  UpdateBounds(FLeft, FTop, FWidth, wanted);
}

void TComboBox::UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!HandleAllocated()) {
    TWinControl::UpdateBounds(ALeft, ATop, AWidth, AHeight);
    return;
  }
  // The height a drop-down list is given is the height of its open list; the closed box keeps the
  // height of its selection field, which the window then reports.
  const int items = std::max(1, FDropDownCount);
  const int itemHeight =
      FItemHeight > 0 ? Scale(FItemHeight) : static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0));
  TWinControl::UpdateBounds(ALeft, ATop, AWidth, AHeight + items * itemHeight + 2);
}

void TComboBox::TItems::Clear() {
  FKept.clear();
  if (FBox.HandleAllocated()) TComboBoxStrings(FBox.Handle()).Clear();
  FBox.FItemIndex = -1;
}

int TComboBox::TItems::Add(const std::string& S) {
  if (FBox.HandleAllocated()) return TComboBoxStrings(FBox.Handle()).Add(S);
  FKept.push_back(S);
  return static_cast<int>(FKept.size()) - 1;
}

int TComboBox::TItems::Count() const {
  if (FBox.HandleAllocated()) return TComboBoxStrings(FBox.Handle()).Count();
  return static_cast<int>(FKept.size());
}

std::string TComboBox::TItems::Get(int Index) const {
  if (FBox.HandleAllocated()) return TComboBoxStrings(FBox.Handle()).Get(Index);
  if (Index < 0 || Index >= static_cast<int>(FKept.size()))
    throw Exception(Format("List index out of bounds (%d)", Index));
  return FKept[static_cast<std::size_t>(Index)];
}

int TComboBox::TItems::FindExact(const std::string& S) const {
  if (FBox.HandleAllocated()) return TComboBoxStrings(FBox.Handle()).FindExact(S);
  // As the list itself looks an entry up: the whole text, ignoring letter case.
  for (std::size_t i = 0; i < FKept.size(); ++i)
    if (AnsiSameText(FKept[i], S)) return static_cast<int>(i);
  return -1;
}

int TComboBox::ItemIndex() const {
  if (!HandleAllocated()) return FItemIndex;
  return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int Value) {
  if (!HandleAllocated()) {
    FItemIndex = Value >= 0 && Value < FItems.Count() ? Value : -1;
    return;
  }
  SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
  FItemIndex = ItemIndex();
}

bool TComboBox::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Msg != WM_COMMAND) return TWinControl::Reflected(Msg, wParam, lParam, Result);
  switch (HIWORD(wParam)) {
    case CBN_DROPDOWN:
      FDropped = true;
      break;
    case CBN_SELCHANGE:
      // Moving in the open list is a preview; a closed list changes at once.
      if (!FDropped) Commit();
      break;
    case CBN_SELENDOK:
      FDropped = false;
      Commit();
      break;
    case CBN_SELENDCANCEL:
      // The list closed without a choice (Escape): it shows again what the page holds.
      FDropped = false;
      SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
      break;
    case CBN_CLOSEUP:
      if (FDropped) {
        FDropped = false;
        Commit();
      }
      break;
    default:
      return TWinControl::Reflected(Msg, wParam, lParam, Result);
  }
  Result = 0;
  return true;
}

void TComboBox::Commit() {
  if (StoreIfChanged(FItemIndex, ItemIndex()) && OnChange) OnChange(this);
}

}  // namespace px2d
