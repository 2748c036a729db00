// Stands in for the running switcher: a hidden top-level window that registers "WM_PX2D_SETUP" and,
// for every one it receives, appends to a log the message's wParam and lParam and the settings
// file's bytes as read at that moment.
//   SwitcherStandIn.exe LOG SETTINGS
// The log has one line per message: "wParam lParam size hexbytes" (size -1: the file was missing),
// and a line "marker N" for each WM_APP with wParam N that the test posts to it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

UINT SetupMessage = 0;
std::string LogPath, SettingsPath;

std::string FileBytesAsHex(long& Size) {
  Size = -1;
  // An options program that is saving holds the file to itself for a moment; a reader waits for it.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 40 && file == INVALID_HANDLE_VALUE; ++attempt) {
    file = CreateFileA(SettingsPath.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION) break;
    if (file == INVALID_HANDLE_VALUE) Sleep(25);
  }
  if (file == INVALID_HANDLE_VALUE) return "";
  std::vector<unsigned char> bytes(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  Size = static_cast<long>(read);
  std::string hex;
  char pair[3];
  for (unsigned char b : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    hex += pair;
  }
  return hex;
}

LRESULT CALLBACK Listen(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == SetupMessage && SetupMessage != 0) {
    long size = -1;
    const std::string hex = FileBytesAsHex(size);
    if (FILE* log = std::fopen(LogPath.c_str(), "ab")) {
      std::fprintf(log, "%llu %lld %ld %s\n", static_cast<unsigned long long>(wParam),
                   static_cast<long long>(lParam), size, hex.c_str());
      std::fclose(log);
    }
    return 0;
  }
  if (Msg == WM_APP) {
    // A marker from the test: every message posted before it has been recorded.
    if (FILE* log = std::fopen(LogPath.c_str(), "ab")) {
      std::fprintf(log, "marker %llu\n", static_cast<unsigned long long>(wParam));
      std::fclose(log);
    }
    return 0;
  }
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
  LogPath = argv[1];
  SettingsPath = argv[2];
  SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");
  WNDCLASSA wc{};
  wc.lpfnWndProc = Listen;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "PanoplexSwitcherStandIn";
  RegisterClassA(&wc);
  // Hidden, top-level and unowned: a broadcast reaches it as it reaches the switcher.
  if (!CreateWindowExA(0, wc.lpszClassName, "Switcher stand-in", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                       wc.hInstance, nullptr))
    return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
