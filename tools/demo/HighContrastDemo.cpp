// The options window as a system that reports a high-contrast scheme shows it: the program's own
// window, with the high-contrast flag set whatever the system says (Wine never reports it). Run it
// in the test bed under a high-contrast scheme's colours and capture "Panoplex 2D Options", as
// tools/screenshots-schemes does.
#include <windows.h>

#include "DemoMain.h"
#include "controls/GDIPUtil.h"
#include "controls/SmoothGDIP.h"
#include "fmMain.h"
#include "unHotKeys.h"

using namespace px2d;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  TGDIPUtilSession glassGdiplus;
  TSmoothGDIP markerGdiplus;
  InitializeHotKeys();
  ForceHighContrast(true);
  return RunDemo<TForm1>("Panoplex 2D Options");
}
