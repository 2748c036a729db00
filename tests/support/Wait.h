// Waiting in tests: for a condition, each wait bounded; for a program to have handled what it was
// sent; and, only where nothing else can show that something did not happen, a quiet period.
#pragma once

#include <windows.h>

namespace px2d::test {

// How long a test waits for something that should happen, before it calls it a failure. Long
// enough for a busy two-core machine; a passing test never waits it out.
constexpr DWORD kPatience = 10000;

// Polls Condition until it holds or Milliseconds have passed; true when it held.
template <typename TCondition>
bool WaitUntil(TCondition&& Condition, DWORD Milliseconds = kPatience) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (Condition()) return true;
    if (GetTickCount() - start >= Milliseconds) return Condition();
    Sleep(5);
  }
}

// Round trips through the message queue of the thread that owns Window, so that what was sent or
// posted to it, and the input queued for it, has been handled. A sent message is handled when the
// thread next asks for a message, which comes before any posted message or input waiting there, so
// one trip proves only that the thread finished its current handler. Each further trip proves one
// more message handled; input and what it posts in turn (a key and its character, a button's
// press, release and command) take a few. False when the thread did not answer in time.
inline bool RoundTrips(HWND Window, int Trips = 6) {
  for (int i = 0; i < Trips; ++i) {
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(Window, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &ignored)) return false;
  }
  return true;
}

// Input waits in its thread's queue behind sent and posted messages, and a window is painted only
// when none of them is left: one pixel of the top-level window made invalid is painted again, and
// its update region empty, only once the thread has handled the input sent before it. True at once
// for a window that is hidden or gone; false when the thread did not get there in time.
inline bool InputHandled(HWND Window) {
  const HWND top = GetAncestor(Window, GA_ROOT);
  RECT pixel{0, 0, 1, 1};
  if (!top || !IsWindowVisible(top) || !InvalidateRect(top, &pixel, FALSE)) return true;
  return WaitUntil([&] { return !IsWindow(top) || !GetUpdateRect(top, nullptr, FALSE); });
}

// Where a test checks that something does not happen (no box, no close, no broadcast), and has
// first made sure the program handled the input, this is how long it then watches for it: the one
// fixed wait of the tests, for what no condition can show.
constexpr DWORD kQuietPeriod = 300;
inline void QuietPeriod() { Sleep(kQuietPeriod); }

}  // namespace px2d::test
