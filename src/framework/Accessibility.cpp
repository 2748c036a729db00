#include "Accessibility.h"

#include <oleacc.h>

#include "SysUtils.h"

namespace px2d {

const UINT AccessibleActionMessage = RegisterWindowMessageA("PX2D_ACCESSIBLE_DEFAULT_ACTION");

namespace {

bool IsSelf(const VARIANT& Child) { return Child.vt == VT_I4 && Child.lVal == CHILDID_SELF; }

HRESULT ToBstr(const std::string& Text, BSTR* Out) {
  if (!Out) return E_POINTER;
  const std::wstring wide = AnsiToWide(Text);
  *Out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *Out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

// The control's client object: the system's standard object for its window, with what the control
// says of itself in front. Every call comes through the thread's message loop, on the control's
// thread; no exception leaves a call.
class TAccessibleObject final : public IAccessible, public IOleWindow {
 public:
  TAccessibleObject(TAccessibleSource& Control, TComPtr<IAccessible> System)
      : FControl(&Control), FWindow(Control.AccessibleWindow()), FSystem(std::move(System)) {}

  // The control is going: from now on every call fails, and no call reaches it again.
  void Disconnect() {
    FControl = nullptr;
    FSystem.Reset();
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Iid, void** Out) override {
    if (!Out) return E_POINTER;
    if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IDispatch) || IsEqualIID(Iid, IID_IAccessible))
      *Out = static_cast<IAccessible*>(this);
    else if (IsEqualIID(Iid, IID_IOleWindow))
      *Out = static_cast<IOleWindow*>(this);
    else {
      *Out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FReferences)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&FReferences);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: clients use the interface's methods themselves.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* Count) override {
    if (!Count) return E_POINTER;
    *Count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** Info) override {
    if (Info) *Info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible: name, role, state and the default action as the control gives them.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT Child, BSTR* Name) override {
    return Guarded([&](const TAccessibleFacts& Facts) {
      if (IsSelf(Child) && !Facts.Name.empty()) return ToBstr(Facts.Name, Name);
      return FSystem->get_accName(Child, Name);
    });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT Child, VARIANT* Role) override {
    return Guarded([&](const TAccessibleFacts& Facts) {
      if (!IsSelf(Child) || Facts.Role == 0) return FSystem->get_accRole(Child, Role);
      if (!Role) return E_POINTER;
      Role->vt = VT_I4;
      Role->lVal = Facts.Role;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT Child, VARIANT* State) override {
    return Guarded([&](const TAccessibleFacts& Facts) {
      const HRESULT result = FSystem->get_accState(Child, State);
      if (SUCCEEDED(result) && IsSelf(Child) && State->vt == VT_I4) {
        State->lVal = (State->lVal & ~Facts.StateRemoved) | Facts.State;
        if (Unavailable(Facts))
          State->lVal = (State->lVal & ~STATE_SYSTEM_FOCUSABLE) | STATE_SYSTEM_UNAVAILABLE;
      }
      return result;
    });
  }
  // An unavailable control has no default action: no text (S_FALSE, as for an object without one),
  // and a request for it fails instead of reporting an action that never runs.
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT Child, BSTR* Action) override {
    return Guarded([&](const TAccessibleFacts& Facts) {
      if (IsSelf(Child) && Unavailable(Facts)) {
        if (!Action) return E_POINTER;
        *Action = nullptr;
        return S_FALSE;
      }
      if (IsSelf(Child) && !Facts.DefaultAction.empty()) return ToBstr(Facts.DefaultAction, Action);
      return FSystem->get_accDefaultAction(Child, Action);
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT Child) override {
    return Guarded([&](const TAccessibleFacts& Facts) -> HRESULT {
      if (IsSelf(Child) && Unavailable(Facts)) return DISP_E_MEMBERNOTFOUND;
      if (!IsSelf(Child) || Facts.DefaultAction.empty()) return FSystem->accDoDefaultAction(Child);
      return PostMessageA(FWindow, AccessibleActionMessage, 0, 0) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    });
  }

  // IAccessible: the rest is the system's.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** Parent) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->get_accParent(Parent); });
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* Count) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->get_accChildCount(Count); });
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT Child, IDispatch** Object) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->get_accChild(Child, Object); });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT Child, BSTR* Value) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->get_accValue(Child, Value); });
  }
  // The one sentence of what the control does serves as both: screen readers read the description,
  // automation clients (through the help text) the help.
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT Child, BSTR* Description) override {
    return Guarded([&](const TAccessibleFacts& Facts) {
      if (IsSelf(Child) && !Facts.Description.empty()) return ToBstr(Facts.Description, Description);
      return FSystem->get_accDescription(Child, Description);
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT Child, BSTR* Help) override {
    return Guarded([&](const TAccessibleFacts& Facts) {
      if (IsSelf(Child) && !Facts.Description.empty()) return ToBstr(Facts.Description, Help);
      return FSystem->get_accHelp(Child, Help);
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* File, VARIANT Child, long* Topic) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->get_accHelpTopic(File, Child, Topic); });
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT Child, BSTR* Shortcut) override {
    return Guarded(
        [&](const TAccessibleFacts&) { return FSystem->get_accKeyboardShortcut(Child, Shortcut); });
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* Focus) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->get_accFocus(Focus); });
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* Selection) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->get_accSelection(Selection); });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long Flags, VARIANT Child) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->accSelect(Flags, Child); });
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* Left, long* Top, long* Width, long* Height,
                                        VARIANT Child) override {
    return Guarded(
        [&](const TAccessibleFacts&) { return FSystem->accLocation(Left, Top, Width, Height, Child); });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long Direction, VARIANT Start, VARIANT* End) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->accNavigate(Direction, Start, End); });
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long Left, long Top, VARIANT* Child) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->accHitTest(Left, Top, Child); });
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT Child, BSTR Name) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->put_accName(Child, Name); });
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT Child, BSTR Value) override {
    return Guarded([&](const TAccessibleFacts&) { return FSystem->put_accValue(Child, Value); });
  }

  // IOleWindow: the control's window (how a client finds the window of an object).
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* Window) override {
    if (!Window) return E_POINTER;
    *Window = FControl ? FWindow : nullptr;
    return FControl ? S_OK : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  ~TAccessibleObject() = default;

  // Disabled in itself or with a container; the window's own state counts too, should the control
  // not know of it.
  bool Unavailable(const TAccessibleFacts& Facts) const {
    return Facts.Unavailable || !IsWindowEnabled(FWindow);
  }

  // Runs a call with the control's facts as they are now; fails once the control has gone. The
  // call may destroy the window (a default action that closes it): this object and the system's stay
  // alive until it returns, and it then answers as every later call does.
  template <class TCall>
  HRESULT Guarded(TCall&& Call) {
    if (!FControl || !FSystem) return CO_E_OBJNOTCONNECTED;
    AddRef();
    const TComPtr<TAccessibleObject> self(this);
    const TComPtr<IAccessible> system = FSystem;
    HRESULT result = E_FAIL;
    try {
      TAccessibleFacts facts;
      FControl->GetAccessibleFacts(facts);
      result = Call(facts);
    } catch (const std::bad_alloc&) {
      result = E_OUTOFMEMORY;
    } catch (...) {
      result = E_FAIL;
    }
    return FControl ? result : CO_E_OBJNOTCONNECTED;
  }

  LONG FReferences = 1;
  TAccessibleSource* FControl;
  HWND FWindow;
  TComPtr<IAccessible> FSystem;
};

