#include "ComCtrls.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>

namespace px2d {

// --- TTrackBar ---

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }

void TTrackBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WinClassName = TRACKBAR_CLASSA;
  Params.SystemClass = true;
  // A fixed length: the system sizes the thumb once, from its own resolution, and not again when the
  // window moves to a monitor of another one.
  Params.Style = (Params.Style & ~static_cast<DWORD>(WS_CLIPCHILDREN)) | TBS_HORZ | TBS_AUTOTICKS |
                 TBS_BOTTOM | TBS_FIXEDLENGTH;
}

namespace {
// The thumb's length that the system gives a slider at 96 pixels per inch when the slider is at least
// that high (ours are 31 and 34).
constexpr int ThumbLength = 21;
}  // namespace

void TTrackBar::ResolutionChanged() {
  TWinControl::ResolutionChanged();
  if (HandleAllocated())
    SendMessageA(Handle(), TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scale(ThumbLength)), 0);
}

void TTrackBar::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(Handle(), TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scale(ThumbLength)), 0);
  SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, FMin);
  SendMessageA(Handle(), TBM_SETRANGEMAX, FALSE, FMax);
  SendMessageA(Handle(), TBM_SETLINESIZE, 0, FLineSize);
  SendMessageA(Handle(), TBM_SETPAGESIZE, 0, FPageSize);
  SendMessageA(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(FFrequency), 0);
  SendMessageA(Handle(), TBM_SETPOS, TRUE, FPosition);
}

void TTrackBar::Changed() {
  if (OnChange) OnChange(this);
}

void TTrackBar::SetMin(int Value) {
  if (!StoreIfChanged(FMin, Value)) return;
  if (FMax < FMin) FMax = FMin;
  if (HandleAllocated()) {
    SendMessageA(Handle(), TBM_SETRANGEMAX, FALSE, FMax);
    SendMessageA(Handle(), TBM_SETRANGEMIN, TRUE, FMin);
  }
  SetPosition(FPosition);
}

void TTrackBar::SetMax(int Value) {
  if (!StoreIfChanged(FMax, Value)) return;
  if (FMin > FMax) FMin = FMax;
  if (HandleAllocated()) {
    SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, FMin);
    SendMessageA(Handle(), TBM_SETRANGEMAX, TRUE, FMax);
  }
  SetPosition(FPosition);
}

void TTrackBar::SetPosition(int Value) {
  const int clamped = std::clamp(Value, FMin, FMax);
  if (HandleAllocated() && static_cast<int>(SendMessageA(Handle(), TBM_GETPOS, 0, 0)) != clamped)
    SendMessageA(Handle(), TBM_SETPOS, TRUE, clamped);
  if (StoreIfChanged(FPosition, clamped)) Changed();
}

void TTrackBar::SetLineSize(int Value) {
  if (StoreIfChanged(FLineSize, Value) && HandleAllocated())
    SendMessageA(Handle(), TBM_SETLINESIZE, 0, Value);
}

void TTrackBar::SetPageSize(int Value) {
  if (StoreIfChanged(FPageSize, Value) && HandleAllocated())
    SendMessageA(Handle(), TBM_SETPAGESIZE, 0, Value);
}

void TTrackBar::SetFrequency(int Value) {
  if (StoreIfChanged(FFrequency, Value) && HandleAllocated())
    SendMessageA(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(Value), 0);
}

