// Top-level windows and the application object with its message loop and error box.
#pragma once

#include <deque>
#include <exception>
#include <memory>
#include <string>

#include "Controls.h"

namespace px2d {

// A top-level window that holds a layout of controls and behaves as a dialog: Tab and Shift+Tab
// walk its tab stops, Enter presses its default button, Escape its cancel button, Alt and a letter
// reach the accelerators of its controls, and the focus comes back where it was when the window is
// activated again.
class TForm : public TWinControl, public TControlHost {
 public:
  explicit TForm(TComponent* AOwner = nullptr);
  ~TForm() override;

  // The client area designed at 96 pixels per inch; scaled when the window is made.
  void SetClientSize(int AWidth, int AHeight);
  int DesignClientWidth() const override { return FClientWidth; }
  int DesignClientHeight() const override { return FClientHeight; }

  // The resolution the layout is scaled to: the screen's unless set before the window is made.
  int PixelsPerInch() const override { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value);

  TNotifyEvent OnCreate;

  // Shows the window; painted at once, or, with PaintNow false, by the message loop a window at a time.
  void Show(bool PaintNow = true);
  void Close();

  // The control that has or last had the focus in this window; it gets the focus back when the
  // window is activated again.
  TWinControl* ActiveControl() const { return FActiveControl; }
  // Gives the focus to the first tab stop, or to the window itself when there is none.
  void SelectFirst() override;
  // A control of this window took the focus (null: something outside it did). When the active
  // control changes, the one left hears OnExit and the new one OnEnter; leaving for another
  // program and coming back raises neither.
  void FocusMovedTo(TWinControl* Control) override;
  // A control of this window is going away.
  void ControlDestroyed(TWinControl* Control) override;
  // The program has nothing else to do: the windows of the pages not shown yet are made, after the
  // window has painted, a few at each idle moment. True while some remain.
  bool Idle();
  // The colour scheme or the theme changed (the window has told its controls and will repaint).
  virtual void SchemeChanged() {}
  // The window moved to a monitor of another resolution and has been laid out for it.
  virtual void ResolutionOfWindowChanged() {}
  // Moves the window into the work area of its monitor, shrinking it only where it is larger.
  void KeepInWorkArea();
  // The form lays out nothing while it takes a new rectangle for a new resolution.
  void AlignControls() override;
  // A key pressed anywhere in the window, before the control with the focus sees it: true when the
  // window took it as a short-cut of its own.
  virtual bool ShortCut(WORD /*Key*/, TShiftState /*Shift*/) { return false; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;

 public:
  // The enabled, showing button that Enter presses (Default) or Escape presses (Cancel).
  TWinControl* FindButton(bool Cancel) const override;
  HWND HostWindow() const override { return Handle(); }

 private:
  friend class TApplication;
  int FClientWidth = 0, FClientHeight = 0;
  // Gives the focus back to the active control, or to the first tab stop.
  void RestoreFocus();
  int FPixelsPerInch;
  // The control to give the focus back to, and the one that has it now (none while another window
  // has it).
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  bool FAllWindowsMade = false;
  bool FHoldLayout = false;
};

class TApplication : public TComponent, public TFailureReporter {
 public:
  // The application shows the failures that reach the controls' window procedures and timers.
  TApplication();
  ~TApplication() override;

  // The caption of the boxes in which the application reports errors.
  std::string Title;
  // The main window, not a hidden application window, owns the task-bar button.
  bool MainFormOnTaskbar = false;

  void Initialize();

  // Makes a form, its window and, for the first form, the main window; then runs its OnCreate.
  template <class T>
  T* CreateForm() {
    T* form = Own(std::make_unique<T>(this));
    if (!FMainForm) FMainForm = form;
    form->HandleNeeded();
    DoCreate(*form);
    return form;
  }
  TForm* MainForm() const { return FMainForm; }

  // Shows the main window and runs the message loop until it closes.
  void Run();
  // One message of the loop: the dialog keys and characters of the program's windows first, then
  // the dialog manager, then the window procedure. Nothing a handler throws leaves it.
  void ProcessMessage(MSG& Msg);
  // Handles every message waiting in the queue, then does what waits for an idle moment.
  void ProcessMessages();
  // The queue is empty: the forms do a step of what they left for an idle moment; true while
  // some remains.
  bool Idle();

  // The error box for the exception being handled (call it inside a catch); the window stays open.
  // It is shown once the handler has returned (ReportFailure).
  void HandleException() override;
  // Shows the error box for a failure once the message being handled has returned: never inside a
  // paint, a focus change or a move, where a modal box would run the message loop. While a box for
  // the same message waits or is shown, another report of it (from another control, another paint)
  // adds no second box.
  void ReportFailure(const std::string& Message);
  // The error box, now: the message, with a full stop appended when its last character sorts after
  // the full stop ("Why?" becomes "Why?."), captioned with Title, an error icon and OK.
  void ShowException(const std::string& Message);

  // Frees the forms while the program can still tear its windows down.
  void Finalize();

 private:
  void DoCreate(TForm& Form);
  bool PreProcessMessage(MSG& Msg);
  // Shows the reported failures in turn, one box at a time.
  void ShowReportedFailures();
  static LRESULT CALLBACK FailureWindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);
  TForm* FMainForm = nullptr;
  // The failures reported and not yet shown, and the one whose box is up.
  std::deque<std::string> FReportedFailures;
  std::string FShownFailure;
  bool FShowingFailure = false;
  // A window of its own that the reports are posted to: any message loop, a modal one included,
  // hands them on.
  HWND FFailureWindow = nullptr;
};

extern TApplication Application;

}  // namespace px2d
