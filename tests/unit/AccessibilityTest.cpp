// What assistive technology gets from the controls in this process: the client objects answered
// through WM_GETOBJECT (AccessibleObjectFromWindow, as a screen reader asks), their names, roles and
// states, the events that announce a change, the default action, and an object that outlives its
// control. The end-to-end tests ask the real window the same from another process.
#include <gtest/gtest.h>

#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "InputSupport.h"
#include "controls/GlassButton.h"
#include "controls/SmoothButton.h"
#include "framework/Accessibility.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/SysUtils.h"
#include "support/AccessibleQueries.h"

namespace px2d {
namespace {

using test::ClientObject;
using test::DescriptionOf;
using test::HearClientEvent;
using test::Heard;
using test::NameOf;
using test::Pump;
using test::RoleOf;
using test::Self;
using test::StateOf;
using test::TEvent;
using test::Text;

class TAccessibilityHost : public TForm {
 public:
  using TForm::TForm;
  const char* ClassName() const override { return "TAccessibilityHost"; }
};

std::string DefaultActionOf(const TComPtr<IAccessible>& Object) {
  BSTR action = nullptr;
  return SUCCEEDED(Object->get_accDefaultAction(Self(), &action)) && action ? Text(action) : "<none>";
}

std::string HelpOf(const TComPtr<IAccessible>& Object) {
  BSTR help = nullptr;
  return SUCCEEDED(Object->get_accHelp(Self(), &help)) && help ? Text(help) : "<none>";
}

// Two page tabs (the first down), a check button, a marker, a named list and an unnamed one.
class AccessibleControls : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TAccessibilityHost>();
    form->SetClientSize(400, 200);
    for (int i = 0; i < 2; ++i) {
      tabs[i] = Insert<TGlassButton>(8 + 90 * i, 8, 81, 82);
      tabs[i]->SetGroupIndex(1);
      tabs[i]->OnClick = [this, i](TObject*) { clicks.push_back("tab " + std::to_string(i)); };
    }
    tabs[0]->SetCaption("Active\r\nCorners");
    tabs[0]->SetDown(true);
    tabs[1]->SetCaption("&Background");
    check = Insert<TGlassButton>(188, 8, 81, 30);
    check->SetCaption("Preview");
    check->SetStyle(tasCheck);
    check->OnClick = [this](TObject*) { clicks.push_back("check"); };
    marker = Insert<TSmoothButton>(300, 8, 16, 16);
    marker->SetAccessibleName("Search box position: top left");
    marker->SetRadioItem(true);
    marker->SetChecked(true);
    marker->OnClick = [this](TObject*) { clicks.push_back("marker"); };
    list = Insert<TComboBox>(8, 100, 145, 23);
    list->SetAccessibleName("Key");
    unnamed = Insert<TComboBox>(200, 100, 145, 23);
    form->HandleNeeded();
  }
  void TearDown() override { form.reset(); }

  template <class T>
  T* Insert(int Left, int Top, int Width, int Height) {
    T* control = form->InsertControl(std::make_unique<T>(form.get()));
    control->SetBounds(Left, Top, Width, Height);
    return control;
  }

  TComApartment apartment;
  std::unique_ptr<TAccessibilityHost> form;
  TGlassButton* tabs[2] = {};
  TGlassButton* check = nullptr;
  TSmoothButton* marker = nullptr;
  TComboBox* list = nullptr;
  TComboBox* unnamed = nullptr;
  std::vector<std::string> clicks;
};

TEST(AccessibleText, ACaptionIsReadOnOneLineWithoutItsAcceleratorMark) {
  const std::pair<const char*, const char*> cases[] = {
      {"Active\r\nCorners", "Active Corners"},
      {"one\ntwo\rthree", "one two three"},
      {"&Apply", "Apply"},
      {"Fish && Chips", "Fish & Chips"},
      {"", ""},
  };
  for (const auto& [caption, text] : cases) EXPECT_EQ(AccessibleText(caption), text) << caption;
}

