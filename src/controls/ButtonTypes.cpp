#include "ButtonTypes.h"

#include <algorithm>

#include "framework/Handles.h"

namespace px2d {

void THintInfo::Assign(const THintInfo& Source) {
  if (&Source == this) return;
  Title = Source.Title;
  Notes = Source.Notes;
  Picture.Assign(&Source.Picture);
  ShowHelp = Source.ShowHelp;
}

TShortCutHintWindow::TShortCutHintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetVisible(false);
  SetBounds(0, 0, 20, 16);
}

void TShortCutHintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = OwnerWindow;
  Params.ClassStyle = CS_SAVEBITS;
}

void TShortCutHintWindow::SetHintText(const std::string& Text) {
  SetCaption(Text);
  HandleNeeded();
  TWindowDC dc(Handle());
  TSelectObject font(dc.Get(), Font().Handle());
  SIZE text{}, o{};
  GetTextExtentPoint32A(dc.Get(), Text.c_str(), static_cast<int>(Text.size()), &text);
  GetTextExtentPoint32A(dc.Get(), "O", 1, &o);
  SetBounds(Left(), Top(), std::max<int>(text.cx + 8, o.cx + 8), text.cy + 4);
  Invalidate();
}

void TShortCutHintWindow::ShowAt(int ScreenX, int ScreenY) {
  HandleNeeded();
  SetBounds(ScreenX, ScreenY, Width(), Height());
  SetWindowPos(Handle(), HWND_TOPMOST, ScreenX, ScreenY, Width(), Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetVisible(true);
}

void TShortCutHintWindow::Paint() {
  HDC dc = Canvas().Handle();
  const COLORREF from = ColorToRGB(Color), to = ColorToRGB(ColorTo);
  const int w = Width(), h = Height();
  for (int band = 0; band < 16; ++band) {
    const auto lerp = [&](int a, int b) { return a + (b - a) * band / 15; };
    const RECT r{0, h * band / 16, w, h * (band + 1) / 16};
    Canvas().FillRect(r, RGB(lerp(GetRValue(from), GetRValue(to)), lerp(GetGValue(from), GetGValue(to)),
                             lerp(GetBValue(from), GetBValue(to))));
  }
  Canvas().RequireFont();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font().Color()));
  RECT r{0, 0, w, h};
  DrawTextA(dc, Caption().c_str(), static_cast<int>(Caption().size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(128, 128, 128)));
  TSelectObject selPen(dc, pen.Get());
  TSelectObject selBrush(dc, GetStockObject(NULL_BRUSH));
  RoundRect(dc, 0, 0, w, h, 3, 3);
}

}  // namespace px2d
