// Top-level windows and the application object with its message loop and error box.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "Controls.h"

namespace px2d {

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner = nullptr) : TWinControl(AOwner) {}

  // The client area designed at 96 pixels per inch; scaled when the window is made.
  void SetClientSize(int AWidth, int AHeight);
  COLORREF Color = GetSysColor(COLOR_BTNFACE);

  TNotifyEvent OnCreate;

  void Show();
  void Close();

 protected:
  void CreateParams(TCreateParams& Params) override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class TApplication;
  int FClientWidth = 0, FClientHeight = 0;
};

class TApplication : public TComponent {
 public:
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

  // The error box for an exception that escaped an event handler; the window stays open.
  void HandleException(const std::exception& E);
  void ShowException(const std::string& Message);

  // Frees the forms while the program can still tear its windows down.
  void Finalize();

 private:
  void DoCreate(TForm& Form);
  TForm* FMainForm = nullptr;
};

extern TApplication Application;

}  // namespace px2d
