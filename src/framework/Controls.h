// Controls on raw Win32: TControl holds the common properties, TWinControl owns a window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Classes.h"

namespace px2d {

class TWinControl;

// Scales a length designed at 96 pixels per inch to the screen's resolution.
int ScaleToScreen(int designed);

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

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

  virtual void Invalidate() {}

 protected:
  friend class TWinControl;
  virtual void EnabledChanged() {}
  virtual void VisibleChanged() {}
  virtual void TextChanged() {}

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FEnabled = true;
  bool FVisible = true;
  std::string FCaption;
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
    raw->FParent = this;
    FControls.push_back(std::move(control));
    return raw;
  }
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return FControls; }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Invalidate() override;

 protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  void DestroyHandle();

  // The control's message handler; the default passes the message to DefWindowProcA.
  virtual LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT Msg, WPARAM wParam, LPARAM lParam);

  void EnabledChanged() override;
  void VisibleChanged() override;
  void TextChanged() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);

  HWND FHandle = nullptr;
  std::vector<std::unique_ptr<TControl>> FControls;
};

}  // namespace px2d
