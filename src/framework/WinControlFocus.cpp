// TWinControl: the tab order of the children, and the keyboard focus.
#include "Controls.h"

#include <algorithm>

namespace px2d {

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  const auto& list = FParent->FTabList;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  FTabOrder = Value;
  // While a layout is applied the values arrive in the order of creation: each is kept and the
  // order is settled when loading ends. Otherwise the control moves to its place at once.
  if (!FParent || Loading()) return;
  auto& list = FParent->FTabList;
  list.erase(std::find(list.begin(), list.end(), this));
  const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(std::max(Value, 0)), list.size());
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), this);
  FParent->ApplyTabOrder();
}

void TWinControl::ApplyTabOrder() {
  for (std::size_t i = 0; i < FTabList.size(); ++i) FTabList[i]->FTabOrder = static_cast<int>(i);
  // The dialog manager walks the children from the top of the z-order down.
  HWND after = HWND_TOP;
  for (TWinControl* child : FTabList) {
    if (!child->FHandle) continue;
    // A page shown again finds its order as it left it: moving a window costs messages.
    const HWND above = GetWindow(child->FHandle, GW_HWNDPREV);
    if (above == (after == HWND_TOP ? nullptr : after)) {
      after = child->FHandle;
      continue;
    }
    SetWindowPos(child->FHandle, after, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    after = child->FHandle;
  }
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() const {
  if (!FHandle) return false;
  for (const TWinControl* c = this; c; c = c->FParent) {
    if (!c->FVisible || !c->FEnabled) return false;
  }
  return IsWindowVisible(FHandle) && IsWindowEnabled(FHandle);
}

void TWinControl::SetFocus() {
  if (FHandle) ::SetFocus(FHandle);
}

void TWinControl::SetTabStop(bool Value) {
  if (!StoreIfChanged(FTabStop, Value) || !FHandle) return;
  LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
  style = Value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
  SetWindowLongPtrA(FHandle, GWL_STYLE, style);
}

void TWinControl::BroadcastFocusChanged(TWinControl* NewFocus) {
  FocusChanged(NewFocus);
  for (auto& child : FControls) {
    if (auto* win = dynamic_cast<TWinControl*>(child.get())) win->BroadcastFocusChanged(NewFocus);
  }
}

bool TWinControl::BroadcastDialogChar(char Key, TShiftState Shift) {
  for (auto& child : FControls) {
    if (!child->Showing() || !child->Enabled()) continue;
    if (child->DialogChar(Key, Shift)) return true;
    if (auto* win = dynamic_cast<TWinControl*>(child.get()); win && win->BroadcastDialogChar(Key, Shift))
      return true;
  }
  return false;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

}  // namespace px2d
