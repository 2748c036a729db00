// The program block of a demonstration: one window of the given form class, errors in a box.
#pragma once

#include <windows.h>

#include <exception>

#include "framework/Forms.h"

namespace px2d {

template <class TDemoForm>
int RunDemo(const char* Title) {
  try {
    Application.Initialize();
    Application.Title = Title;
    Application.CreateForm<TDemoForm>();
    Application.Run();
    Application.Finalize();
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "Application Error", MB_OK | MB_ICONERROR);
    return 1;
  }
  return 0;
}

}  // namespace px2d
