#include "GlassButton.h"

#include <oleacc.h>

#include <algorithm>
#include <map>
#include <vector>

#include "framework/Handles.h"
#include "framework/SysUtils.h"

namespace px2d {

using Gdiplus::Color;
using Gdiplus::GraphicsPath;
using Gdiplus::PointF;
using Gdiplus::REAL;
using Gdiplus::RectF;

// --- Actions ---

void TCustomAction::SetChecked(bool Value) {
  if (!StoreIfChanged(FChecked, Value)) return;
  for (TGlassButtonActionLink* link : std::vector<TGlassButtonActionLink*>(FLinks)) link->CheckedChanged();
}

void TCustomAction::SetGroupIndex(int Value) {
  if (!StoreIfChanged(FGroupIndex, Value)) return;
  for (TGlassButtonActionLink* link : std::vector<TGlassButtonActionLink*>(FLinks)) link->GroupIndexChanged();
}

void TCustomAction::Execute() {
  if (OnExecute) OnExecute(this);
}

TCustomAction::~TCustomAction() {
  // The buttons that follow this action let go of it before it goes.
  while (!FLinks.empty()) FLinks.back()->FClient.SetAction(nullptr);
}

TGlassButtonActionLink::TGlassButtonActionLink(TCustomGlassButton& Client, TCustomAction& Action)
    : FClient(Client), FAction(Action) {
  FAction.FLinks.push_back(this);
}

TGlassButtonActionLink::~TGlassButtonActionLink() {
  auto& links = FAction.FLinks;
  links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

void TGlassButtonActionLink::CheckedChanged() { FClient.SetDown(FAction.Checked()); }

void TGlassButtonActionLink::GroupIndexChanged() { FClient.SetGroupIndex(FAction.GroupIndex()); }

namespace {

// A colour as stored, red in the low byte, with an alpha; system colour values are not resolved.
Color StoredColor(TColor c, BYTE alpha) {
  return Color(alpha, static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
               static_cast<BYTE>((c >> 16) & 0xFF));
}

// A colour resolved to RGB (system colours included), opaque.
Color ResolvedColor(TColor c) {
  const COLORREF rgb = ColorToRGB(c);
  return Color(255, GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

void AddTopRounded(GraphicsPath& path, REAL x, REAL y, REAL w, REAL h, REAL r) {
  const REAL d = 2 * r;
  path.AddArc(x, y, d, d, 180, 90);
  path.AddLine(x + r, y, x + w - r, y);
  path.AddArc(x + w - d, y, d, d, 270, 90);
  path.AddLine(x + w, y + r, x + w, y + h);
  path.AddLine(x + w, y + h, x, y + h);
  path.AddLine(x, y + h, x, y + r);
  path.CloseFigure();
}

int RoundHalfAway(double v) { return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5); }

// One end a half circle of diameter h, the other a shallow inward curve; the divisor of the
// curve's middle point differs between the two directions.
void AddCurvedTab(GraphicsPath& path, int x, int y, int w, int h, TButtonDirection direction) {
  const auto X = [](int v) { return static_cast<REAL>(v); };
  if (direction == bdRight) {
    const PointF curve[5] = {{X(x), X(y)},
                             {X(x + h / 6), X(y + h / 4)},
                             {X(x + RoundHalfAway(h / 4.85)), X(y + h / 2)},
                             {X(x + h / 6), X(y + 3 * h / 4)},
                             {X(x), X(y + h)}};
    path.AddCurve(curve, 5);
    path.AddLine(X(x), X(y + h), X(x + w - h), X(y + h));
    path.AddArc(X(x + w - h), X(y), X(h), X(h), 90, -180);
    path.AddLine(X(x + w - h) + X(h) / 2, X(y), X(x), X(y));
  } else {
    path.AddArc(X(x), X(y), X(h), X(h), 90, 180);
    path.AddLine(X(x) + X(h) / 2, X(y), X(x + w), X(y));
    const PointF curve[5] = {{X(x + w), X(y)},
                             {X(x + w - h / 6), X(y + h / 4)},
                             {X(x + w - RoundHalfAway(h / 4.7)), X(y + h / 2)},
                             {X(x + w - h / 6), X(y + 3 * h / 4)},
                             {X(x + w), X(y + h)}};
    path.AddCurve(curve, 5);
    path.AddLine(X(x + w), X(y + h), X(x) + X(h) / 2, X(y + h));
  }
  path.CloseFigure();
}

void AddOutline(GraphicsPath& path, TButtonShape shape, TButtonDirection direction, int x, int y, int w,
                int h, int radius) {
  if (shape == btsCurvedRectangle)
    AddCurvedTab(path, x, y, w, h, direction);
  else
    AddRoundedRectangle(path, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(w),
                        static_cast<REAL>(h), static_cast<REAL>(radius));
  path.CloseFigure();
}

void FillTriangle(Gdiplus::Graphics& g, Gdiplus::Brush& b, REAL x0, REAL y0, REAL x1, REAL y1, REAL x2,
                  REAL y2) {
  const PointF pts[3] = {{x0, y0}, {x1, y1}, {x2, y2}};
  g.FillPolygon(&b, pts, 3);
}

void DrawSymbol(Gdiplus::Graphics& g, TBackGroundSymbol symbol, Color color, int W, int H) {
  const int w1 = W - 1, h1 = H - 1;
  const REAL fw = static_cast<REAL>(w1), fh = static_cast<REAL>(h1);
  Gdiplus::SolidBrush brush(color);
  Gdiplus::Pen arrow(color, fh / 4);
  arrow.SetEndCap(Gdiplus::LineCapArrowAnchor);
  const auto F = [](int v) { return static_cast<REAL>(v); };
  // Two triangles between x0 and x2 through the middle x1, pointing right or left.
  const auto pair = [&](bool right, REAL shift) {
    const REAL top = F(h1 / 4), bottom = F(h1 - h1 / 4), mid = (top + bottom) / 2;
    const REAL xs[3] = {F(w1 / 4) + shift, F(w1 / 2) + shift, F(3 * w1 / 4) + shift};
    for (int i = 0; i < 2; ++i) {
      if (right)
        FillTriangle(g, brush, xs[i], top, xs[i + 1], mid, xs[i], bottom);
      else
        FillTriangle(g, brush, xs[i + 1], top, xs[i], mid, xs[i + 1], bottom);
    }
  };
  const REAL u = fw / 15, v = fh / 15;
  const PointF speaker[6] = {{4 * u, 6 * v},  {6 * u, 6 * v}, {9 * u, 3 * v},
                             {9 * u, 12 * v}, {6 * u, 9 * v}, {4 * u, 9 * v}};
  Gdiplus::Pen line(color, fw / 20);
  switch (symbol) {
    case bsArrowLeft:
      g.DrawLine(&arrow, fw - fw / 5, fh / 2, fw / 8, fh / 2);
      break;
    case bsArrowRight:
      g.DrawLine(&arrow, fw / 6, fh / 2, fw - fw / 8, fh / 2);
      break;
    case bsArrowUp:
      g.DrawLine(&arrow, fw / 2, fh - fh / 5, fw / 2, fh / 8);
      break;
    case bsArrowDown:
      g.DrawLine(&arrow, fw / 2, fh / 5, fw / 2, fh - fh / 8);
      break;
    case bsPlay:
      FillTriangle(g, brush, F(w1 / 20 + w1 / 4), F(h1 / 4), F(w1 / 20 + w1 - w1 / 4), F(h1 / 2),
                   F(w1 / 20 + w1 / 4), F(h1 - h1 / 4));
      break;
    case bsPause:
      g.FillRectangle(&brush, fw / 4, fh / 4, 0.2f * fw, fh / 2);
      g.FillRectangle(&brush, fw / 2 + fw / 20, fh / 4, 0.2f * fw, fh / 2);
      break;
    case bsStop:
      g.FillRectangle(&brush, fw / 4 + fw / 20, fh / 4 + fh / 20, fw / 2 - fw / 10, fh / 2 - fw / 10);
      break;
    case bsFastForward:
      pair(true, 0);
      g.FillRectangle(&brush, 3 * fw / 4, fh / 4, fw / 12, fh / 2);
      break;
    case bsForward:
      pair(true, F(w1 / 12));
      break;
    case bsBackward:
      pair(false, 0);
      break;
    case bsFastBackward:
      pair(false, 0);
      g.FillRectangle(&brush, fw / 4 - fw / 12, fh / 4, fw / 12, fh / 2);
      break;
    case bsSpeaker:
      g.DrawPolygon(&line, speaker, 6);
      g.DrawLine(&line, 11 * u, 5 * v, 11 * u, 10 * v);
      break;
    case bsNoSpeaker:
      g.DrawPolygon(&line, speaker, 6);
      g.DrawLine(&line, 10.5f * u, 5.5f * v, 13.5f * u, 9.5f * v);
      g.DrawLine(&line, 13.5f * u, 5.5f * v, 10.5f * u, 9.5f * v);
      break;
    case bsRecord: {
      const REAL d = std::min(fw, fh) / 2;
      g.FillEllipse(&brush, (fw - d) / 2, (fh - d) / 2, d, d);
      break;
    }
    case bsNone:
      break;
  }
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

int CALLBACK FoundFont(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// What IsScreenFont found, per face, until fonts are installed or removed.
std::map<std::string, bool>& KnownScreenFonts() {
  static std::map<std::string, bool> known;
  return known;
}

// Whether the face is among the installed screen fonts. Asked once per face: the answer changes only
// when fonts are installed or removed, which the system announces to the top-level windows
// (WM_FONTCHANGE); the window then calls ForgetScreenFonts.
bool IsScreenFont(HDC dc, const std::string& name) {
  auto& known = KnownScreenFonts();
  const auto it = known.find(name);
  if (it != known.end()) return it->second;
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, name.c_str(), LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExA(dc, &lf, &FoundFont, reinterpret_cast<LPARAM>(&found), 0);
  known[name] = found;
  return found;
}

}  // namespace

void ForgetScreenFonts() { KnownScreenFonts().clear(); }

// --- Construction ---

TCustomGlassButton::TCustomGlassButton(TComponent* AOwner) : TCustomControl(AOwner) {
  FPicture.OnChange = [this](TObject*) { Invalidate(); };
  FPictureDisabled.OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 100, 32);
  SetParentFont(true);
  Font().SetName("Tahoma");
  ShowHint = false;
}

TCustomGlassButton::~TCustomGlassButton() {
  FHintWindow.reset();
  FActionLink.reset();
}

// --- Properties ---

void TCustomGlassButton::SetAllowAllUp(bool Value) {
  if (StoreIfChanged(FAllowAllUp, Value)) NotifyGroup();
}

void TCustomGlassButton::SetGroupIndex(int Value) {
  if (StoreIfChanged(FGroupIndex, Value)) NotifyGroup();
}

void TCustomGlassButton::SetCornerRadius(int Value) {
  if (Value >= 0 && StoreIfChanged(FCornerRadius, Value)) Invalidate();
}

void TCustomGlassButton::SetPicture(const TGDIPPicture* Value) {
  FPicture.Assign(Value);
  Invalidate();
}

void TCustomGlassButton::SetPictureDisabled(const TGDIPPicture* Value) {
  FPictureDisabled.Assign(Value);
  Invalidate();
}

std::string TCustomGlassButton::Version() const {
  const std::uint32_t v = VersionNumber();
  return Format("%u.%u.%u.%u", (v >> 24) & 0xFF, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void TCustomGlassButton::SetAction(TCustomAction* Value) {
  FActionLink.reset();
  if (!Value) return;
  FActionLink = std::make_unique<TGlassButtonActionLink>(*this, *Value);
  // Defaults come from the action: its group, then its check mark.
  if (FGroupIndex == 0) SetGroupIndex(Value->GroupIndex());
  SetDown(Value->Checked());
}

void TCustomGlassButton::SetDown(bool Value) {
  if (Loading()) FInitialDown = Value;
  if (FGroupIndex == 0 && FStyle == tasButton) Value = false;
  if (FStyle == tasCheck) {
    const bool changed = Value != FDown;
    FDown = Value;
    FState = Value ? gvsPressed : gvsUp;
    Repaint();
    if (changed) DownChanged();
    return;
  }
  if (Value == FDown) return;
  // A down member of a group is raised only by another member going down, unless all may be up.
  if (FDown && !FAllowAllUp) return;
  FDown = Value;
  if (Value) {
    if (FState == gvsUp) Invalidate();
    FState = gvsLatched;
  } else {
    FState = gvsUp;
    Repaint();
  }
  if (Value) NotifyGroup();
  DownChanged();
}

void TCustomGlassButton::DownChanged() {
  NotifyAccessibleEvent(Handle(), EVENT_OBJECT_STATECHANGE);
  if (FDown && FGroupIndex != 0) NotifyAccessibleEvent(Handle(), EVENT_OBJECT_SELECTION);
}

void TCustomGlassButton::Loaded() {
  TCustomControl::Loaded();
  // Down is stored before GroupIndex, so a stored Down = True takes effect only now.
  if (FInitialDown != FDown) SetDown(FInitialDown);
}

// --- Group logic ---

void TCustomGlassButton::NotifyGroup() {
  if (FGroupIndex == 0 || !Parent()) return;
  for (auto& child : Parent()->Controls()) {
    if (auto* button = dynamic_cast<TCustomGlassButton*>(child.get()))
      button->GroupNotification(FGroupIndex, *this);
  }
}

void TCustomGlassButton::GroupNotification(int AGroupIndex, TCustomGlassButton& Sender) {
  if (AGroupIndex != FGroupIndex || &Sender == this) return;
  if (Sender.Down() && FDown) {
    FDown = false;
    FState = gvsUp;
    if (FActionLink) FActionLink->Action().FChecked = false;
    Invalidate();
    DownChanged();
  }
  FAllowAllUp = Sender.AllowAllUp();
}

// --- Mouse ---

void TCustomGlassButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !EnabledWithParents()) return;
  FMouseDown = true;
  if (!FDown) {
    FState = gvsPressed;
    Invalidate();
  }
  if (FStyle == tasCheck) {
    FState = gvsPressed;
    Repaint();
  }
  if (TabStop()) SetFocus();
  FDragging = true;
}

void TCustomGlassButton::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (FDragging) {
    TGlassVisualState next = FDown ? gvsLatched : gvsUp;
    if (PointInClient(X, Y)) next = FDown ? gvsLatched : gvsPressed;
    if (FStyle == tasCheck && FDown) next = gvsPressed;
    if (next != FState) {
      FState = next;
      Invalidate();
    }
  } else if (!FHot) {
    RecheckHover();
  }
}

void TCustomGlassButton::MouseRelease(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != mbLeft) {
    TCustomControl::MouseRelease(Button, Shift, X, Y);
    return;
  }
  FMouseDown = false;
  Invalidate();
  if (FDragging) {
    FDragging = false;
    const bool inside = PointInClient(X, Y);
    if (FGroupIndex != 0) {
      if (inside) {
        SetDown(!FDown);
        if (FDown) Repaint();
      } else {
        // Released outside: the press leaves no trace, whether or not a move took the pointer out first.
        FState = FDown ? gvsLatched : gvsUp;
        Repaint();
      }
    } else {
      FState = gvsUp;
      FHot = false;
      if (FStyle == tasCheck) {
        SetDown(!FDown);
        FState = gvsUp;
      }
      if (inside) Invalidate();
    }
    RecheckHover();
  }
  TCustomControl::MouseRelease(Button, Shift, X, Y);
  Invalidate();
}

// --- Hover ---

void TCustomGlassButton::HoverEntered() {
  FHot = true;
  // The pointer may be found over the button again (after a press) without having left it: the
  // events only ever alternate, enter, leave, enter. The platform's leave notification ends the
  // hover; nothing polls the pointer while it rests on the button.
  if (FEnterRaised) return;
  FEnterRaised = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomGlassButton::HoverLeft() {
  FHot = false;
  if (!FEnterRaised) return;
  FEnterRaised = false;
  if (OnMouseLeave) OnMouseLeave(this);
}

void TCustomGlassButton::CaptureLost() {
  // A press ended without its release (a message box, a switch to another program): the glow and
  // the pressed look go, Down stays as it was, and no click follows.
  if (!FMouseDown && !FDragging) return;
  FMouseDown = false;
  FDragging = false;
  FState = FDown ? gvsLatched : gvsUp;
  Repaint();
}

void TCustomGlassButton::MouseEnter() { HoverEntered(); }

void TCustomGlassButton::MouseLeave() { HoverLeft(); }

void TCustomGlassButton::RecheckHover() {
  if (!EnabledWithParents() || !HandleAllocated()) return;
  POINT p;
  if (!GetCursorPos(&p)) return;
  // The topmost window under the pointer, disabled ones included.
  HWND hit = WindowFromPoint(p);
  for (HWND child = hit; child;) {
    POINT local = p;
    ScreenToClient(child, &local);
    HWND deeper = ChildWindowFromPointEx(child, local, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!deeper || deeper == child) break;
    hit = child = deeper;
  }
  if (hit == Handle())
    HoverEntered();
  else
    HoverLeft();
}

// --- Keyboard and focus ---

void TCustomGlassButton::KeyPress(char& Key) {
  TCustomControl::KeyPress(Key);
  if (Key == ' ') Click();
}

bool TCustomGlassButton::DialogKey(WORD Key, TShiftState Shift) {
  if (Key == VK_RETURN && FFocused && !(Shift & (ssShift | ssCtrl | ssAlt)) && CanFocus()) {
    Click();
    return true;
  }
  return TCustomControl::DialogKey(Key, Shift);
}

bool TCustomGlassButton::DialogChar(char Key, TShiftState Shift) {
  if (IsAccelerator(Key, Caption()) && CanFocus()) {
    Click();
    return true;
  }
  return TCustomControl::DialogChar(Key, Shift);
}

void TCustomGlassButton::Click() {
  if (FActionLink && !OnClick)
    FActionLink->Action().Execute();
  else
    TCustomControl::Click();
}

void TCustomGlassButton::GetAccessibleFacts(TAccessibleFacts& Facts) const {
  TCustomControl::GetAccessibleFacts(Facts);
  if (Facts.Name.empty()) Facts.Name = AccessibleText(Caption());
  if (FGroupIndex != 0) {
    Facts.Role = ROLE_SYSTEM_PAGETAB;
    Facts.State = STATE_SYSTEM_SELECTABLE | (FDown ? STATE_SYSTEM_SELECTED : 0);
    Facts.DefaultAction = "Switch";
  } else {
    Facts.Role = ROLE_SYSTEM_PUSHBUTTON;
    Facts.State = FStyle == tasCheck && FDown ? STATE_SYSTEM_PRESSED : 0;
    Facts.DefaultAction = "Press";
  }
}

void TCustomGlassButton::AccessibleDefaultAction() {
  // A disabled button ignores the request as it ignores the mouse.
  if (!EnabledWithParents()) return;
  if (FGroupIndex != 0 || FStyle == tasCheck) SetDown(!FDown);
  Click();
}

void TCustomGlassButton::DoEnter() {
  TCustomControl::DoEnter();
  Invalidate();
}

void TCustomGlassButton::DoExit() {
  TCustomControl::DoExit();
  Invalidate();
}

void TCustomGlassButton::FocusChanged(TWinControl* NewFocus) {
  TCustomControl::FocusChanged(NewFocus);
  FFocused = NewFocus == this;
}

void TCustomGlassButton::EnabledChanged() {
  TCustomControl::EnabledChanged();
  Invalidate();
  // A press cannot go on in a disabled button.
  if (!EnabledWithParents()) CaptureLost();
}

void TCustomGlassButton::FontChanged() {
  TCustomControl::FontChanged();
  Invalidate();
}

void TCustomGlassButton::TextChanged() {
  TCustomControl::TextChanged();
  Invalidate();
}

// --- Short-cut hint ---

LRESULT TCustomGlassButton::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_PX2D_HINTSHOW && wParam == ShortCutHintMarker) ShowShortCutHint(lParam == 1);
  // A face drawn in the scheme's colours is drawn again in the new ones.
  if (Msg == WM_SYSCOLORCHANGE) Invalidate();
  return TCustomControl::WndProc(Msg, wParam, lParam);
}

void TCustomGlassButton::ShowShortCutHint(bool Show) {
  if (!Show) {
    FHintWindow.reset();
    return;
  }
  if (!FHintWindow) {
    FHintWindow = std::make_unique<TShortCutHintWindow>();
    FHintWindow->OwnerWindow = Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : nullptr;
  }
  FHintWindow->SetHintText(FShortCutHint);
  RECT r;
  GetWindowRect(Handle(), &r);
  const int hw = FHintWindow->Width(), hh = FHintWindow->Height();
  int x = FHintWindow->Left(), y = FHintWindow->Top();
  const int cx = r.left + (r.right - r.left - hw) / 2, cy = r.top + (r.bottom - r.top - hh) / 2;
  switch (FShortCutHintPos) {
    case shpLeft:
      x = r.left - hw / 2, y = cy;
      break;
    case shpTop:
      x = cx, y = r.top - hh / 2;
      break;
    case shpRight:
      x = r.right - hw / 2, y = cy;
      break;
    case shpBottom:
      x = cx, y = r.bottom - hh / 2;
      break;
    default:
      break;
  }
  FHintWindow->ShowAt(x, y);
}

// --- Painting ---

void TCustomGlassButton::Paint() {
  if (!EnabledWithParents()) {
    FState = gvsDisabled;
    FDragging = false;
  } else if (FState == gvsDisabled) {
    FState = FDown && FGroupIndex != 0 ? gvsLatched : gvsUp;
  }
  if (FStyle == tasCheck && FDown) FState = gvsPressed;

  HDC dc = Canvas().Handle();
  PaintParentUnder(dc);

  if (FForceTransparent && Parent()) {
    const RECT mine = BoundsRect();
    for (auto& child : Parent()->Controls()) {
      auto* sibling = dynamic_cast<TCustomGlassButton*>(child.get());
      if (!sibling || sibling == this || !sibling->Visible()) continue;
      RECT theirs = sibling->BoundsRect(), overlap;
      if (!IntersectRect(&overlap, &mine, &theirs)) continue;
      const int w = overlap.right - overlap.left, h = overlap.bottom - overlap.top;
      TDibSurface part(w, h);
      const int sx = overlap.left - Left(), sy = overlap.top - Top();
      BitBlt(part.DC(), 0, 0, w, h, dc, sx, sy, SRCCOPY);
      {
        TSavedDC saved(part.DC());
        SetViewportOrgEx(part.DC(), theirs.left - overlap.left, theirs.top - overlap.top, nullptr);
        TCanvas canvas;
        canvas.SetHandle(part.DC());
        canvas.Font().Assign(sibling->Font());
        sibling->DrawGlassButton(canvas);
        canvas.SetHandle(nullptr);
      }
      BitBlt(dc, sx, sy, w, h, part.DC(), 0, 0, SRCCOPY);
    }
    DrawGlassButton(Canvas());
    return;
  }
  DrawThroughFaceCache(dc);
}

namespace {
// The pixels of a 32-bit device-independent bitmap of exactly this size selected into the device
// context at its own origin, as the double-buffered paint draws into; null for anything else.
std::uint32_t* SurfaceBits(HDC dc, int Width, int Height) {
  DIBSECTION section{};
  auto* bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  if (!bitmap || GetObjectA(bitmap, sizeof section, &section) != sizeof section) return nullptr;
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  // Whichever way its rows run: the pixels are only compared and put back, never addressed.
  if (section.dsBm.bmBitsPixel != 32 || section.dsBm.bmWidth != Width || section.dsBm.bmHeight != Height ||
      origin.x != 0 || origin.y != 0 || !section.dsBm.bmBits)
    return nullptr;
  return static_cast<std::uint32_t*>(section.dsBm.bmBits);
}
}  // namespace

void TCustomGlassButton::DrawThroughFaceCache(HDC dc) {
  // What lies beneath and the button's own state decide the picture: while both stay as they were
  // when it was last drawn, the same pixels are put back instead of drawing them again.
  TFaceKey key{FState,
               FDown,
               FMouseDown,
               FHot,
               EnabledWithParents(),
               HandleAllocated() && GetFocus() == Handle(),
               Width(),
               Height(),
               FPictureDown.Data()};
  std::uint32_t* bits = SurfaceBits(dc, Width(), Height());
  if (!bits) {
    DrawGlassButton(Canvas());
    return;
  }
  GdiFlush();
  const std::size_t count = static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height());
  if (FFaceValid && key == FFaceKey && std::equal(bits, bits + count, FFaceUnder.begin(), FFaceUnder.end())) {
    std::copy(FFaceDrawn.begin(), FFaceDrawn.end(), bits);
    return;
  }
  FFaceUnder.assign(bits, bits + count);
  DrawGlassButton(Canvas());
  GdiFlush();
  FFaceDrawn.assign(bits, bits + count);
  FFaceKey = std::move(key);
  FFaceValid = true;
}