TComApartment::TComApartment() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

TComApartment::~TComApartment() {
  if (SUCCEEDED(FResult)) CoUninitialize();
}

TAccessibleServer::TAccessibleServer(TAccessibleSource& Control) : FControl(Control) {}

TAccessibleServer::~TAccessibleServer() {
  if (!FObject) return;
  FObject->Disconnect();
  // Clients in other processes lose their connection now, instead of holding the object until
  // they let it go.
  CoDisconnectObject(static_cast<IAccessible*>(FObject.Get()), 0);
}

bool TAccessibleServer::Answer(WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  // The object identifier comes as a 32-bit value in a wider parameter.
  if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return false;
  TAccessibleFacts facts;
  FControl.GetAccessibleFacts(facts);
  if (facts.Empty()) return false;
  if (!FObject) {
    TComPtr<IAccessible> system;
    if (FAILED(CreateStdAccessibleObject(FControl.AccessibleWindow(), OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(system.Put()))))
      return false;
    FObject = TComPtr<TAccessibleObject>(new TAccessibleObject(FControl, std::move(system)));
  }
  const LRESULT result = LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(FObject.Get()));
  // Without COM on this thread the object cannot be handed out: the system's answers instead.
  if (FAILED(static_cast<HRESULT>(result))) return false;
  Result = result;
  return true;
}

void NotifyAccessibleEvent(HWND Window, DWORD Event) {
  if (Window) NotifyWinEvent(Event, Window, OBJID_CLIENT, CHILDID_SELF);
}

std::string AccessibleText(const std::string& Caption) {
  std::string text;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    const char c = Caption[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < Caption.size() && Caption[i + 1] == '\n') ++i;
      text += ' ';
    } else if (c == '&') {
      if (i + 1 < Caption.size() && Caption[i + 1] == '&') text += '&', ++i;
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace px2d
