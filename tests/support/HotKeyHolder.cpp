// Holds a system-wide hot key, as another program on the user's desktop would, until it is closed.
//   HotKeyHolder.exe MODIFIERS KEY     (MOD_* bits and a virtual-key code, in decimal)
// Its hidden window, class "Px2dHotKeyHolder", exists once the hot key is held.
#include <windows.h>

#include <cstdlib>

namespace {
LRESULT CALLBACK Hold(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_CLOSE) {
    DestroyWindow(hwnd);
    return 0;
  }
  if (Msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(hwnd, Msg, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const UINT modifiers = static_cast<UINT>(std::atoi(argv[1]));
  const UINT key = static_cast<UINT>(std::atoi(argv[2]));
  if (!RegisterHotKey(nullptr, 1, modifiers, key)) return 1;
  WNDCLASSA wc{};
  wc.lpfnWndProc = Hold;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Px2dHotKeyHolder";
  RegisterClassA(&wc);
  CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  UnregisterHotKey(nullptr, 1);
  return 0;
}
