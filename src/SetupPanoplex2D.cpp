// The program block: one copy per executable, one options window, exit code 0 or 1.
#include <windows.h>

#include "controls/GDIPUtil.h"
#include "controls/SmoothGDIP.h"
#include "fmMain.h"
#include "framework/Accessibility.h"
#include "unHotKeys.h"
#include "unInstances.h"

using namespace px2d;

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32  // older SDKs declare it for Windows 8 and later only
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// From here on a library loaded by name comes from the system folder only, never from the
// program's folder or the current one: gdiplus, comctl32 and oleacc are loaded on their first
// use. Windows 7 has the call only with its update KB2533623; without it the search stays as it was.
void LoadLibrariesFromTheSystemFolderOnly() {
  using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (proc)
    reinterpret_cast<TSetDefaultDllDirectories>(reinterpret_cast<void (*)()>(proc))(
        LOAD_LIBRARY_SEARCH_SYSTEM32);
  // The system libraries that those load in turn, and that are not among the ones the system always
  // takes from its own folder, are loaded from there now: whoever asks for them later by name gets
  // the copy already loaded, not one of the same name in the program's folder.
  for (const wchar_t* name : {L"msimg32.dll", L"uxtheme.dll", L"dwmapi.dll"})
    LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything loads a library: the drawing units' sessions below load gdiplus.
  LoadLibrariesFromTheSystemFolderOnly();
  // Each drawing unit of the custom controls starts GDI+ for its own use before anything else
  // runs, and shuts it down only after the last window has gone.
  TGDIPUtilSession glassGdiplus;
  TSmoothGDIP markerGdiplus;
  // COM for the window's thread: assistive technology in other processes reaches the controls'
  // accessible objects through it, until the last window has gone.
  TComApartment apartment;
  int exitCode = 0;
  try {
    // The units first: the key caps come from the string table before anything names a key.
    InitializeHotKeys();
    // No window exists yet: the record names none (0) until the options window takes its place.
    if (!CheckPreviousInstance(0, 1)) {
      Application.Initialize();
      Application.MainFormOnTaskbar = true;
      Application.Title = "Panoplex 2D Options";
      TForm1* form = Application.CreateForm<TForm1>();
      SetInstanceWindow(form->Handle());
      Application.Run();
    }
    Application.Finalize();
    ShutdownInstances();
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    exitCode = 1;
    try {
      Application.Finalize();
      ShutdownInstances();
    } catch (const std::exception&) {
      // The error has been reported; the process ends either way.
    }
  }
  return exitCode;
}