void TTrackBar::DrawDarkTicks(HDC DC) const {
  // The ticks below the thumb where the thumb's middle stands at their values, the two ends a pixel
  // longer; greyer when disabled. Each inner tick is placed from its value, as the ends are: Wine's
  // answer to TBM_GETTICPOS leaves out the range's minimum, a step off wherever it is not 0.
  RECT channel{}, thumb{};
  SendMessageA(Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  SendMessageA(Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  const int half = (thumb.right - thumb.left) / 2;
  const int gap = Scale(2), length = Scale(3);
  const HBRUSH ink = SolidBrushOf(IsWindowEnabled(Handle()) ? RGB(160, 160, 160) : RGB(100, 100, 100));
  const auto tick = [&](int X, int Length) {
    RECT line{X, thumb.bottom + gap, X + std::max(1, Scale(1)), thumb.bottom + gap + Length};
    FillRect(DC, &line, ink);
  };
  const int left = channel.left + half, right = channel.right - half - 1;
  const int low = static_cast<int>(SendMessageA(Handle(), TBM_GETRANGEMIN, 0, 0));
  const int range = static_cast<int>(SendMessageA(Handle(), TBM_GETRANGEMAX, 0, 0)) - low;
  const int inner = static_cast<int>(SendMessageA(Handle(), TBM_GETNUMTICS, 0, 0)) - 2;
  for (int i = 0; range > 0 && i < inner; ++i) {
    const int value = static_cast<int>(SendMessageA(Handle(), TBM_GETTIC, i, 0));
    tick(left + MulDiv(right - left, value - low, range), length);
  }
  tick(left, length + 1);
  tick(right, length + 1);
}

bool TTrackBar::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(NM_CUSTOMDRAW) &&
      DarkMode()) {
    // In dark mode the channel and the ticks, which the system draws in its own dark shades (or a
    // visual style in light ones), are drawn light on the dark page; the thumb stays the system's.
    const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
    Result = CDRF_DODEFAULT;
    if (draw.dwDrawStage == CDDS_PREPAINT) {
      Result = CDRF_NOTIFYITEMDRAW;
    } else if (draw.dwDrawStage == CDDS_ITEMPREPAINT && draw.dwItemSpec == TBCD_CHANNEL) {
      FillRect(draw.hdc, &draw.rc,
               SolidBrushOf(IsWindowEnabled(Handle()) ? RGB(110, 110, 110) : RGB(70, 70, 70)));
      Result = CDRF_SKIPDEFAULT;
    } else if (draw.dwDrawStage == CDDS_ITEMPREPAINT && draw.dwItemSpec == TBCD_TICS) {
      DrawDarkTicks(draw.hdc);
      Result = CDRF_SKIPDEFAULT;
    }
    return true;
  }
  if (Msg == WM_HSCROLL || Msg == WM_VSCROLL) {
    if (StoreIfChanged(FPosition, static_cast<int>(SendMessageA(Handle(), TBM_GETPOS, 0, 0)))) Changed();
    Result = 0;
    return true;
  }
  return TWinControl::Reflected(Msg, wParam, lParam, Result);
}

// --- TTabSheet ---

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) { SetVisible(false); }

void TTabSheet::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CONTROLPARENT;
}

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

int TTabSheet::PageIndex() const {
  const TPageControl* pages = PageControl();
  if (!pages) return -1;
  const auto it = std::find(pages->FPages.begin(), pages->FPages.end(), this);
  return it == pages->FPages.end() ? -1 : static_cast<int>(it - pages->FPages.begin());
}

void TTabSheet::SetTabVisible(bool Value) {
  if (!StoreIfChanged(FTabVisible, Value)) return;
  if (TPageControl* pages = PageControl()) pages->TabVisibilityChanged(*this);
}

void TTabSheet::VisibleChanged() {
  if (Visible() && HandleAllocated()) CreateChildWindows();
  TWinControl::VisibleChanged();
}

void TTabSheet::GetAccessibleFacts(TAccessibleFacts& Facts) const {
  TWinControl::GetAccessibleFacts(Facts);
  Facts.Role = ROLE_SYSTEM_PROPERTYPAGE;
  Facts.StateRemoved = STATE_SYSTEM_FOCUSABLE;
}

void TTabSheet::TextChanged() {
  TWinControl::TextChanged();
  if (TPageControl* pages = PageControl()) pages->UpdateTabs();
}

// Without tabs, the pages sit 4 pixels (at 96 pixels per inch) inside the page control on every side.
int TTabSheet::DesignClientWidth() const {
  const TPageControl* pages = PageControl();
  return pages ? pages->DesignClientWidth() - 8 : TWinControl::DesignClientWidth();
}

int TTabSheet::DesignClientHeight() const {
  const TPageControl* pages = PageControl();
  return pages ? pages->DesignClientHeight() - 8 : TWinControl::DesignClientHeight();
}

// A page at the design size, in pixels: what the page control's own design size leaves for its
// pages, measured as the page control measures it, so that nothing is rounded twice.
int TTabSheet::ScaledDesignClientWidth() const {
  const TPageControl* pages = PageControl();
  if (!pages) return TWinControl::ScaledDesignClientWidth();
  const RECT r = pages->DisplayRectIn(pages->ScaledDesignClientWidth(), pages->ScaledDesignClientHeight());
  return r.right - r.left;
}

int TTabSheet::ScaledDesignClientHeight() const {
  const TPageControl* pages = PageControl();
  if (!pages) return TWinControl::ScaledDesignClientHeight();
  const RECT r = pages->DisplayRectIn(pages->ScaledDesignClientWidth(), pages->ScaledDesignClientHeight());
  return r.bottom - r.top;
}

// --- TPageControl ---

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TPageControl::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WinClassName = WC_TABCONTROLA;
  Params.SystemClass = true;
  Params.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
  Params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateTabs();
}

