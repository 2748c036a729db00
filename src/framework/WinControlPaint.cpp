// TWinControl: its colours and fonts, and how it and its windowless children are painted.
#include "Controls.h"

#include <utility>

#include "Handles.h"

namespace px2d {

void TWinControl::SetColor(TColor Value) {
  const bool wasParentColor = std::exchange(FParentColor, false);
  if (StoreIfChanged(FColor, Value) || wasParentColor) RepaintWithChildren();
}

void TWinControl::SetParentColor(bool Value) {
  if (StoreIfChanged(FParentColor, Value)) RepaintWithChildren();
}

void TWinControl::RepaintWithChildren() {
  // The children that show this control's colour are painted again with it.
  if (FHandle) RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

COLORREF TWinControl::BackgroundColor() const {
  if (FParentColor && FParent) return FParent->BackgroundColor();
  return ColorToRGB(FColor);
}

void TWinControl::SendWindowFont() {
  // Only the system's controls take a font through the window; ours paint with Font() directly.
  if (!FHandle || !FSubclassed) return;
  FWindowFont = Font().Resource();  // kept alive for as long as the window uses it
  SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FWindowFont->Handle()), TRUE);
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  SendWindowFont();
}

void TWinControl::PaintControls(HDC DC) {
  // Only the controls that meet what is to be painted: a system button that draws its parent under
  // it asks for its own few pixels, not for every label of the page.
  RECT clip;
  const int region = GetClipBox(DC, &clip);
  if (region == NULLREGION) return;
  TCanvas canvas;
  canvas.SetHandle(DC);
  for (auto& child : FControls) {
    if (child->IsWindowed() || !child->Visible() || child->Width() <= 0 || child->Height() <= 0) continue;
    const RECT bounds = child->BoundsRect();
    RECT meet;
    if (region != ERROR && !IntersectRect(&meet, &bounds, &clip)) continue;
    child->PaintOn(canvas);
  }
}

void TWinControl::PaintTo(HDC DC) {
  if (!FHandle) return;
  SendMessageA(FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
  SendMessageA(FHandle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
}

void TWinControl::PaintHandler(HDC DC) {
  if (DC) {
    PaintWindow(DC);
    PaintControls(DC);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(FHandle, &ps);
  struct TEnd {
    HWND h;
    PAINTSTRUCT* ps;
    ~TEnd() { EndPaint(h, ps); }
  } end{FHandle, &ps};
  RECT client;
  GetClientRect(FHandle, &client);
  if (DoubleBuffered && client.right > 0 && client.bottom > 0) {
    // The buffer is kept from paint to paint (making one costs more than painting a cached face);
    // each paint starts from the state the buffer's DC was made in.
    if (!FPaintBuffer || FPaintBuffer->Width() != client.right || FPaintBuffer->Height() != client.bottom)
      FPaintBuffer = std::make_unique<TDibSurface>(client.right, client.bottom);
    HDC buffer = FPaintBuffer->DC();
    {
      TSavedDC saved(buffer);
      SendMessageA(FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(buffer), 0);
      PaintWindow(buffer);
      PaintControls(buffer);
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
  } else {
    PaintWindow(dc);
    PaintControls(dc);
  }
}

bool TWinControl::EraseBackground(HDC DC) {
  if (FSubclassed) return false;
  RECT rect;
  GetClientRect(FHandle, &rect);
  FillRect(DC, &rect, SolidBrushOf(BackgroundColor()));
  return true;
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (!FHandle) return;
  Invalidate();
  UpdateWindow(FHandle);
}

}  // namespace px2d
