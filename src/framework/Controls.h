// Controls on raw Win32: TControl holds the common properties and the layout, TWinControl owns a
// window (of its own class, or of a system class it subclasses), TCustomControl paints itself.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Accessibility.h"
#include "Classes.h"
#include "Graphics.h"

namespace px2d {

class TWinControl;

// What a control needs from the top-level window that holds it, which belongs to the layer above
// this one: the resolution of the layout, and the dialog's services of focus and buttons. The form
// fills it in; a control finds it at the top of its parents (Host).
class TControlHost {
 public:
  // The top-level window; null until it is made.
  virtual HWND HostWindow() const = 0;
  // The resolution the layout is scaled to.
  virtual int PixelsPerInch() const = 0;
  // A control of this window took the focus (null: something outside it did).
  virtual void FocusMovedTo(TWinControl* Control) = 0;
  // A control of this window is going away.
  virtual void ControlDestroyed(TWinControl* Control) = 0;
  // The enabled, showing button that Enter presses (Default) or Escape presses (Cancel).
  virtual TWinControl* FindButton(bool Cancel) const = 0;
  // Gives the focus to the first tab stop, or to the window itself when there is none.
  virtual void SelectFirst() = 0;

 protected:
  ~TControlHost() = default;
};

// Shows a failure that reached a window procedure or a timer, which no exception may leave. The
// application, a layer above, fills it in and sets itself as the reporter.
class TFailureReporter {
 public:
  // Shows the failure of the exception being handled (called inside a catch).
  virtual void HandleException() = 0;

 protected:
  ~TFailureReporter() = default;
};
// The reporter that the controls hand their failures to; without one a failure is dropped.
void SetFailureReporter(TFailureReporter* Reporter);
TFailureReporter* FailureReporter();

enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// The modifier keys held now (Shift, Ctrl, Alt).
TShiftState KeyboardShiftState();
// The accelerator of a caption: the character after a single "&", lower-cased; 0 when there is none.
char AcceleratorOf(const std::string& Caption);
// True when Key (any case) is the caption's accelerator.
bool IsAccelerator(char Key, const std::string& Caption);

// Where a control sits in its parent: at its bounds (alNone), or stacked along an edge, or filling
// what the stacked controls leave.
enum TAlign { alNone, alTop, alBottom, alClient };
// The edges of its parent that a control at its bounds keeps its distance from.
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;

// Space kept around an aligned control, as designed at 96 pixels per inch.
struct TMargins {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TMargins&) const = default;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner = nullptr);

  TWinControl* Parent() const { return FParent; }
  // The top-level window (the form) this control belongs to; null until it has one.
  TControlHost* Host() const;
  // The resolution the control is laid out at: its form's, or the screen's without a form.
  int PixelsPerInch() const;
  // A length designed at 96 pixels per inch, at the control's resolution.
  int Scale(int Designed) const { return ScaleBy(Designed, PixelsPerInch()); }

  // The bounds in pixels, relative to the parent's client area (screen pixels without a parent),
  // as the layout placed them or the system reported them.
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  RECT ClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }

  // Places a child control as designed at 96 pixels per inch in its parent's designed client area;
  // its form scales it and its Align or Anchors follow the parent's real size. A control without a
  // parent is placed in screen pixels.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  RECT DesignBounds() const { return FDesign; }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  const TMargins& Margins() const { return FMargins; }
  void SetMargins(const TMargins& Value);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Enabled, and so is every container it sits in: only then does it take input, look enabled and
  // tell assistive technology so. A change of either raises EnabledChanged.
  bool EnabledWithParents() const;
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  // Visible, and so is every parent up to a shown top-level window.
  virtual bool Showing() const;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);

  // The caption font; while ParentFont is on it follows the parent's font. Changing the font
  // turns ParentFont off. Its resolution is the control's.
  TFont& Font() { return *FFont; }
  const TFont& Font() const { return *FFont; }
  void SetFont(const TFont& Value);
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

  // A dialog character (Alt and a letter): true when this control took it.
  virtual bool DialogChar(char /*Key*/, TShiftState /*Shift*/) { return false; }

  // The control's resolution changed (its form's did): its font follows.
  virtual void ResolutionChanged();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

 protected:
  friend class TWinControl;
  // Notifications of the framework: the control's state changed.
  virtual void EnabledChanged() {}
  virtual void VisibleChanged();
  virtual void TextChanged();
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

  // The size a control takes for itself, given the size the layout proposes (in pixels); a label
  // that sizes itself to its text changes it. Width is kept for an aligned control.
  virtual void AdjustSize(int& /*Width*/, int& /*Height*/) {}
  // Asks the parent to place the control again (its text or font changed its size).
  void RequestLayout();
  // Takes the bounds in pixels that the layout computed or the system reported.
  virtual void UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight);

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
  bool FInternalFontChange = false;
  RECT FDesign{0, 0, 0, 0};
  TAlign FAlign = alNone;
  TAnchors FAnchors = akLeft | akTop;
  TMargins FMargins;
};