TTabSheet* TPageControl::AddPage(std::unique_ptr<TTabSheet> Page) {
  TTabSheet* page = Page.get();
  FPages.push_back(page);
  InsertControl(std::move(Page));
  UpdateTabs();
  if (FActivePageIndex < 0) SetActivePageIndex(0);
  return page;
}

bool TPageControl::AnyTabVisible() const {
  return std::any_of(FPages.begin(), FPages.end(), [](const TTabSheet* p) { return p->TabVisible(); });
}

int TPageControl::TabsBefore(const TTabSheet& Page) const {
  int tabs = 0;
  for (const TTabSheet* page : FPages) {
    if (page == &Page) break;
    if (page->TabVisible()) ++tabs;
  }
  return tabs;
}

void TPageControl::InsertTab(int Tab, const TTabSheet& Page) {
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>(Page.Caption().c_str());
  SendMessageA(Handle(), TCM_INSERTITEMA, static_cast<WPARAM>(Tab), reinterpret_cast<LPARAM>(&item));
}

void TPageControl::TabsChanged() {
  // The strip chooses its first tab by itself and moves its choice with inserts and removals as it
  // sees fit: the active page's tab, or none, is chosen here.
  const TTabSheet* active = ActivePage();
  const int chosen = active && active->TabVisible() ? TabsBefore(*active) : -1;
  SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(chosen), 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TPageControl::UpdateTabs() {
  if (HandleAllocated()) {
    SendMessageA(Handle(), TCM_DELETEALLITEMS, 0, 0);
    int tab = 0;
    for (TTabSheet* page : FPages)
      if (page->TabVisible()) InsertTab(tab++, *page);
    TabsChanged();
  }
  AlignControls();
}

void TPageControl::TabVisibilityChanged(TTabSheet& Page) {
  // A sheet that is not one of the pages has no tab, as the whole strip made again gives it none.
  if (Page.PageIndex() < 0) return;
  if (HandleAllocated()) {
    // Hiding the six tabs one by one removes six items instead of making the strip again six times.
    const int tab = TabsBefore(Page);
    if (Page.TabVisible())
      InsertTab(tab, Page);
    else
      SendMessageA(Handle(), TCM_DELETEITEM, static_cast<WPARAM>(tab), 0);
    TabsChanged();
  }
  AlignControls();
}

RECT TPageControl::DisplayRectIn(int Width, int Height) const {
  RECT r{0, 0, Width, Height};
  if (AnyTabVisible() && HandleAllocated()) {
    SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  const int inset = Scale(4);
  InflateRect(&r, -inset, -inset);
  return r;
}

RECT TPageControl::DisplayRect() const { return DisplayRectIn(ClientWidth(), ClientHeight()); }

void TPageControl::AlignControls() {
  const RECT r = DisplayRect();
  for (TTabSheet* page : FPages)
    page->UpdateBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
}

void TPageControl::SetActivePageIndex(int Value) {
  if (Value < 0 || Value >= PageCount() || Value == FActivePageIndex) return;
  TTabSheet* old = ActivePage();
  TTabSheet* next = Pages(Value);
  FActivePageIndex = Value;
  HWND focus = GetFocus();
  const bool focusInOld = old && old->HandleAllocated() && focus && IsChild(old->Handle(), focus);
  // On top while still hidden: a shown window moved in the z-order has its siblings' visible regions
  // worked out again (a third of a page switch under Wine).
  if (next->HandleAllocated())
    SetWindowPos(next->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  next->SetVisible(true);
  if (focusInOld) {
    // The focus leaves the hidden page for the first control of the new one.
    HWND first = GetNextDlgTabItem(next->Handle(), nullptr, FALSE);
    if (first && IsChild(next->Handle(), first)) ::SetFocus(first);
  }
  if (old) old->SetVisible(false);
  if (AnyTabVisible()) UpdateTabs();
}

bool TPageControl::EraseBackground(HDC DC) {
  RECT rect;
  GetClientRect(Handle(), &rect);
  FillRect(DC, &rect, SolidBrushOf(BackgroundColor()));
  return true;
}

LRESULT TPageControl::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_PAINT && !AnyTabVisible()) {
    // No tab strip and no frame: the pages cover everything but the background.
    PAINTSTRUCT ps;
    BeginPaint(Handle(), &ps);
    EndPaint(Handle(), &ps);
    return 0;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

bool TPageControl::Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(TCN_SELCHANGE)) {
    const int tab = static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
    int seen = -1;
    for (int i = 0; i < PageCount(); ++i) {
      if (Pages(i)->TabVisible() && ++seen == tab) {
        SetActivePageIndex(i);
        if (OnChange) OnChange(this);
        break;
      }
    }
    Result = 0;
    return true;
  }
  return TWinControl::Reflected(Msg, wParam, lParam, Result);
}

}  // namespace px2d