void TCustomGlassButton::Invalidate() {
  FFaceValid = false;
  TCustomControl::Invalidate();
}

int TCustomGlassButton::CornerRadiusAtResolution() const {
  return ScaleBy(FCornerRadius, Font().PixelsPerInch());
}

bool TCustomGlassButton::ShowsDown() const {
  return FMouseDown || FDown || FState == gvsPressed || FState == gvsLatched;
}

void TCustomGlassButton::DrawGlassButton(TCanvas& Canvas) {
  TGDIPPicture* picture = &FPicture;
  if (!EnabledWithParents() && !FPictureDisabled.Empty())
    picture = &FPictureDisabled;
  else if (((FMouseDown && FHot) || FDown) && !FPictureDown.Empty())
    picture = &FPictureDown;
  {
    Gdiplus::Graphics surface(Canvas.Handle());
    surface.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    DrawGlassBody(surface);
  }
  const bool focus = HandleAllocated() && GetFocus() == Handle() && FShowFocusRect;
  // In a high-contrast scheme the caption takes the scheme's text colour for its face.
  TFont caption;
  caption.Assign(Font());
  if (HighContrast()) caption.SetColor(ShowsDown() ? clHighlightText : clBtnText);
  DrawPictureAndCaption(Canvas, ClientRect(), Caption(), FShowCaption, caption, picture, FLayout,
                        EnabledWithParents(), focus, FAntiAlias, CornerRadiusAtResolution(), FButtonShape,
                        FButtonDirection);
}