// A control without a window of its own, painted by its parent (a label, a line, a picture).
class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
  void Invalidate() override;

 protected:
  void PaintOn(TCanvas& ParentCanvas) override;
  // Paints on Canvas(), whose origin is the control's top-left corner.
  virtual void Paint() {}
  TCanvas& Canvas() { return *FCanvas; }
  void UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void VisibleChanged() override;
  void TextChanged() override;
  void FontChanged() override;
  void EnabledChanged() override;

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
  // A class of the system (a button, a list, a slider): the control subclasses its window
  // instead of registering a class of its own.
  bool SystemClass = false;
};

class TWinControl : public TControl, public TAccessibleSource {
 public:
  explicit TWinControl(TComponent* AOwner = nullptr) : TControl(AOwner) {}
  ~TWinControl() override;
  // Gives every system control in this one, and this one, the visual style that the scheme and the
  // app theme ask for now.
  void UpdateControlStyles();

  // The window class of this program's own controls is registered under the C++ class name, so
  // tools and tests can find it; a wrapper of a system control keeps the system's class.
  virtual const char* ClassName() const = 0;

  HWND Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  // Makes the window of this control and of every control in it, shown or not.
  void CreateAllWindows();

  // The control identifier of the window (GetDlgCtrlID): fixed by the layout, so that tests and
  // automation find a control without knowing the layout. 0 gives the window one of its own.
  int ControlId() const { return FControlId; }
  void SetControlId(int Value);

