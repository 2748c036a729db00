// The yardstick: the least a Win32 program does to show a window of the options window's size, with
// one GDI+ start-up; asked (WM_APP), it writes a settings file of the same size the way Apply does
// (a new file, flushed, replacing the old one) and broadcasts "WM_PX2D_SETUP".
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>
#include <shlobj.h>

#include <string>

#include "support/FirstFile.h"

namespace {

UINT SetupMessage = 0;

std::string SettingsPath() {
  char folder[MAX_PATH + 1] = {};
  SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE);
  // A file of its own beside the program's: a file that another program changed would make the
  // program's Apply merge and reload its pages, which the benchmark does not mean to measure.
  return std::string(folder) + "\\Brightfallow\\Panoplex2D\\BareWindow.conf";
}

// What the options program writes when nothing was edited: every key with its default.
const std::string Text = px2d::test::FirstFileText();

void WriteAndBroadcast() {
  const std::string path = SettingsPath();
  const std::string temporary = path + ".bare.tmp";
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, Text.data(), static_cast<DWORD>(Text.size()), &written, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
  MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  PostMessageA(HWND_BROADCAST, SetupMessage, 0, 0);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_APP) {
    WriteAndBroadcast();
    return 0;
  }
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = "BareWindow";
  RegisterClassA(&wc);
  RECT rect{0, 0, 590, 556};
  AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd =
      CreateWindowA("BareWindow", "Bare Window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                    rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
