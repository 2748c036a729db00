// Sets Wine's resolution (its registry's LogPixels) for the processes started from now on, and puts
// the old value back. Wine reads it for every new process; Windows does not, and a test must not
// change the resolution of the user's own desktop there.
#pragma once

#include <windows.h>

namespace px2d::test {

inline bool WineReadsLogPixels() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

class TLogPixels {
 public:
  explicit TLogPixels(DWORD Value) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &FKey, nullptr);
    DWORD size = sizeof(FOld);
    FHad = RegQueryValueExA(FKey, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&FOld), &size) ==
           ERROR_SUCCESS;
    RegSetValueExA(FKey, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Value), sizeof Value);
  }
  ~TLogPixels() {
    if (FHad)
      RegSetValueExA(FKey, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&FOld), sizeof FOld);
    else
      RegDeleteValueA(FKey, "LogPixels");
    RegCloseKey(FKey);
  }
  TLogPixels(const TLogPixels&) = delete;
  TLogPixels& operator=(const TLogPixels&) = delete;

 private:
  HKEY FKey = nullptr;
  DWORD FOld = 0;
  bool FHad = false;
};

}  // namespace px2d::test
