#include "Forms.h"

#include <commctrl.h>

namespace px2d {

TApplication Application;

void TForm::SetClientSize(int AWidth, int AHeight) {
  FClientWidth = AWidth;
  FClientHeight = AHeight;
}

void TForm::CreateParams(TCreateParams& Params) {
  Params.WinClassName = ClassName();
  Params.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  Params.ExStyle = WS_EX_CONTROLPARENT;
  if (Application.MainFormOnTaskbar && Application.MainForm() == this) Params.ExStyle |= WS_EX_APPWINDOW;
  RECT rect{0, 0, ScaleToScreen(FClientWidth), ScaleToScreen(FClientHeight)};
  AdjustWindowRectEx(&rect, Params.Style, FALSE, Params.ExStyle);
  Params.X = CW_USEDEFAULT;
  Params.Y = CW_USEDEFAULT;
  Params.Width = rect.right - rect.left;
  Params.Height = rect.bottom - rect.top;
}

void TForm::Show() {
  HandleNeeded();
  ShowWindow(Handle(), SW_SHOWNORMAL);
  UpdateWindow(Handle());
}

void TForm::Close() {
  if (HandleAllocated()) SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

LRESULT TForm::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(Handle(), &rect);
      HBRUSH brush = CreateSolidBrush(Color);
      FillRect(reinterpret_cast<HDC>(wParam), &rect, brush);
      DeleteObject(brush);
      return 1;
    }
    case WM_PAINT:
    case WM_PRINTCLIENT:
      PaintHandler(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SYSCHAR:
      if (BroadcastDialogChar(static_cast<char>(wParam), KeyboardShiftState() | ssAlt)) return 0;
      break;
    case WM_CLOSE:
      DestroyWindow(Handle());
      return 0;
    case WM_DESTROY:
      if (Application.MainForm() == this) PostQuitMessage(0);
      break;
    default:
      break;
  }
  return TWinControl::WndProc(Msg, wParam, lParam);
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
}

void TApplication::DoCreate(TForm& Form) {
  if (!Form.OnCreate) return;
  try {
    Form.OnCreate(&Form);
  } catch (const std::exception& e) {
    HandleException(e);
  }
}

void TApplication::Run() {
  if (!FMainForm) return;
  FMainForm->Show();
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    HWND main = FMainForm->Handle();
    if (main && IsDialogMessageA(main, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TApplication::HandleException(const std::exception& E) { ShowException(E.what()); }

void TApplication::ShowException(const std::string& Message) {
  std::string text = Message;
  // The rule of the error box: a full stop unless the text already ends in punctuation.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  HWND owner = GetActiveWindow();
  if (!owner && FMainForm) owner = FMainForm->Handle();
  MessageBoxA(owner, text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::Finalize() {
  FMainForm = nullptr;
  DestroyComponents();
}

}  // namespace px2d
