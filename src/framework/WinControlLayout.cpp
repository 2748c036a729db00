// TWinControl: where the children go (their bounds, anchors, stacking and scaling).
#include "Controls.h"

#include <algorithm>

namespace px2d {

int TWinControl::ClientWidth() const {
  if (FHandle) {
    RECT r;
    GetClientRect(FHandle, &r);
    return r.right;
  }
  return FWidth;
}

int TWinControl::ClientHeight() const {
  if (FHandle) {
    RECT r;
    GetClientRect(FHandle, &r);
    return r.bottom;
  }
  return FHeight;
}

RECT TWinControl::AnchoredBounds(const TControl& Control) const {
  // Edges are scaled, not sizes, so that controls designed edge to edge stay edge to edge; an edge
  // anchored to the right or bottom keeps its scaled distance from this control's real edge.
  const RECT d = Control.DesignBounds();
  const TAnchors a = Control.Anchors();
  const auto S = [this](int v) { return Scale(v); };
  const int rightGap = ScaledDesignClientWidth() - S(d.right);
  const int bottomGap = ScaledDesignClientHeight() - S(d.bottom);
  const int width = ClientWidth(), height = ClientHeight();
  RECT r{S(d.left), S(d.top), S(d.right), S(d.bottom)};
  if (a & akRight) {
    r.right = width - rightGap;
    if (!(a & akLeft)) r.left = r.right - (S(d.right) - S(d.left));
  }
  if (a & akBottom) {
    r.bottom = height - bottomGap;
    if (!(a & akTop)) r.top = r.bottom - (S(d.bottom) - S(d.top));
  }
  return r;
}

void TWinControl::PlaceControl(TControl& Control) {
  // While a layout is loaded, places are worked out once, when loading ends.
  if (Loading()) return;
  if (Control.Align() != alNone) {
    AlignControls();
    return;
  }
  const RECT r = AnchoredBounds(Control);
  int w = r.right - r.left, h = r.bottom - r.top;
  Control.AdjustSize(w, h);
  Control.UpdateBounds(r.left, r.top, w, h);
}

void TWinControl::AlignControls() {
  if (Loading()) return;
  // Stacked controls: top ones from the top down in their order, bottom ones from the bottom up,
  // then one control takes what is left. Sizes and margins come from the design, so nothing drifts.
  RECT rest{0, 0, ClientWidth(), ClientHeight()};
  const auto place = [&](TControl& c, TAlign align) {
    const RECT d = c.DesignBounds();
    const TMargins& m = c.Margins();
    const int ml = Scale(m.Left), mt = Scale(m.Top), mr = Scale(m.Right), mb = Scale(m.Bottom);
    const int left = rest.left + ml;
    const int width = std::max(0, static_cast<int>(rest.right - rest.left) - ml - mr);
    // An aligned control is as high as designed, wherever the stacking puts it.
    int height = Scale(d.bottom - d.top);
    if (align == alClient) height = std::max(0, static_cast<int>(rest.bottom - rest.top) - mt - mb);
    int adjusted = width;
    c.AdjustSize(adjusted, height);
    if (align == alTop || align == alClient) {
      c.UpdateBounds(left, rest.top + mt, width, height);
      rest.top += mt + height + mb;
    } else {
      c.UpdateBounds(left, rest.bottom - mb - height, width, height);
      rest.bottom -= mt + height + mb;
    }
  };
  for (TAlign align : {alTop, alBottom, alClient}) {
    for (auto& child : FControls) {
      if (child->Align() == align && child->Visible()) place(*child, align);
    }
  }
  for (auto& child : FControls) {
    if (child->Align() == alNone) PlaceControl(*child);
  }
}

void TWinControl::UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!FHandle) {
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    TControl::UpdateBounds(ALeft, ATop, AWidth, AHeight);
    if (resized) AlignControls();
    return;
  }
  // The bounds mirror the window (read back after every move): a move to where it already is would
  // only cost messages.
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  // The window reports where it ended up (WM_WINDOWPOSCHANGED); a combo box sets its own height.
  SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  ReadBoundsFromWindow();
}

void TWinControl::ReadBoundsFromWindow() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  HWND parent = (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD) ? GetParent(FHandle) : nullptr;
  if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  const bool resized = r.right - r.left != FWidth || r.bottom - r.top != FHeight;
  TControl::UpdateBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (resized) AlignControls();
}

}  // namespace px2d
