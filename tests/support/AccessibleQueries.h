// What a screen reader asks of an accessible object: the client object of a window, and its name,
// role and state as plain values. Shared by the tests in this process and in another.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <oleacc.h>

#include <string>
#include <vector>

#include "framework/Accessibility.h"
#include "framework/SysUtils.h"

namespace px2d::test {

inline VARIANT Self() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

inline TComPtr<IAccessible> ClientObject(HWND Window) {
  TComPtr<IAccessible> object;
  const HRESULT result = AccessibleObjectFromWindow(Window, OBJID_CLIENT, IID_IAccessible,
                                                    reinterpret_cast<void**>(object.Put()));
  EXPECT_EQ(result, S_OK) << "window " << GetDlgCtrlID(Window);
  return object;
}

// The text of a string that a call handed out, which it frees.
inline std::string Text(BSTR Value) {
  const std::string text = WideToAnsi(std::wstring(Value, SysStringLen(Value)));
  SysFreeString(Value);
  return text;
}

inline std::string NameOf(IAccessible& Object) {
  BSTR name = nullptr;
  return SUCCEEDED(Object.get_accName(Self(), &name)) && name ? Text(name) : "<none>";
}

inline long RoleOf(IAccessible& Object) {
  VARIANT role;
  VariantInit(&role);
  return SUCCEEDED(Object.get_accRole(Self(), &role)) && role.vt == VT_I4 ? role.lVal : -1;
}

inline long StateOf(IAccessible& Object) {
  VARIANT state;
  VariantInit(&state);
  return SUCCEEDED(Object.get_accState(Self(), &state)) && state.vt == VT_I4 ? state.lVal : -1;
}

inline std::string DescriptionOf(IAccessible& Object) {
  BSTR description = nullptr;
  return SUCCEEDED(Object.get_accDescription(Self(), &description)) && description ? Text(description)
                                                                                   : "<none>";
}

inline std::string NameOf(const TComPtr<IAccessible>& Object) { return NameOf(*Object.Get()); }
inline std::string DescriptionOf(const TComPtr<IAccessible>& Object) { return DescriptionOf(*Object.Get()); }
inline long RoleOf(const TComPtr<IAccessible>& Object) { return RoleOf(*Object.Get()); }
inline long StateOf(const TComPtr<IAccessible>& Object) { return StateOf(*Object.Get()); }

// The events of client objects that a screen reader listens to, in the order heard.
struct TEvent {
  DWORD event;
  HWND window;
  bool operator==(const TEvent&) const = default;
};
inline std::vector<TEvent> Heard;

// A hook procedure for SetWinEventHook: records the events of whole client objects.
inline void CALLBACK HearClientEvent(HWINEVENTHOOK, DWORD Event, HWND Window, LONG Object, LONG Child, DWORD,
                                     DWORD) {
  if (Object == OBJID_CLIENT && Child == CHILDID_SELF) Heard.push_back({Event, Window});
}

}  // namespace px2d::test
