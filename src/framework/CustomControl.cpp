// TCustomControl: a windowed control of this program that paints itself and handles the mouse and keys.
#include "Controls.h"

#include "Handles.h"

namespace px2d {

namespace {
TShiftState MouseShiftState(WPARAM wParam) {
  TShiftState shift = 0;
  if (wParam & MK_SHIFT) shift |= ssShift;
  if (wParam & MK_CONTROL) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (wParam & MK_LBUTTON) shift |= ssLeft;
  if (wParam & MK_RBUTTON) shift |= ssRight;
  if (wParam & MK_MBUTTON) shift |= ssMiddle;
  return shift;
}

int XOf(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int YOf(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }
}  // namespace

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas.SetHandle(DC);
  FCanvas.Font().Assign(Font());
  struct TRelease {
    TCanvas& c;
    ~TRelease() { c.SetHandle(nullptr); }
  } release{FCanvas};
  Paint();
}

void TCustomControl::PaintParentUnder(HDC DC) {
  if (!FParent || !FParent->HandleAllocated()) return;
  TSavedDC saved(DC);
  IntersectClipRect(DC, 0, 0, FWidth, FHeight);
  POINT origin;
  GetViewportOrgEx(DC, &origin);
  SetViewportOrgEx(DC, origin.x - FLeft, origin.y - FTop, nullptr);
  FParent->PaintTo(DC);
}

void TCustomControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TCustomControl::HandleMouseDown(TMouseButton Button, WPARAM wParam, LPARAM lParam, bool Double) {
  TShiftState shift = MouseShiftState(wParam);
  if (Double) shift |= ssDouble;
  if (Button == mbLeft) {
    SetCapture(Handle());
    // A click follows only a single press that is released over the control.
    FClickArmed = !Double;
    if (Double) DblClick();
  }
  MouseDown(Button, shift, XOf(lParam), YOf(lParam));
}

void TCustomControl::TrackLeave() {
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Handle(), 0};
  TrackMouseEvent(&track);
}

void TCustomControl::HandleMouseUp(TMouseButton Button, WPARAM wParam, LPARAM lParam) {
  MouseRelease(Button, MouseShiftState(wParam), XOf(lParam), YOf(lParam));
}

void TCustomControl::MouseRelease(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    const bool armed = FClickArmed;
    FClickArmed = false;
    // Letting the capture go here is the end of a press, not its loss.
    FReleasing = true;
    if (GetCapture() == Handle()) ReleaseCapture();
    FReleasing = false;
    if (armed && X >= 0 && Y >= 0 && X < FWidth && Y < FHeight) Click();
  }
  MouseUp(Button, Shift, X, Y);
}

LRESULT TCustomControl::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_LBUTTONDOWN:
      HandleMouseDown(mbLeft, wParam, lParam, false);
      return 0;
    case WM_LBUTTONDBLCLK:
      HandleMouseDown(mbLeft, wParam, lParam, true);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      HandleMouseDown(mbRight, wParam, lParam, Msg == WM_RBUTTONDBLCLK);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      HandleMouseDown(mbMiddle, wParam, lParam, Msg == WM_MBUTTONDBLCLK);
      return 0;
    case WM_LBUTTONUP:
      HandleMouseUp(mbLeft, wParam, lParam);
      return 0;
    case WM_RBUTTONUP:
      HandleMouseUp(mbRight, wParam, lParam);
      return 0;
    case WM_MBUTTONUP:
      HandleMouseUp(mbMiddle, wParam, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != Handle()) {
        if (!FReleasing) {
          FClickArmed = false;
          CaptureLost();
        }
        // The capture ended the leave tracking; the pointer may have left meanwhile, and then the
        // notification comes at once.
        if (FMouseInControl) TrackLeave();
      }
      break;
    case WM_CANCELMODE:
      // The system ends every mode, a press in progress among them.
      if (GetCapture() == Handle()) ReleaseCapture();
      break;
    case WM_MOUSEMOVE: {
      const int x = XOf(lParam), y = YOf(lParam);
      if (!FMouseInControl && x >= 0 && y >= 0 && x < FWidth && y < FHeight) {
        FMouseInControl = true;
        TrackLeave();
        MouseEnter();
      }
      MouseMove(MouseShiftState(wParam), x, y);
      return 0;
    }
    case WM_MOUSELEAVE:
      if (FMouseInControl) {
        FMouseInControl = false;
        MouseLeave();
      }
      return 0;
    case WM_GETDLGCODE:
      // Characters reach KeyPress; Tab, Enter, Escape and the arrows stay with the dialog unless
      // DialogKey takes them first (the message loop offers them).
      return DLGC_WANTCHARS;
    case WM_CHAR: {
      char key = static_cast<char>(wParam);
      KeyPress(key);
      return 0;
    }
    default:
      break;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

}  // namespace px2d
