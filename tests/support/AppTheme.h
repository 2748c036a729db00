// Windows' app theme for the test bed's user: set in the registry where the system keeps it, and the
// change broadcast to every window as the system's settings broadcast it. The user's value before
// is put back when the theme goes (and broadcast), or taken away if there was none.
#pragma once

#include <windows.h>

namespace px2d::test {

class TAppTheme {
 public:
  TAppTheme() {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
        ERROR_SUCCESS)
      FBefore = value, FHad = true;
  }
  ~TAppTheme() {
    if (FHad)
      Write(FBefore);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    Broadcast();
  }
  TAppTheme(const TAppTheme&) = delete;
  TAppTheme& operator=(const TAppTheme&) = delete;

  // Apps dark or light, and every window told.
  void Set(bool Dark) {
    Write(Dark ? 0 : 1);
    Broadcast();
  }
  // Tells every top-level window that the app theme changed, and returns once each has handled it.
  static void Broadcast() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
  }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  static constexpr const wchar_t* kValue = L"AppsUseLightTheme";
  static void Write(DWORD Value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &Value, sizeof Value);
  }
  DWORD FBefore = 1;
  bool FHad = false;
};

}  // namespace px2d::test
