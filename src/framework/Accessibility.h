// Assistive technology (screen readers, automation tools) asks a window what it is through
// WM_GETOBJECT. A control that draws itself, or a system control whose label has no window, answers
// with an accessible object of its own: the system's standard object for the window with the name,
// role, state and default action that the control gives, and everything else (place, parent,
// children, focus, value) still the system's.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace px2d {

class TAccessibleObject;

// One reference to a COM object, released when it goes.
template <class T>
class TComPtr {
 public:
  TComPtr() = default;
  // Takes over a reference that the caller owns (as a COM call hands it out).
  explicit TComPtr(T* Owned) : FPtr(Owned) {}
  TComPtr(const TComPtr& Other) : FPtr(Other.FPtr) {
    if (FPtr) FPtr->AddRef();
  }
  TComPtr(TComPtr&& Other) noexcept : FPtr(std::exchange(Other.FPtr, nullptr)) {}
  TComPtr& operator=(TComPtr Other) noexcept {
    std::swap(FPtr, Other.FPtr);
    return *this;
  }
  ~TComPtr() { Reset(); }

  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  // Releases the reference held, and gives the place for a COM call to store a new one.
  T** Put() {
    Reset();
    return &FPtr;
  }
  void Reset() {
    if (FPtr) std::exchange(FPtr, nullptr)->Release();
  }

 private:
  T* FPtr = nullptr;
};

// COM on this thread as a single-threaded apartment while the object lives: an accessible object
// handed to another process is reached through it and the thread's message loop.
class TComApartment {
 public:
  TComApartment();
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

 private:
  HRESULT FResult;
};

// What a control tells assistive technology beyond what the system finds for its window (the
// values are oleacc.h's); what is left empty stays the system's.
struct TAccessibleFacts {
  std::string Name;           // ANSI, as the program's text
  long Role = 0;              // a ROLE_SYSTEM_ value; 0: the system's
  long State = 0;             // STATE_SYSTEM_ flags added to the system's
  long StateRemoved = 0;      // STATE_SYSTEM_ flags of the system's that do not hold for the control
  std::string DefaultAction;  // what the default action does, in a word; empty: the system's
  // What the control does, in a sentence: its description, which a screen reader reads after the
  // name, and its help, which automation clients show. Empty: the system's.
  std::string Description;
  // The control cannot be used now (disabled, in itself or with its container): it reports
  // STATE_SYSTEM_UNAVAILABLE and has no default action, so that no client is told an action ran.
  bool Unavailable = false;
  bool Empty() const {
    return Name.empty() && Role == 0 && State == 0 && StateRemoved == 0 && DefaultAction.empty() &&
           Description.empty();
  }
};

// What an accessible object asks of the control it speaks for: its window and what it says of
// itself. This layer sits below the controls, which fill it in.
class TAccessibleSource {
 public:
  // The control's window.
  virtual HWND AccessibleWindow() const = 0;
  // What the control tells assistive technology beyond what the system finds for its window.
  virtual void GetAccessibleFacts(TAccessibleFacts& Facts) const = 0;

 protected:
  ~TAccessibleSource() = default;
};

// The default action is carried out when this message arrives, not inside the request: the client
// that asked for it is not kept waiting while the control acts (it may open a message box).
extern const UINT AccessibleActionMessage;

// The accessible object of one control's window, made on the first request. When the server goes
// (the window is destroyed, or the control), the object lets go of the control: a client that
// still holds it gets CO_E_OBJNOTCONNECTED from every call, and those in other processes are
// disconnected.
class TAccessibleServer {
 public:
  explicit TAccessibleServer(TAccessibleSource& Control);
  ~TAccessibleServer();
  TAccessibleServer(const TAccessibleServer&) = delete;
  TAccessibleServer& operator=(const TAccessibleServer&) = delete;

  // WM_GETOBJECT: answers a request for the client object while the control has facts to give;
  // false leaves the request to the system.
  bool Answer(WPARAM wParam, LPARAM lParam, LRESULT& Result);

 private:
  TAccessibleSource& FControl;
  TComPtr<TAccessibleObject> FObject;
};

// Tells assistive technology that something of the control's client object changed
// (EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_SELECTION).
void NotifyAccessibleEvent(HWND Window, DWORD Event);

// A caption as assistive technology reads it: each line break a space, the accelerator's "&" gone
// ("&&" stays one "&").
std::string AccessibleText(const std::string& Caption);

}  // namespace px2d
