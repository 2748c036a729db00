// What a move to a monitor of another resolution costs the options window, from the message to the
// window painted, in two ways:
//  - "one layout": the window's own answer to WM_DPICHANGED: it takes the suggested rectangle with
//    its layout held, then scales the layout from its design once, at the new size;
//  - "two layouts": the same work in the order the window used before: the layout scaled at the old
//    size first, then laid out again when the window takes the new size.
// The window is the real one, made as the program makes it, on the defaults (the roaming folder points
// to an empty folder of the bench's own). Each way is measured 96 -> 144 and back, rounds interleaved;
// medians of the wall time, in milliseconds.
//   ResolutionBench.exe [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "controls/GDIPUtil.h"
#include "controls/SmoothGDIP.h"
#include "fmMain.h"
#include "support/RoamingFolder.h"
#include "unHotKeys.h"

using namespace px2d;

namespace {

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values.empty() ? 0 : Values[Values.size() / 2];
}

// The window's rectangle for its designed client area at a resolution, where it is now.
RECT Suggested(HWND Window, int Dpi) {
  RECT window, r{0, 0, MulDiv(590, Dpi, 96), MulDiv(556, Dpi, 96)};
  GetWindowRect(Window, &window);
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(Window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(Window, GWL_EXSTYLE)));
  return RECT{window.left, window.top, window.left + r.right - r.left, window.top + r.bottom - r.top};
}

// Milliseconds from the start of a change to the window and all its controls painted.
template <typename TChange>
double Timed(HWND Window, TChange Change) {
  const auto start = std::chrono::steady_clock::now();
  Change();
  RedrawWindow(Window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "px2d-resolution-bench";
  std::filesystem::create_directories(folder);
  TGDIPUtilSession glassGdiplus;
  TSmoothGDIP markerGdiplus;
  std::vector<double> oneUp, oneDown, twoUp, twoDown;
  {
    test::TRoamingFolder roaming(folder.wstring(), test::TRoamingScope::ThisProcess);
    InitializeHotKeys();
    TForm1 form(nullptr);
    form.HandleNeeded();
    form.OnCreate(&form);
    form.Show();
    while (form.Idle()) {
    }
    const HWND window = form.Handle();
    const auto oneLayout = [&](int Dpi) {
      return Timed(window, [&] {
        RECT r = Suggested(window, Dpi);
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(Dpi, Dpi), reinterpret_cast<LPARAM>(&r));
      });
    };
    const auto twoLayouts = [&](int Dpi) {
      return Timed(window, [&] {
        const RECT r = Suggested(window, Dpi);
        form.SetPixelsPerInch(Dpi);
        SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      });
    };
    oneLayout(144);  // once each way first: fonts and pictures at the new size are made here
    oneLayout(96);
    for (int i = 0; i < rounds; ++i) {
      oneUp.push_back(oneLayout(144));
      oneDown.push_back(oneLayout(96));
      twoUp.push_back(twoLayouts(144));
      twoDown.push_back(twoLayouts(96));
    }
  }
  std::filesystem::remove_all(folder);
  std::printf("move to another resolution, window painted (median of %d, ms)\n", rounds);
  std::printf("%-12s %10s %10s\n", "", "96 -> 144", "144 -> 96");
  std::printf("%-12s %10.1f %10.1f\n", "one layout", Median(oneUp), Median(oneDown));
  std::printf("%-12s %10.1f %10.1f\n", "two layouts", Median(twoUp), Median(twoDown));
  return 0;
}