TEST_F(AccessibleControls, EachControlHasItsNameRoleAndStateAndTheRestStaysTheSystems) {
  struct Expected {
    const char* what;
    HWND window;
    std::string name;
    long role;  // 0: the system's, as its standard object gives it
    long on, off;
    std::string action;
    long notSystems = 0;  // what the system's object says that does not hold for the control
  };
  // A glass button that is no tab stop never takes the focus, from the keyboard or the mouse.
  const Expected controls[] = {
      {"the page tab down", tabs[0]->Handle(), "Active Corners", ROLE_SYSTEM_PAGETAB,
       STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_SELECTED, STATE_SYSTEM_FOCUSABLE, "Switch",
       STATE_SYSTEM_FOCUSABLE},
      {"a page tab up", tabs[1]->Handle(), "Background", ROLE_SYSTEM_PAGETAB, STATE_SYSTEM_SELECTABLE,
       STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSABLE, "Switch", STATE_SYSTEM_FOCUSABLE},
      {"a check button up", check->Handle(), "Preview", ROLE_SYSTEM_PUSHBUTTON, 0,
       STATE_SYSTEM_PRESSED | STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE, "Press",
       STATE_SYSTEM_FOCUSABLE},
      {"the chosen marker", marker->Handle(), "Search box position: top left", ROLE_SYSTEM_RADIOBUTTON,
       STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSABLE, 0, "Check"},
      {"a named list", list->Handle(), "Key", 0, STATE_SYSTEM_FOCUSABLE, 0, ""},
  };
  for (const Expected& e : controls) {
    SCOPED_TRACE(e.what);
    const TComPtr<IAccessible> object = ClientObject(e.window);
    ASSERT_TRUE(object);
    TComPtr<IAccessible> system;
    ASSERT_EQ(CreateStdAccessibleObject(e.window, OBJID_CLIENT, IID_IAccessible,
                                        reinterpret_cast<void**>(system.Put())),
              S_OK);
    EXPECT_EQ(NameOf(object), e.name);
    EXPECT_EQ(RoleOf(object), e.role ? e.role : RoleOf(system));
    const long state = StateOf(object);
    EXPECT_EQ(state & e.on, e.on);
    EXPECT_EQ(state & e.off, 0);
    EXPECT_EQ(state & ~(e.on | STATE_SYSTEM_SELECTABLE), StateOf(system) & ~(e.on | e.notSystems))
        << "the system's own states stay";
    EXPECT_EQ(DefaultActionOf(object), e.action.empty() ? DefaultActionOf(system) : e.action);
    // Place and window are the system's.
    long left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(object->accLocation(&left, &top, &width, &height, Self()), S_OK);
    RECT r;
    GetWindowRect(e.window, &r);
    EXPECT_EQ(left, r.left);
    EXPECT_EQ(width, r.right - r.left);
    HWND found = nullptr;
    EXPECT_EQ(WindowFromAccessibleObject(object.Get(), &found), S_OK);
    EXPECT_EQ(found, e.window);
  }
  // What a control does, in the sentence that it was given, is both its description (read after its
  // name) and its help; a control without one keeps the system's.
  list->SetAccessibleDescription("The key that brings the switcher up.");
  const TComPtr<IAccessible> described = ClientObject(list->Handle()),
                             plain = ClientObject(tabs[0]->Handle());
  TComPtr<IAccessible> plainSystem;
  ASSERT_EQ(CreateStdAccessibleObject(tabs[0]->Handle(), OBJID_CLIENT, IID_IAccessible,
                                      reinterpret_cast<void**>(plainSystem.Put())),
            S_OK);
  EXPECT_EQ(DescriptionOf(described), "The key that brings the switcher up.");
  EXPECT_EQ(HelpOf(described), "The key that brings the switcher up.");
  EXPECT_EQ(DescriptionOf(plain), DescriptionOf(plainSystem));
  EXPECT_EQ(HelpOf(plain), HelpOf(plainSystem));

  // A control with nothing to add is left to the system.
  EXPECT_EQ(SendMessageA(unnamed->Handle(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0);
  // And the control answers only for its client area.
  EXPECT_EQ(SendMessageA(list->Handle(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_WINDOW)), 0);
}

TEST_F(AccessibleControls, ChangesAreSeenAndAnnouncedOnceEach) {
  const TComPtr<IAccessible> tab0 = ClientObject(tabs[0]->Handle()), tab1 = ClientObject(tabs[1]->Handle()),
                             checkObject = ClientObject(check->Handle()),
                             markerObject = ClientObject(marker->Handle()),
                             listObject = ClientObject(list->Handle());
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_SELECTION, EVENT_OBJECT_HELPCHANGE, nullptr, &HearClientEvent,
                      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_TRUE(hook);
  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<TEvent> events;  // in order
  };
  const Step steps[] = {
      {"the other page tab goes down",
       [&] { tabs[1]->SetDown(true); },
       {{EVENT_OBJECT_STATECHANGE, tabs[0]->Handle()},
        {EVENT_OBJECT_STATECHANGE, tabs[1]->Handle()},
        {EVENT_OBJECT_SELECTION, tabs[1]->Handle()}}},
      {"down again", [&] { tabs[1]->SetDown(true); }, {}},
      {"the check button goes down",
       [&] { check->SetDown(true); },
       {{EVENT_OBJECT_STATECHANGE, check->Handle()}}},
      {"the marker is no longer chosen",
       [&] { marker->SetChecked(false); },
       {{EVENT_OBJECT_STATECHANGE, marker->Handle()}}},
      {"nor again", [&] { marker->SetChecked(false); }, {}},
      {"the list is named anew",
       [&] { list->SetAccessibleName("Activation key"); },
       {{EVENT_OBJECT_NAMECHANGE, list->Handle()}}},
      {"the list is described",
       [&] { list->SetAccessibleDescription("The key that brings the switcher up."); },
       {{EVENT_OBJECT_DESCRIPTIONCHANGE, list->Handle()}, {EVENT_OBJECT_HELPCHANGE, list->Handle()}}},
      {"with the same sentence",
       [&] { list->SetAccessibleDescription("The key that brings the switcher up."); },
       {}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    Heard.clear();
    s.act();
    Pump(50);
    EXPECT_EQ(Heard, s.events);
  }
  UnhookWinEvent(hook);

  EXPECT_EQ(StateOf(tab0) & STATE_SYSTEM_SELECTED, 0);
  EXPECT_EQ(StateOf(tab1) & STATE_SYSTEM_SELECTED, STATE_SYSTEM_SELECTED);
  EXPECT_EQ(StateOf(checkObject) & STATE_SYSTEM_PRESSED, STATE_SYSTEM_PRESSED);
  EXPECT_EQ(StateOf(markerObject) & STATE_SYSTEM_CHECKED, 0);
  EXPECT_EQ(NameOf(listObject), "Activation key");
  EXPECT_EQ(DescriptionOf(listObject), "The key that brings the switcher up.");
}

TEST_F(AccessibleControls, TheDefaultActionClicksFromTheMessageLoopAsTheMouseDoes) {
  const TComPtr<IAccessible> tab1 = ClientObject(tabs[1]->Handle()),
                             markerObject = ClientObject(marker->Handle()),
                             checkObject = ClientObject(check->Handle());
  // The request returns before the control acts: a client is not kept waiting on what a click does.
  EXPECT_EQ(tab1->accDoDefaultAction(Self()), S_OK);
  EXPECT_TRUE(clicks.empty());
  Pump(50);
  EXPECT_EQ(clicks, std::vector<std::string>{"tab 1"});
  EXPECT_TRUE(tabs[1]->Down()) << "a page tab goes down as under the mouse";
  EXPECT_FALSE(tabs[0]->Down());

  clicks.clear();
  EXPECT_EQ(checkObject->accDoDefaultAction(Self()), S_OK);
  EXPECT_EQ(markerObject->accDoDefaultAction(Self()), S_OK);
  Pump(50);
  EXPECT_EQ(clicks, (std::vector<std::string>{"check", "marker"}));
  EXPECT_TRUE(check->Down()) << "a check button toggles";

  // A disabled control has no default action, as it ignores the mouse: it offers none, and a
  // request fails instead of telling the client that something happened. That holds for the
  // system's controls too (a named list), and ends when the control is enabled again.
  clicks.clear();
  const TComPtr<IAccessible> listObject = ClientObject(list->Handle());
  const std::string listAction = DefaultActionOf(listObject);
  for (TWinControl* control : std::initializer_list<TWinControl*>{tabs[1], marker, list})
    control->SetEnabled(false);
  for (const auto& [what, object] : {std::pair{"a page tab", tab1}, std::pair{"a marker", markerObject},
                                     std::pair{"a named list", listObject}}) {
    SCOPED_TRACE(what);
    EXPECT_EQ(StateOf(object) & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE),
              STATE_SYSTEM_UNAVAILABLE);
    const BSTR stale = SysAllocString(L"stale");
    BSTR action = stale;
    EXPECT_EQ(object->get_accDefaultAction(Self(), &action), S_FALSE);
    EXPECT_EQ(action, nullptr) << "no default action offered";
    if (action != stale) SysFreeString(action);
    SysFreeString(stale);
    EXPECT_EQ(object->accDoDefaultAction(Self()), DISP_E_MEMBERNOTFOUND);
  }
  Pump(50);
  EXPECT_TRUE(clicks.empty());
  EXPECT_TRUE(tabs[1]->Down()) << "nothing changed";

  for (TWinControl* control : std::initializer_list<TWinControl*>{tabs[1], marker, list})
    control->SetEnabled(true);
  EXPECT_EQ(DefaultActionOf(tab1), "Switch");
  EXPECT_EQ(DefaultActionOf(listObject), listAction);
  EXPECT_EQ(markerObject->accDoDefaultAction(Self()), S_OK);
  test::PumpUntil([&] { return !clicks.empty(); });
  EXPECT_EQ(clicks, std::vector<std::string>{"marker"});
}

TEST_F(AccessibleControls, AnObjectThatOutlivesItsWindowOrControlOnlyFails) {
  const TComPtr<IAccessible> tab0 = ClientObject(tabs[0]->Handle()),
                             markerObject = ClientObject(marker->Handle());
  const auto expectCutOff = [](const TComPtr<IAccessible>& Object) {
    BSTR name = nullptr;
    EXPECT_EQ(Object->get_accName(Self(), &name), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(name, nullptr);
    VARIANT state;
    VariantInit(&state);
    EXPECT_EQ(Object->get_accState(Self(), &state), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(Object->accDoDefaultAction(Self()), CO_E_OBJNOTCONNECTED);
    long left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(Object->accLocation(&left, &top, &width, &height, Self()), CO_E_OBJNOTCONNECTED);
    TComPtr<IOleWindow> window;
    ASSERT_EQ(Object->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(window.Put())), S_OK);
    HWND found = nullptr;
    EXPECT_EQ(window->GetWindow(&found), CO_E_OBJNOTCONNECTED);
  };

  // The window goes while the control stays: the system destroys it, not the control.
  DestroyWindow(tabs[0]->Handle());
  EXPECT_FALSE(tabs[0]->HandleAllocated());
  expectCutOff(tab0);

  // The control goes with its form.
  form.reset();
  expectCutOff(markerObject);
  EXPECT_TRUE(clicks.empty());
}

// A control whose window goes while the system's object asks it something: the first time its text
// is asked for, it destroys its window.
class TVanishingControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  const char* ClassName() const override { return "TVanishingControl"; }
  bool vanished = false;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override {
    if ((Msg == WM_GETTEXT || Msg == WM_GETTEXTLENGTH) && !vanished) {
      vanished = true;
      DestroyWindow(Handle());
      return 0;
    }
    return TCustomControl::WndProc(Msg, wParam, lParam);
  }
};

// The window is destroyed during a call passed on to the system's object: the call returns, saying
// the object is gone, as every later call does, and nothing is used after it was freed.
TEST_F(AccessibleControls, AWindowDestroyedDuringAPassedOnCallLeavesAnObjectThatOnlyFails) {
  auto* control = Insert<TVanishingControl>(8, 140, 40, 20);
  control->SetAccessibleName("Vanishing");
  control->HandleNeeded();
  const TComPtr<IAccessible> object = ClientObject(control->Handle());
  ASSERT_TRUE(object);
  control->vanished = true;  // not while it is being found
  ASSERT_EQ(NameOf(object), "Vanishing");
  control->vanished = false;
  // The calls that the system's object answers by asking the window for its text, until one does.
  BSTR text = nullptr;
  HRESULT during = S_OK;
  for (const auto& call : std::initializer_list<std::function<HRESULT()>>{
           [&] { return object->get_accKeyboardShortcut(Self(), &text); },
           [&] { return object->get_accValue(Self(), &text); },
           [&] { return object->get_accDescription(Self(), &text); },
           [&] { return object->get_accHelp(Self(), &text); }}) {
    during = call();
    if (control->vanished) break;
    SysFreeString(std::exchange(text, nullptr));
  }
  ASSERT_TRUE(control->vanished) << "a passed-on call asked the window";
  EXPECT_FALSE(control->HandleAllocated());
  EXPECT_EQ(during, CO_E_OBJNOTCONNECTED);
  SysFreeString(text);
  BSTR name = nullptr;
  EXPECT_EQ(object->get_accName(Self(), &name), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(object->accDoDefaultAction(Self()), CO_E_OBJNOTCONNECTED);
}

}  // namespace
}  // namespace px2d
