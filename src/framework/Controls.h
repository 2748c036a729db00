// Controls on raw Win32: TControl holds the common properties, TWinControl owns a window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Graphics.h"

namespace px2d {

class TWinControl;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Keys and buttons held during an input event, combined as bits.
enum TShiftFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};
using TShiftState = unsigned;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// The modifier keys held now (Shift, Ctrl, Alt).
TShiftState KeyboardShiftState();
// The accelerator of a caption: the character after a single "&", lower-cased; 0 when there is none.
char AcceleratorOf(const std::string& Caption);

// Scales a length designed at 96 pixels per inch to the screen's resolution.
int ScaleToScreen(int designed);

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner = nullptr);

  TWinControl* Parent() const { return FParent; }
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  RECT ClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }

  // The caption font; while ParentFont is on it follows the parent's font. Changing the font
  // turns ParentFont off.
  TFont& Font() { return *FFont; }
  const TFont& Font() const { return *FFont; }
  void SetFont(const TFont& Value) { FFont->Assign(Value); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);

  bool ShowHint = false;
  std::string Hint;

  // Asks for the control to be painted again by the message loop.
  virtual void Invalidate() {}
  // Paints the control again now.
  virtual void Repaint() { Invalidate(); }

  // Raises the click event; controls call it after a completed press, a key or from the program.
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

 protected:
  friend class TWinControl;
  // Notifications of the framework: the control's state changed.
  virtual void EnabledChanged() {}
  virtual void VisibleChanged() {}
  virtual void TextChanged() {}
  virtual void FontChanged() {}
  // The mouse entered or left the control.
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}

  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

  // A control without a window paints itself on its parent's canvas at its bounds.
  virtual void PaintOn(TCanvas&) {}
  virtual bool IsWindowed() const { return false; }

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FEnabled = true;
  bool FVisible = true;
  std::string FCaption;

 private:
  void FontChangedByUser();
  void ParentFontChanged();
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  bool FFollowingParent = false;
};

// A control without a window of its own, painted by its parent (a label, a shape).
class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
  void Invalidate() override;

 protected:
  void PaintOn(TCanvas& ParentCanvas) override;
  // Paints on Canvas(), whose origin is the control's top-left corner.
  virtual void Paint() {}
  TCanvas& Canvas() { return *FCanvas; }

 private:
  TCanvas* FCanvas = nullptr;
};

// What a windowed control asks of CreateWindowExA.
struct TCreateParams {
  std::string WinClassName;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  UINT ClassStyle = CS_DBLCLKS;
  HBRUSH Background = nullptr;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner = nullptr) : TControl(AOwner) {}
  ~TWinControl() override;

  // The window class is registered under the C++ class name, so tools and tests can find it.
  virtual const char* ClassName() const = 0;

  HWND Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();

  // Makes the control a child of this one, which owns it from now on.
  template <class T>
  T* InsertControl(std::unique_ptr<T> control) {
    T* raw = control.get();
    FControls.push_back(std::move(control));
    ControlInserted(*raw);
    return raw;
  }
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return FControls; }

  // Loading reaches the child controls as well as the owned components.
  void BeginLoading() override;
  void EndLoading() override;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Invalidate() override;
  void Repaint() override;

  // Paint requests without a device context of their own are drawn off-screen first and reach
  // the window in one copy.
  bool DoubleBuffered = false;

  bool Focused() const;
  // The window exists, is visible and enabled, and so are all its parents.
  bool CanFocus() const;
  void SetFocus();
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);

  // Paints this control's background and picture, with its windowless children, onto DC,
  // in this control's client coordinates (the caller sets the origin and clip).
  void PaintTo(HDC DC);

  // The wrapper of a window made by this framework; nullptr for any other window.
  static TWinControl* FindControl(HWND Window);

  // The focus moved to another control of the same top-level window (NewFocus may be null or a
  // window this framework did not make).
  virtual void FocusChanged(TWinControl* /*NewFocus*/) {}
  // Tells every windowed descendant that the focus moved to NewFocus.
  void BroadcastFocusChanged(TWinControl* NewFocus);
  // Offers a dialog character (a caption accelerator) to the descendants until one takes it.
  bool BroadcastDialogChar(char Key, TShiftState Shift);

 protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  void DestroyHandle();

  // Paints the window's own picture on DC; called by PaintHandler and PaintTo.
  virtual void PaintWindow(HDC) {}
  // Paints the windowless children on DC in their bounds.
  void PaintControls(HDC DC);
  // WM_PAINT (DC null: BeginPaint, double buffered when asked) and WM_PRINTCLIENT (DC given).
  void PaintHandler(HDC DC);

  // A dialog character: true when this control took it.
  virtual bool DialogChar(char /*Key*/, TShiftState /*Shift*/) { return false; }
  bool IsWindowed() const override { return true; }

  // The control's message handler; the default passes the message to DefWindowProcA.
  virtual LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT Msg, WPARAM wParam, LPARAM lParam);

  void EnabledChanged() override;
  void VisibleChanged() override;
  void TextChanged() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);

  void ControlInserted(TControl& Control);

  HWND FHandle = nullptr;
  bool FTabStop = false;
  std::vector<std::unique_ptr<TControl>> FControls;
};

// A windowed control of this program with its own window class (named after the C++ class),
// a canvas and a paint handler: mouse capture and click arming, mouse enter and leave, focus,
// key press, dialog key and dialog character. Paints see through with PaintParentUnder.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner = nullptr) : TWinControl(AOwner) {}

  TCanvas& Canvas() { return FCanvas; }
  // The mouse is over the control (between its enter and leave notifications).
  bool MouseInControl() const { return FMouseInControl; }

  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void PaintWindow(HDC DC) final;
  // Paints the control on Canvas(), which is valid only during the call.
  virtual void Paint() {}
  // WM_ERASEBKGND: true when the background counts as erased. The default leaves it to the system.
  virtual bool EraseBackground(HDC) { return false; }

  virtual void KeyPress(char& Key);
  // A navigation key (Enter, Escape, Tab, arrows) for the focused control: true when handled.
  virtual bool DialogKey(WORD /*Key*/, TShiftState /*Shift*/) { return false; }
  // Focus arrived and left.
  virtual void DoEnter();
  virtual void DoExit();

  // Draws the parent, erased and painted with its windowless children, on DC under this control.
  void PaintParentUnder(HDC DC);

  // A mouse button came up: releases the capture, clicks when a press armed the click and the
  // pointer is inside the control, then raises OnMouseUp. Controls that must act before the click
  // override this and call it.
  virtual void MouseRelease(TMouseButton Button, TShiftState Shift, int X, int Y);

 private:
  void HandleMouseDown(TMouseButton Button, WPARAM wParam, LPARAM lParam, bool Double);
  void HandleMouseUp(TMouseButton Button, WPARAM wParam, LPARAM lParam);
  TCanvas FCanvas;
  bool FClickArmed = false;
  bool FMouseInControl = false;
};

// Calls OnTimer every Interval milliseconds while Enabled (off at first); ticks arrive through
// the message loop.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);

  TNotifyEvent OnTimer;

 private:
  void Update();
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR Id, DWORD);
  bool FEnabled = false;
  unsigned FInterval = 1000;
  UINT_PTR FId = 0;
};

}  // namespace px2d
