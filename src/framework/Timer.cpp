// TTimer: a handler called at an interval through the message loop.
#include "Controls.h"

#include <map>

#include "ControlsInternal.h"

namespace px2d {

namespace {
std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}
}  // namespace

TTimer::~TTimer() {
  FEnabled = false;
  Update();
}

void TTimer::SetEnabled(bool Value) {
  if (StoreIfChanged(FEnabled, Value)) Update();
}

void TTimer::SetInterval(unsigned Value) {
  if (StoreIfChanged(FInterval, Value)) Update();
}

void TTimer::Update() {
  if (FId) {
    KillTimer(nullptr, FId);
    Timers().erase(FId);
    FId = 0;
  }
  if (FEnabled && FInterval > 0) {
    FId = SetTimer(nullptr, 0, FInterval, &TTimer::TimerProc);
    if (FId) Timers()[FId] = this;
  }
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR Id, DWORD) {
  const auto it = Timers().find(Id);
  if (it == Timers().end()) return;
  TTimer* timer = it->second;
  // Ticks that arrive while a handler runs (its error box has a message loop of its own) are dropped.
  if (timer->FInHandler) return;
  timer->FInHandler = true;
  // The handler may free its own timer.
  const auto alive = [Id, timer] {
    const auto found = Timers().find(Id);
    return found != Timers().end() && found->second == timer;
  };
  // No exception may cross into the system; a failing handler stops its timer and is shown once.
  try {
    if (timer->OnTimer) timer->OnTimer(timer);
    if (alive()) timer->FInHandler = false;
  } catch (...) {
    if (alive()) {
      timer->SetEnabled(false);
      timer->FInHandler = false;
    }
    ReportHandlerFailure();
  }
}

}  // namespace px2d