void TCustomGlassButton::DrawGlassBody(Gdiplus::Graphics& g) {
  const int W = Width(), H = Height();
  const REAL r = static_cast<REAL>(CornerRadiusAtResolution());
  if (HighContrast()) {
    // The scheme's own colours, opaque, without tint, shine or glow: the button face, and the
    // highlight for the button that is down; outlined in the button text colour.
    const auto opaque = [](int Index) {
      const COLORREF c = GetSysColor(Index);
      return Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c));
    };
    GraphicsPath outline;
    AddOutline(outline, FButtonShape, FButtonDirection, 0, 0, W - 1, H - 1, CornerRadiusAtResolution());
    Gdiplus::SolidBrush brush(opaque(ShowsDown() ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    g.FillPath(&brush, &outline);
    Gdiplus::Pen pen(opaque(COLOR_BTNTEXT), 1);
    g.DrawPath(&pen, &outline);
    return;
  }
  // Outer border over the whole client area, last column and row included.
  {
    GraphicsPath outer;
    AddOutline(outer, FButtonShape, FButtonDirection, 0, 0, W - 1, H - 1, CornerRadiusAtResolution());
    Gdiplus::Pen pen(ResolvedColor(FOuterBorderColor), 1);
    g.DrawPath(&pen, &outer);
  }
  // The tinted body, half transparent.
  GraphicsPath body;
  AddOutline(body, FButtonShape, FButtonDirection, 1, 1, W - 3, H - 3, CornerRadiusAtResolution());
  {
    Gdiplus::SolidBrush brush(StoredColor(FBackColor, 127));
    g.FillPath(&brush, &body);
  }
  // The glow rises from the middle of the lower edge while pressed or down.
  if (FMouseDown || FDown || FState == gvsPressed || FState == gvsLatched) {
    g.SetClip(&body, Gdiplus::CombineModeReplace);
    const REAL w0 = static_cast<REAL>(W - 4), h0 = static_cast<REAL>(H - 4);
    GraphicsPath glow;
    glow.AddEllipse(RectF(1 - 0.35f * w0, 1 - 0.15f * h0, 1.7f * w0, 2.3f * h0));
    glow.CloseFigure();
    Gdiplus::PathGradientBrush brush(&glow);
    brush.SetCenterColor(StoredColor(FGlowColor, 173));
    Gdiplus::Color surround = StoredColor(FGlowColor, 0);
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    g.FillPath(&brush, &glow);
    g.ResetClip();
  }
  // The shine over the upper half.
  if (W - 3 > 0 && (H - 3) / 2 > 0) {
    const REAL sh = static_cast<REAL>((H - 3) / 2 + 1);
    GraphicsPath shine;
    if (FButtonShape == btsCurvedRectangle) {
      AddCurvedTab(shine, 1, 1, W - 3, H - 3, FButtonDirection);
      g.SetClip(RectF(1, 1, static_cast<REAL>(W - 3), sh), Gdiplus::CombineModeReplace);
    } else {
      AddTopRounded(shine, 1, 1, static_cast<REAL>(W - 3), sh, r);
    }
    Gdiplus::LinearGradientBrush brush(RectF(1, 1, static_cast<REAL>(W - 4), sh),
                                       StoredColor(FShineColor, 153), StoredColor(FShineColor, 153 / 3),
                                       Gdiplus::LinearGradientModeVertical);
    g.FillPath(&brush, &shine);
    g.ResetClip();
  }
  if (FBackGroundSymbolColor != clNone && FBackGroundSymbol != bsNone)
    DrawSymbol(g, FBackGroundSymbol, StoredColor(FBackGroundSymbolColor, 160), W, H);
  {
    GraphicsPath inner;
    AddOutline(inner, FButtonShape, FButtonDirection, 1, 1, W - 3, H - 3, CornerRadiusAtResolution());
    Gdiplus::Pen pen(ResolvedColor(FInnerBorderColor), 1);
    g.DrawPath(&pen, &inner);
  }
}

