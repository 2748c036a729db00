// Points the user's roaming application-data folder elsewhere for a test, and back afterwards.
#pragma once

#include <windows.h>

#include <string>

namespace px2d::test {

enum class TRoamingScope {
  // This test process alone: HKEY_CURRENT_USER is overridden for the process with a key of its own.
  // Wine 8 honours the override in SHGetKnownFolderPath, as Windows does, but only for a key that
  // is not volatile, and not in SHGetSpecialFolderPathA.
  ThisProcess,
  // The programs started from now on: the user shell folder that the system reads in every new
  // process, with the old value put back afterwards.
  ProgramsStarted,
};

// The user shell folder "AppData" names Folder (empty: no folder) while this object lives.
class TRoamingFolder {
 public:
  TRoamingFolder(const std::wstring& Folder, TRoamingScope Scope) : FScope(Scope) {
    if (Scope == TRoamingScope::ThisProcess) {
      RegDeleteTreeW(HKEY_CURRENT_USER, kOverride);  // left by a test run that was killed
      if (RegCreateKeyExW(HKEY_CURRENT_USER, kOverride, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &FOverride,
                          nullptr) != ERROR_SUCCESS ||
          RegCreateKeyExW(FOverride, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &FKey, nullptr) !=
              ERROR_SUCCESS)
        return;
    } else {
      if (RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &FKey) !=
          ERROR_SUCCESS)
        return;
      DWORD size = sizeof FOld;
      FHad = RegQueryValueExW(FKey, L"AppData", nullptr, &FType, reinterpret_cast<BYTE*>(FOld), &size) ==
             ERROR_SUCCESS;
      FOldSize = size;
    }
    FActive =
        RegSetValueExW(FKey, L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(Folder.c_str()),
                       static_cast<DWORD>((Folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    if (FActive && Scope == TRoamingScope::ThisProcess)
      FActive = RegOverridePredefKey(HKEY_CURRENT_USER, FOverride) == ERROR_SUCCESS;
  }
  ~TRoamingFolder() {
    if (FScope == TRoamingScope::ThisProcess) {
      if (FActive) RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
      if (FKey) RegCloseKey(FKey);
      if (FOverride) RegCloseKey(FOverride);
      RegDeleteTreeW(HKEY_CURRENT_USER, kOverride);
      return;
    }
    if (!FKey) return;
    if (FHad)
      RegSetValueExW(FKey, L"AppData", 0, FType, reinterpret_cast<const BYTE*>(FOld), FOldSize);
    else
      RegDeleteValueW(FKey, L"AppData");
    RegCloseKey(FKey);
  }
  TRoamingFolder(const TRoamingFolder&) = delete;
  TRoamingFolder& operator=(const TRoamingFolder&) = delete;
  bool Active() const { return FActive; }

 private:
  static constexpr const wchar_t* kOverride = L"Software\\Px2DTestProfile";
  static constexpr const wchar_t* kShellFolders =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  TRoamingScope FScope;
  HKEY FOverride = nullptr, FKey = nullptr;
  bool FActive = false, FHad = false;
  DWORD FType = 0, FOldSize = 0;
  wchar_t FOld[MAX_PATH * 2] = {};
};

}  // namespace px2d::test
