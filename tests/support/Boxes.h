// Answering the message boxes that a program under test shows, as a user would.
#pragma once

#include <windows.h>

#include <string>

#include "Wait.h"

namespace px2d::test {

// Waits for a message box captioned Title to be up (shown, with its text, in its own message
// loop), returns its text and presses OK, then waits until it has gone and its owner takes input
// again. "<no box>" when none came within the time. Call it from a thread other than the box's.
inline std::string AnswerBox(const char* Title, DWORD Milliseconds = kPatience) {
  std::string text;
  HWND box = nullptr;
  const bool up = WaitUntil(
      [&] {
        box = FindWindowA("#32770", Title);
        if (!box || !IsWindowVisible(box)) return false;
        char buffer[1024] = {};
        GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
        text = buffer;
        return !text.empty();
      },
      Milliseconds);
  if (!up) return "<no box>";
  const HWND owner = GetWindow(box, GW_OWNER);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  WaitUntil([&] { return !IsWindow(box) && (!owner || IsWindowEnabled(owner)); });
  return text;
}

}  // namespace px2d::test