// --- Picture and caption ---

void DrawPictureAndCaption(TCanvas& Canvas, const RECT& Client, const std::string& Caption, bool ShowCaption,
                           const TFont& Font, TGDIPPicture* Picture, TButtonLayout Layout, bool Enabled,
                           bool Focused, TAntiAlias AntiAlias, int CornerRadius, TButtonShape Shape,
                           TButtonDirection Direction) {
  const int W = Client.right - Client.left, H = Client.bottom - Client.top;
  std::string text = ShowCaption ? Caption : std::string();
  HDC dc = Canvas.Handle();
  Gdiplus::Graphics g(dc);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);

  if (Focused) {
    // The ring's insets are designed at 96 pixels per inch.
    const int ppi = Font.PixelsPerInch();
    const int inset = ScaleBy(4, ppi), tabX = ScaleBy(6, ppi), tabY = ScaleBy(5, ppi);
    GraphicsPath path;
    if (Shape == btsCurvedRectangle)
      AddCurvedTab(path, tabX, tabY, W - 2 * tabX, H - 2 * tabY, Direction);
    else
      AddRoundedRectangle(path, static_cast<REAL>(inset), static_cast<REAL>(inset),
                          static_cast<REAL>(W - 2 * inset), static_cast<REAL>(H - 2 * inset),
                          static_cast<REAL>(CornerRadius - ScaleBy(2, ppi)));
    path.CloseFigure();
    Gdiplus::Pen pen(Color(255, 128, 128, 128), 1);
    g.DrawPath(&pen, &path);
  }

  const bool hasPicture = Picture && !Picture->Empty();
  int pw = 0, ph = 0;
  if (hasPicture) {
    Picture->MeasurePicture();
    // At its own size at 96 pixels per inch; scaled with the rest of the window at another resolution.
    pw = ScaleBy(Picture->Width(), Font.PixelsPerInch());
    ph = ScaleBy(Picture->Height(), Font.PixelsPerInch());
  }
  const int slot = !text.empty() && pw > 0 ? pw + 2 : pw;
  int px = std::max(0, (W - slot) / 2), py = std::max(0, (H - ph) / 2);

  if (!text.empty()) {
    // "\n" written out in a caption breaks the line.
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] == '\\' && (text[i + 1] == 'n' || text[i + 1] == 'N')) {
        text[i] = '\n';
        text[i + 1] = '\r';
      }
    }
    Canvas.Font().SetName(Font.Name());
    Canvas.RequireFont();
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    const bool usable = (tm.tmPitchAndFamily & TMPF_VECTOR) && !(tm.tmPitchAndFamily & TMPF_DEVICE) &&
                        IsScreenFont(dc, Font.Name());
    const bool gdiplusText = AntiAlias != aaNone && usable;

    // GDI+ breaks lines at a line feed; a carriage return beside one is dropped, as some GDI+
    // implementations draw it as a glyph of its own.
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const bool besideLineFeed =
          (i > 0 && text[i - 1] == '\n') || (i + 1 < text.size() && text[i + 1] == '\n');
      if (text[i] != '\r' || !besideLineFeed) lines += text[i];
    }
    const std::wstring wide = Widen(lines);
    const std::wstring family = Widen(Font.Name());
    Gdiplus::FontFamily fontFamily(family.c_str());
    INT style = Gdiplus::FontStyleRegular;
    if (Font.Style() & fsBold) style |= Gdiplus::FontStyleBold;
    if (Font.Style() & fsItalic) style |= Gdiplus::FontStyleItalic;
    if (Font.Style() & fsUnderline) style |= Gdiplus::FontStyleUnderline;
    // The whole point size at the control's own resolution, not the device's: the same size as
    // in points on the screen, and right on a window scaled to another resolution.
    Gdiplus::Font font(&fontFamily,
                       static_cast<REAL>(Font.Size()) * static_cast<REAL>(Font.PixelsPerInch()) / 72, style,
                       Gdiplus::UnitPixel);

    RectF rect(0, 0, static_cast<REAL>(W), static_cast<REAL>(H));
    Gdiplus::StringFormat format(0);
    Gdiplus::StringAlignment horizontal = Gdiplus::StringAlignmentCenter,
                             vertical = Gdiplus::StringAlignmentCenter;
    if (Layout == blGlyphLeftAdjusted) horizontal = Gdiplus::StringAlignmentNear;
    if (Layout == blGlyphRightAdjusted) horizontal = Gdiplus::StringAlignmentFar;
    if (Layout == blGlyphTopAdjusted) vertical = Gdiplus::StringAlignmentNear;
    if (Layout == blGlyphBottomAdjusted) vertical = Gdiplus::StringAlignmentFar;
    format.SetAlignment(horizontal);
    format.SetLineAlignment(vertical);
    format.SetHotkeyPrefix(Gdiplus::HotkeyPrefixShow);
    format.SetTrimming(Gdiplus::StringTrimmingNone);

    const COLORREF textColor = Enabled          ? ColorToRGB(Font.Color())
                               : HighContrast() ? GetSysColor(COLOR_GRAYTEXT)
                                                : RGB(128, 128, 128);
    Gdiplus::SolidBrush brush(Color(255, GetRValue(textColor), GetGValue(textColor), GetBValue(textColor)));
    g.SetTextRenderingHint(TextRenderingHintOf(AntiAlias));

    REAL tw = 0, th = 0;
    if (gdiplusText) {
      RectF bounds;
      g.MeasureString(wide.c_str(), static_cast<INT>(wide.size()), &font, rect, &format, &bounds);
      tw = bounds.Width;
      th = bounds.Height;
    } else {
      Canvas.Font().Assign(Font);
      Canvas.RequireFont();
      SIZE size{};
      GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
      tw = static_cast<REAL>(size.cx);
      th = static_cast<REAL>(size.cy);
    }

    const REAL fW = static_cast<REAL>(W), fH = static_cast<REAL>(H);
    const REAL fslot = static_cast<REAL>(slot), fph = static_cast<REAL>(ph);
    const int quarter = Shape == btsCurvedRectangle ? H / 4 : 0;
    switch (Layout) {
      case blGlyphLeft: {
        rect = RectF(fslot + 2, 0, fW - fslot - 2, fH);
        const REAL textLeft = rect.X + (rect.Width - tw) / 2;
        px = std::max(2, static_cast<int>(textLeft - fslot));
        py = std::max(0, (H - ph) / 2);
        break;
      }
      case blGlyphTop: {
        rect = RectF(0, fph, fW, fH - fph - 2);
        const REAL textTop = rect.Y + (rect.Height - th) / 2;
        py = std::max(2, static_cast<int>(textTop - fph - 2));
        break;
      }
      case blGlyphRight: {
        rect = RectF(2, 0, fW - fslot - 4, fH);
        const REAL textRight = rect.X + (rect.Width + tw) / 2;
        px = std::min(static_cast<int>(textRight + 2), W - slot);
        py = std::max(0, (H - ph) / 2);
        break;
      }
      case blGlyphBottom: {
        rect = RectF(0, 2, fW, fH - fph - 2);
        const REAL textBottom = rect.Y + (rect.Height + th) / 2;
        py = std::min(static_cast<int>(textBottom + 2), H - ph - 2);
        break;
      }
      case blGlyphLeftAdjusted: {
        const REAL left = fslot + 2 + static_cast<REAL>(quarter);
        rect = RectF(left, 0, fW - fslot - 2, fH);
        px = std::max(2, static_cast<int>(left) - slot);
        py = std::max(0, (H - ph) / 2);
        break;
      }
      case blGlyphRightAdjusted:
        rect = RectF(2, 0, fW - fslot - 4 - static_cast<REAL>(quarter), fH);
        px = W - slot - 2 - quarter;
        py = std::max(0, (H - ph) / 2);
        break;
      case blGlyphTopAdjusted:
        rect = RectF(0, fph, fW, fH - fph - 2);
        py = 2;
        break;
      case blGlyphBottomAdjusted:
        rect = RectF(0, 2, fW, fH - fph - 2);
        py = std::min(H / 2 + (H / 2 - ph) / 2, H - ph - 2);
        break;
    }

    if (gdiplusText) {
      g.DrawString(wide.c_str(), static_cast<INT>(wide.size()), &font, rect, &format, &brush);
    } else {
      // GDI draws on the device context only once GDI+ has finished with it and let it go, so that
      // the text comes after the face.
      const HDC locked = g.GetHDC();
      Canvas.Font().Assign(Font);
      Canvas.RequireFont();
      const int oldMode = SetBkMode(dc, TRANSPARENT);
      const COLORREF oldColor = SetTextColor(dc, textColor);
      RECT r{RoundHalfAway(rect.X), RoundHalfAway(rect.Y), RoundHalfAway(rect.X + rect.Width),
             RoundHalfAway(rect.Y + rect.Height)};
      UINT flags = DT_NOCLIP;
      flags |= horizontal == Gdiplus::StringAlignmentNear  ? DT_LEFT
               : horizontal == Gdiplus::StringAlignmentFar ? DT_RIGHT
                                                           : DT_CENTER;
      if (vertical != Gdiplus::StringAlignmentNear) {
        RECT calc = r;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &calc, flags | DT_CALCRECT);
        const int textHeight = calc.bottom - calc.top;
        r.top = vertical == Gdiplus::StringAlignmentFar ? r.bottom - textHeight
                                                        : r.top + (r.bottom - r.top - textHeight) / 2;
      }
      DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
      SetTextColor(dc, oldColor);
      SetBkMode(dc, oldMode);
      g.ReleaseHDC(locked);
    }
  }

  if (hasPicture) {
    g.Flush();
    Canvas.StretchDraw(RECT{px, py, px + pw, py + ph}, *Picture);
  }
}

}  // namespace px2d
