// Real input for tests: keys and mouse buttons go in through SendInput and come out of the
// application's own message loop, as a user's would.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "framework/Forms.h"
#include "support/Boxes.h"
#include "support/Wait.h"

namespace px2d::test {

// Wine, where a few controls differ from Windows in ways the tests name where they allow for them.
inline bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Runs the application's message loop for a while (every message through TApplication).
inline void Pump(DWORD Milliseconds = 30) {
  const DWORD start = GetTickCount();
  do {
    Application.ProcessMessages();
    Sleep(2);
  } while (GetTickCount() - start < Milliseconds);
}

// Runs the application's message loop until Condition holds or the time is up; true when it held.
template <typename TCondition>
bool PumpUntil(TCondition&& Condition, DWORD Milliseconds = kPatience) {
  return WaitUntil(
      [&] {
        Application.ProcessMessages();
        return Condition();
      },
      Milliseconds);
}

inline void SendKey(WORD Key, bool Up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = Key;
  input.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof(input));
}

// Presses the keys in order (modifiers first), releases them in reverse, and lets the loop run.
inline void Press(std::initializer_list<WORD> Keys) {
  for (WORD key : Keys) SendKey(key, false);
  for (auto it = std::rbegin(Keys); it != std::rend(Keys); ++it) SendKey(*it, true);
  Pump();
}

inline void MouseButton(bool Down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = Down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof(input));
  Pump();
}

// Moves the pointer to a point of a window's client area, with a move event the window sees.
inline void MoveTo(HWND Window, int X, int Y) {
  POINT p{X, Y};
  ClientToScreen(Window, &p);
  SetCursorPos(p.x, p.y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof(input));
  Pump();
}

inline void ClickAt(HWND Window, int X, int Y) {
  MoveTo(Window, X, Y);
  MouseButton(true);
  MouseButton(false);
}

// Brings a top-level window to the front with the keyboard, as a click on its title would.
inline void Activate(HWND Window) {
  SetForegroundWindow(Window);
  SetActiveWindow(Window);
  Pump(50);
}

using test::AnswerBox;

}  // namespace px2d::test