  // Makes the control a child of this one, which owns it from now on; when this window exists,
  // the child gets its window at once.
  template <class T>
  T* InsertControl(std::unique_ptr<T> control) {
    T* raw = control.get();
    FControls.push_back(std::move(control));
    ControlInserted(*raw);
    return raw;
  }
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return FControls; }
  // The descendant window with this control identifier, or null.
  TWinControl* FindChildControl(int Id) const;

  // Loading reaches the child controls as well as the owned components.
  void BeginLoading() override;
  void EndLoading() override;

  // The client area in pixels, and as designed at 96 pixels per inch.
  virtual int ClientWidth() const;
  virtual int ClientHeight() const;
  virtual int DesignClientWidth() const { return DesignBounds().right - DesignBounds().left; }
  virtual int DesignClientHeight() const { return DesignBounds().bottom - DesignBounds().top; }
  // The client area in pixels that the design size comes to at the control's resolution: what the
  // children's anchors keep their distances from.
  virtual int ScaledDesignClientWidth() const { return Scale(DesignClientWidth()); }
  virtual int ScaledDesignClientHeight() const { return Scale(DesignClientHeight()); }
  // Places every child again from its designed bounds, align and anchors at the present size.
  virtual void AlignControls();

  void Invalidate() override;
  void Repaint() override;
  bool Showing() const override;

  // Paint requests without a device context of their own are drawn off-screen first and reach
  // the window in one copy.
  bool DoubleBuffered = false;

  // The background: its own colour, or its parent's while ParentColor is on (the default).
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  COLORREF BackgroundColor() const;

  bool Focused() const;
  // The window exists, is visible and enabled, and so are all its parents.
  bool CanFocus() const;
  void SetFocus();
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  // The place of this control in its parent's tab order, 0 first; it decides the order in which
  // Tab visits the controls, whatever the order of creation. Setting it moves the control to that
  // place; while a layout is loaded, the places are settled by the values once loading ends.
  int TabOrder() const;
  void SetTabOrder(int Value);

  // Paints this control's background and picture, with its windowless children, onto DC,
  // in this control's client coordinates (the caller sets the origin and clip).
  void PaintTo(HDC DC);

  // The wrapper of a window made by this framework; nullptr for any other window.
  static TWinControl* FindControl(HWND Window);

  // A push button that Enter (Default) or Escape (Cancel) presses from anywhere in its form.
  virtual bool IsDefault() const { return false; }
  virtual bool IsCancel() const { return false; }
  // A push button that takes Enter itself while it has the focus.
  virtual bool IsPushButton() const { return false; }

  // The focus moved to another control of the same top-level window (NewFocus may be null or a
  // window this framework did not make).
  virtual void FocusChanged(TWinControl* /*NewFocus*/) {}
  // Tells every windowed descendant that the focus moved to NewFocus.
  void BroadcastFocusChanged(TWinControl* NewFocus);
  // Offers a dialog character (a caption accelerator) to the showing descendants until one takes it.
  bool BroadcastDialogChar(char Key, TShiftState Shift);

  // A navigation key (Tab, Enter, Escape, an arrow) offered by the message loop before the dialog
  // manager sees it: true when the control took it.
  virtual bool DialogKey(WORD /*Key*/, TShiftState /*Shift*/) { return false; }
  // Focus arrived and left, as the form tells it (OnEnter, OnExit).
  virtual void DoEnter();
  virtual void DoExit();

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // What assistive technology (a screen reader, automation) calls the control where the system
  // finds no name for it: a list or slider whose label has no window, a control without a caption.
  // Empty: the control's own or the system's.
  const std::string& AccessibleName() const { return FAccessibleName; }
  void SetAccessibleName(const std::string& Value);
  // What the control does, in a sentence (the text that the layout shows under it): assistive
  // technology reads it as the control's description and help. Empty: the system's.
  const std::string& AccessibleDescription() const { return FAccessibleDescription; }
  void SetAccessibleDescription(const std::string& Value);
  // What the control tells assistive technology beyond what the system finds for its window (see
  // Accessibility.h): the default gives AccessibleName, AccessibleDescription and whether the
  // control is unavailable; a control that draws itself adds its role and state.
  void GetAccessibleFacts(TAccessibleFacts& Facts) const override;
  HWND AccessibleWindow() const override { return FHandle; }
  // Carries out the default action that GetAccessibleFacts names, as a user would.
  virtual void AccessibleDefaultAction() {}

 protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  void DestroyHandle();
  // Whether the children get their windows together with this one; a page that is not shown makes
  // them when it is first shown, or when the program is idle.
  virtual bool ChildWindowsNeeded() const { return true; }
  void CreateChildWindows();

  // Paints the window's own picture on DC; called by PaintHandler and PaintTo.
  virtual void PaintWindow(HDC) {}
  // Paints the windowless children on DC in their bounds.
  void PaintControls(HDC DC);
  // WM_PAINT (DC null: BeginPaint, double buffered when asked) and WM_PRINTCLIENT (DC given).
  void PaintHandler(HDC DC);
  // WM_ERASEBKGND: true when the background counts as erased. A window of this program's own
  // class fills its background colour; a system control is left to itself.
  virtual bool EraseBackground(HDC DC);

  bool IsWindowed() const override { return true; }

  // The control's message handler; the default passes the message on to DefaultHandler. A window of
  // this program's own class gets its messages as an ANSI window does; a system control's window as a
  // Unicode one does (text and characters in UTF-16), so that no text is lost on its way through.
  virtual LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam);
  // DefWindowProcA for a window of its own class, the system class's procedure for a subclassed one.
  LRESULT DefaultHandler(UINT Msg, WPARAM wParam, LPARAM lParam);
  // A message that the system sent to the parent about this control (a command, a notification,
  // a scroll of a slider, a colour request, an owner-draw request): true when handled, with Result.
  virtual bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result);
  // Answers a field's or list's colour message in dark mode; false where the system's colours hold.
  static bool DarkFieldColors(HDC DC, LRESULT& Result);
  void EnabledChanged() override;
  void VisibleChanged() override;
  void TextChanged() override;
  void FontChanged() override;
  void UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  bool Subclassed() const { return FSubclassed; }

 private:
  friend class TControl;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);
  // The procedure of a system control's window: our wrapper's, then the system's.
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CreationHook(int Code, WPARAM wParam, LPARAM lParam);
  static LRESULT Dispatch(TWinControl* Control, HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);
  void Attach(HWND hwnd, bool Subclass);
  void Detach();

  void ControlInserted(TControl& Control);
  // Computes the bounds of a child at its bounds from its design and anchors.
  RECT AnchoredBounds(const TControl& Control) const;
  void PlaceControl(TControl& Control);
  void ApplyTabOrder();
  void ReadBoundsFromWindow();
  void RepaintWithChildren();
  void SendWindowFont();

  HWND FHandle = nullptr;
  bool FSubclassed = false;
  // The visual style a system control was last given (a new window has the system's own).
  TControlStyle FControlStyle = TControlStyle::System;
  // Gives a system control the style that the scheme asks for now, when it has another.
  void UpdateControlStyle();
  WNDPROC FSystemProc = nullptr;  // a system control's own procedure, which ours passes messages on to
  int FControlId = 0;
  int FTabOrder = 0;
  bool FTabStop = false;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  TSharedFont FWindowFont;
  std::vector<std::unique_ptr<TControl>> FControls;
  // The windowed children in tab order.
  std::vector<TWinControl*> FTabList;
  std::string FAccessibleName;
  std::string FAccessibleDescription;
  // The accessible object of the window, made on the first request; it goes with the window.
  std::unique_ptr<TAccessibleServer> FAccessible;
  // Where a double-buffered control paints before its pixels go to the window.
  std::unique_ptr<TDibSurface> FPaintBuffer;
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

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void PaintWindow(HDC DC) final;
  // Paints the control on Canvas(), which is valid only during the call.
  virtual void Paint() {}
  // The default leaves the background to the paint that follows.
  bool EraseBackground(HDC) override { return false; }

  virtual void KeyPress(char& Key);

  // Draws the parent, erased and painted with its windowless children, on DC under this control.
  void PaintParentUnder(HDC DC);

  // A mouse button came up: releases the capture, clicks when a press armed the click and the
  // pointer is inside the control, then raises OnMouseUp. Controls that must act before the click
  // override this and call it.
  virtual void MouseRelease(TMouseButton Button, TShiftState Shift, int X, int Y);
  // The press ended without a release: another window took the mouse capture (a message box, a
  // switch to another program) or the system cancelled the mode. The control drops its pressed look.
  virtual void CaptureLost() {}

 private:
  void HandleMouseDown(TMouseButton Button, WPARAM wParam, LPARAM lParam, bool Double);
  void HandleMouseUp(TMouseButton Button, WPARAM wParam, LPARAM lParam);
  // Asks again for the leave notification, which a mouse capture cancels.
  void TrackLeave();
  TCanvas FCanvas;
  bool FClickArmed = false;
  bool FMouseInControl = false;
  bool FReleasing = false;
};

// Calls OnTimer every Interval milliseconds while Enabled (off at first); ticks arrive through
// the message loop. A handler that fails stops its timer: the failure is shown once, not once a tick.
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
  bool FInHandler = false;
  unsigned FInterval = 1000;
  UINT_PTR FId = 0;
};

}  // namespace px2d
