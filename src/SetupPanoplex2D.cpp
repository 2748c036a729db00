// The program block: one copy per executable, one options window, exit code 0 or 1.
#include <windows.h>

#include "controls/GDIPUtil.h"
#include "fmMain.h"
#include "unInstances.h"

using namespace px2d;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  // The drawing units start GDI+ before anything else runs and shut it down at the very end.
  TGDIPUtilSession gdiplus;
  int exitCode = 0;
  try {
    // The module handle stands in until the options window exists and takes its place.
    if (!CheckPreviousInstance(static_cast<std::uint32_t>(HandleToLong(hInstance)), 1)) {
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
