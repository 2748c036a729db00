// TGraphicControl: a control without a window, painted by its parent.
#include "Controls.h"

#include "Handles.h"

namespace px2d {

void TGraphicControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated()) return;
  const RECT r = BoundsRect();
  InvalidateRect(FParent->Handle(), &r, TRUE);
}

void TGraphicControl::UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  // The parent paints a windowless control: both where it was and where it is now need painting.
  Invalidate();
  TControl::UpdateBounds(ALeft, ATop, AWidth, AHeight);
  Invalidate();
}

void TGraphicControl::VisibleChanged() {
  TControl::VisibleChanged();
  Invalidate();
}

void TGraphicControl::TextChanged() {
  TControl::TextChanged();
  RequestLayout();
  Invalidate();
}

void TGraphicControl::FontChanged() {
  TControl::FontChanged();
  RequestLayout();
  Invalidate();
}

void TGraphicControl::EnabledChanged() {
  TControl::EnabledChanged();
  Invalidate();
}

void TGraphicControl::PaintOn(TCanvas& ParentCanvas) {
  HDC dc = ParentCanvas.Handle();
  TSavedDC saved(dc);
  POINT origin;
  GetViewportOrgEx(dc, &origin);
  IntersectClipRect(dc, FLeft, FTop, FLeft + FWidth, FTop + FHeight);
  SetViewportOrgEx(dc, origin.x + FLeft, origin.y + FTop, nullptr);
  TCanvas canvas;
  canvas.Font().Assign(Font());
  canvas.SetHandle(dc);
  FCanvas = &canvas;
  struct TReset {
    TCanvas*& p;
    ~TReset() { p = nullptr; }
  } reset{FCanvas};
  Paint();
}

}  // namespace px2d
