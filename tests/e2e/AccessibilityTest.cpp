// The options window as assistive technology sees it from another process: each control's client
// object through AccessibleObjectFromWindow (WM_GETOBJECT in the program, the object marshalled
// across), its name, role and state, the state following clicks and default actions, and the
// events that announce the changes.
#include <gtest/gtest.h>

#include <windows.h>

#include <oleacc.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "OptionsWindowFixture.h"
#include "framework/Accessibility.h"
#include "framework/SysUtils.h"
#include "support/AccessibleQueries.h"

namespace px2d::e2e {
namespace {

using test::ClientObject;
using test::DescriptionOf;
using test::HearClientEvent;
using test::Heard;
using test::NameOf;
using test::RoleOf;
using test::Self;
using test::StateOf;
using test::TEvent;

// The position lists share the fixture's identifiers from the first list on.
constexpr int idCorner = idCorner1;

const char* const Positions[8] = {"top left",     "top middle",    "top right",   "right middle",
                                  "bottom right", "bottom middle", "bottom left", "left middle"};
const char* const PageNames[6] = {"General Options", "Background",          "Keyboard Activation",
                                  "Active Corners",  "Search Capabilities", "Animation Speeds"};

// The pages' titles, as each page shows it at its top.
const char* const PageTitles[6] = {"General options", "Background",          "Keyboard activation",
                                   "Active Corners",  "Search capabilities", "Animation speeds"};

// The control that has the keyboard focus in the program, or null.
HWND FocusIn(HWND Window) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  return GetGUIThreadInfo(GetWindowThreadProcessId(Window, nullptr), &gui) ? gui.hwndFocus : nullptr;
}

std::string DefaultActionOf(IAccessible& Object) {
  BSTR action = nullptr;
  return SUCCEEDED(Object.get_accDefaultAction(Self(), &action)) && action ? test::Text(action) : "<none>";
}

// The role that the system gives a window of this kind, from its standard object made here.
long SystemRole(HWND Window) {
  TComPtr<IAccessible> object;
  if (FAILED(CreateStdAccessibleObject(Window, OBJID_CLIENT, IID_IAccessible,
                                       reinterpret_cast<void**>(object.Put()))))
    return -1;
  return RoleOf(*object.Get());
}

// The options window on the defaults, with this thread in a COM apartment of its own.
class Accessibility : public OptionsWindow {
 public:
  void SetUp() override {
    OptionsWindow::SetUp();
    Start(std::nullopt);
  }

  // The one control among Count from First whose client object has Flag in its state; -1: none,
  // -2: more than one.
  int WhichHas(int First, int Count, long Flag) {
    int found = -1;
    for (int i = 0; i < Count; ++i) {
      const TComPtr<IAccessible> object = ClientObject(Item(First + i));
      if (!object || !(StateOf(*object.Get()) & Flag)) continue;
      found = found == -1 ? i : -2;
    }
    return found;
  }

  TComApartment apartment;
};

TEST_F(Accessibility, EveryControlWithoutAWindowedLabelHasItsNameAndTheDrawnOnesTheirRoleAndState) {
  struct Expected {
    int id;
    std::string name;
    long role;  // 0: the system's, as a standard object made here gives it
  };
  std::vector<Expected> controls;
  for (int page = 0; page < 6; ++page)
    controls.push_back({idPageButton + page, PageNames[page], ROLE_SYSTEM_PAGETAB});
  for (int p = 0; p < 8; ++p) {
    controls.push_back(
        {idMarker + p, std::string("Search box position: ") + Positions[p], ROLE_SYSTEM_RADIOBUTTON});
    controls.push_back({idCorner + p, std::string("Active corner: ") + Positions[p], 0});
  }
  controls.push_back({idKeys, "Key", 0});
  controls.push_back({302, "Desktop opacity", 0});
  controls.push_back({510, "Area size", 0});
  controls.push_back({511, "Activation delay", 0});
  controls.push_back({700, "Activation and deactivation duration", 0});
  controls.push_back({701, "Search transition duration", 0});

  for (const Expected& e : controls) {
    SCOPED_TRACE(e.id);
    const HWND control = Item(e.id);
    ASSERT_TRUE(control);
    const TComPtr<IAccessible> object = ClientObject(control);
    ASSERT_TRUE(object);
    EXPECT_EQ(NameOf(*object.Get()), e.name);
    EXPECT_EQ(RoleOf(*object.Get()), e.role ? e.role : SystemRole(control));
  }

  // At the start the first page is shown and the search box sits at the top left (the defaults).
  EXPECT_EQ(WhichHas(idPageButton, 6, STATE_SYSTEM_SELECTED), 0);
  EXPECT_EQ(WhichHas(idPageButton, 6, STATE_SYSTEM_SELECTABLE), -2) << "every page tab can be selected";
  EXPECT_EQ(WhichHas(idMarker, 8, STATE_SYSTEM_CHECKED), 0);
}

TEST_F(Accessibility, ClicksAndDefaultActionsMoveTheSelectionAndTheCheck) {
  // A user's clicks.
  Click(Item(idPageButton + 4));
  EXPECT_EQ(WhichHas(idPageButton, 6, STATE_SYSTEM_SELECTED), 4);
  Click(Item(idMarker + 3));
  EXPECT_EQ(WhichHas(idMarker, 8, STATE_SYSTEM_CHECKED), 3);

  // The default actions do what the clicks do: the page switches, the search position is chosen
  // and Apply is enabled.
  const TComPtr<IAccessible> marker = ClientObject(Item(idMarker + 6));
  BSTR action = nullptr;
  ASSERT_EQ(marker->get_accDefaultAction(Self(), &action), S_OK);
  EXPECT_EQ(WideToAnsi(std::wstring(action, SysStringLen(action))), "Check");
  SysFreeString(action);
  Click(Item(idApply));
  ASSERT_FALSE(IsWindowEnabled(Item(idApply)));
  EXPECT_EQ(marker->accDoDefaultAction(Self()), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return WhichHas(idMarker, 8, STATE_SYSTEM_CHECKED) == 6; }));
  EXPECT_TRUE(IsWindowEnabled(Item(idApply)));

  const TComPtr<IAccessible> tab = ClientObject(Item(idPageButton + 2));
  EXPECT_EQ(tab->accDoDefaultAction(Self()), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return WhichHas(idPageButton, 6, STATE_SYSTEM_SELECTED) == 2; }));
  EXPECT_TRUE(IsWindowVisible(Item(idFirstPage + 2)));
  EXPECT_FALSE(IsWindowVisible(Item(idFirstPage + 4)));

  // The program ends as usual while a client still holds its objects, which then only fail.
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program->WaitExit(10000), 0u);
  BSTR name = nullptr;
  EXPECT_TRUE(FAILED(tab->get_accName(Self(), &name)));
  EXPECT_EQ(name, nullptr);
}

// Ctrl+Tab brings a page and the focus onto its first control; going up from there, a screen reader
// finds the page by its title, which the page shows at its top, not by its internal name.
TEST_F(Accessibility, AfterControlTabThePageAboveTheFocusIsNamedByItsTitle) {
  for (int step = 1; step <= 6; ++step) {
    const int page = step % 6;
    SCOPED_TRACE(page);
    Press({VK_CONTROL, VK_TAB});
    ASSERT_TRUE(WaitUntil([&] { return IsChild(Item(idFirstPage + page), FocusIn(window)) != FALSE; }));
    // From the control up, each window's client object: where a screen reader arrives going from
    // object to parent (under Wine, whose window objects know no parent, the only way up).
    std::string found = "<no property page>";
    for (HWND w = GetParent(FocusIn(window)); w && w != window; w = GetParent(w)) {
      const TComPtr<IAccessible> object = ClientObject(w);
      if (object && RoleOf(object) == ROLE_SYSTEM_PROPERTYPAGE) {
        found = NameOf(object);
        break;
      }
    }
    EXPECT_EQ(found, PageTitles[page]);
  }
  // The first control of the keyboard page, reached so, says what it is for.
  Press({VK_CONTROL, VK_NEXT});
  Press({VK_CONTROL, VK_NEXT});
  ASSERT_TRUE(WaitUntil([&] { return FocusIn(window) == Item(idShift); }));
  EXPECT_EQ(DescriptionOf(ClientObject(Item(idShift))),
            "Panoplex can be launched by using a system wide keyboard shortcut. When you press the selected "
            "keys, Panoplex will launch no matter which application is currently running.");
}

// What an accessibility checker does: one pass over every control of every page (and the window's
// own controls beside the pages), through the objects that assistive technology gets, each control
// held to every rule of the table. A control added later is checked by the same rules.
TEST_F(Accessibility, EveryControlOfEveryPageKeepsTheCheckersRules) {
  // Wine's standard objects know no system control: each is a plain client (see README).
  const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  struct TSeen {
    HWND window;
    std::string what;  // for the report: page, class, identifier
    bool ours;         // a window class of the program's own, not a system control
    bool beside;       // a control among others on one page (a page itself is not)
    std::string name = "<none>";
    long role = -1, state = 0;
    long left = 0, top = 0, width = 0, height = 0;
  };
  struct TView {
    RECT client;                       // the window's client area, on the screen
    std::set<HWND> reached;            // what the keyboard reaches
    std::multiset<std::string> names;  // of the controls side by side
  };
  // Labels have no window and so no object of their own: their text reaches assistive technology
  // as the names and descriptions of the controls, so only controls can share a name here.
  const struct {
    const char* rule;
    std::function<bool(const TSeen&, const TView&)> holds;
  } rules[] = {
      {"it has a name", [](const TSeen& c, const TView&) { return !c.name.empty() && c.name != "<none>"; }},
      {"a control of our own has a role more than a client's",
       [](const TSeen& c, const TView&) { return !c.ours || (c.role > 0 && c.role != ROLE_SYSTEM_CLIENT); }},
      {"a system control has the system's role for its kind",
       [&](const TSeen& c, const TView&) {
         return c.ours || wine || (c.role > 0 && c.role != ROLE_SYSTEM_CLIENT);
       }},
      {"a control that takes the focus is reached by the keyboard",
       [](const TSeen& c, const TView& v) {
         return !(c.state & STATE_SYSTEM_FOCUSABLE) || v.reached.count(c.window);
       }},
      {"its rectangle lies inside the window",
       [](const TSeen& c, const TView& v) {
         return c.width > 0 && c.height > 0 && c.left >= v.client.left && c.top >= v.client.top &&
                c.left + c.width <= v.client.right && c.top + c.height <= v.client.bottom;
       }},
      {"no other control beside it has its name",
       [](const TSeen& c, const TView& v) { return !c.beside || v.names.count(c.name) == 1; }},
  };

  const std::set<std::string> systemClasses = {"Button", "ComboBox", "msctls_trackbar32", "SysTabControl32"};
  const auto see = [&](HWND w, const std::string& where, bool beside) {
    char className[64] = {};
    GetClassNameA(w, className, sizeof className);
    TSeen c{w, where + " " + className + " " + std::to_string(GetDlgCtrlID(w)),
            !systemClasses.count(className), beside};
    const TComPtr<IAccessible> object = ClientObject(w);
    if (object) {
      c.name = NameOf(object);
      c.role = RoleOf(object);
      c.state = StateOf(object);
      if (FAILED(object->accLocation(&c.left, &c.top, &c.width, &c.height, Self()))) c.width = c.height = 0;
    }
    return c;
  };
  // Every window shown under Root, at any depth.
  const auto shownUnder = [](HWND Root) {
    std::vector<HWND> found;
    EnumChildWindows(
        Root,
        [](HWND child, LPARAM list) -> BOOL {
          if (IsWindowVisible(child)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  };
  // The controls that Tab reaches from the focus, round the window and back; at a radio button the
  // arrows go round its group.
  const auto reachedByKeyboard = [&](std::size_t Stops) {
    std::set<HWND> reached;
    for (std::size_t i = 0; i < 2 * Stops; ++i) {
      Press({VK_TAB});
      const HWND at = FocusIn(window);
      if (!reached.insert(at).second) continue;
      const TComPtr<IAccessible> object = ClientObject(at);
      if (!object || RoleOf(object) != ROLE_SYSTEM_RADIOBUTTON) continue;
      for (std::size_t k = 0; k < Stops; ++k) {
        Press({VK_RIGHT});
        if (!reached.insert(FocusIn(window)).second) break;
      }
    }
    return reached;
  };

  TView view;
  GetClientRect(window, &view.client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&view.client), 2);
  const HWND pages = GetParent(Item(idFirstPage));
  for (int page = 0; page < 6; ++page) {
    ShowPage(page);
    const HWND pane = Item(idFirstPage + page);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(pane) != FALSE; }));
    // The page, the controls on it, and the window's own controls that stand alone (the page tabs and
    // the push buttons; the bar and the page control only hold others).
    std::vector<TSeen> seen{see(pane, "page " + std::to_string(page), false)};
    for (HWND w : shownUnder(pane)) seen.push_back(see(w, "page " + std::to_string(page), true));
    std::vector<TSeen> own;
    for (HWND w : shownUnder(window))
      if (w != pages && !IsChild(pages, w) && !GetWindow(w, GW_CHILD)) own.push_back(see(w, "window", false));
    seen.insert(seen.end(), own.begin(), own.end());
    view.names.clear();
    for (const TSeen& c : seen)
      if (c.beside) view.names.insert(c.name);
    view.reached = reachedByKeyboard(seen.size());
    for (const TSeen& c : seen)
      for (const auto& [rule, holds] : rules)
        EXPECT_TRUE(holds(c, view)) << c.what << " \"" << c.name << "\": " << rule;
  }
}

// Lets the events of the other process arrive, through this thread's messages, until Condition
// holds or the time is up; true when it held.
template <typename TCondition>
bool ListenUntil(TCondition&& Condition) {
  return WaitUntil([&] {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return Condition();
  });
}

TEST_F(Accessibility, ChangesOfSelectionAndCheckAreAnnounced) {
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SELECTION, EVENT_OBJECT_NAMECHANGE, nullptr,
                                             &HearClientEvent, program->Id(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_TRUE(hook);
  const auto heard = [](int Event, HWND Window) {
    return std::find(Heard.begin(), Heard.end(), TEvent{static_cast<DWORD>(Event), Window}) != Heard.end();
  };

  Heard.clear();
  Click(Item(idPageButton + 4));
  ListenUntil([&] {
    return heard(EVENT_OBJECT_STATECHANGE, Item(idPageButton + 0)) &&
           heard(EVENT_OBJECT_STATECHANGE, Item(idPageButton + 4)) &&
           heard(EVENT_OBJECT_SELECTION, Item(idPageButton + 4));
  });
  EXPECT_TRUE(heard(EVENT_OBJECT_STATECHANGE, Item(idPageButton + 0))) << "the page tab that was selected";
  EXPECT_TRUE(heard(EVENT_OBJECT_STATECHANGE, Item(idPageButton + 4)));
  EXPECT_TRUE(heard(EVENT_OBJECT_SELECTION, Item(idPageButton + 4)));

  Heard.clear();
  Click(Item(idMarker + 5));
  ListenUntil([&] {
    return heard(EVENT_OBJECT_STATECHANGE, Item(idMarker + 0)) &&
           heard(EVENT_OBJECT_STATECHANGE, Item(idMarker + 5));
  });
  // Whatever else the click announced came with these: the program has handled it, and every event
  // it raised meanwhile has arrived.
  ASSERT_TRUE(test::RoundTrips(window));
  ListenUntil([] { return true; });
  EXPECT_TRUE(heard(EVENT_OBJECT_STATECHANGE, Item(idMarker + 0))) << "the marker that was checked";
  EXPECT_TRUE(heard(EVENT_OBJECT_STATECHANGE, Item(idMarker + 5)));
  for (int p : {1, 2, 3, 4, 6, 7}) EXPECT_FALSE(heard(EVENT_OBJECT_STATECHANGE, Item(idMarker + p))) << p;

  UnhookWinEvent(hook);
}

// While the settings file is unread, every control on the pages is disabled in itself, not only
// through its page: it looks disabled, tells assistive technology it is unavailable, and refuses
// its default action. Accept then closes without writing, whatever was tried.
class UnreadFile : public OptionsWindow {
 public:
  TComApartment apartment;
};

TEST_F(UnreadFile, EveryControlOnThePagesIsUnavailableAndRefusesItsDefaultAction) {
  const std::string stored = FileWith({{"search position", "3"}});
  WriteBytes(SettingsPath(), stored);
  TUniqueHandle held(CreateFileA(SettingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  Start(std::nullopt, true);
  ASSERT_TRUE(IsWindowVisible(Item(idReadAgain)));

  std::vector<HWND> controls;
  for (int page = 0; page < 6; ++page)
    EnumChildWindows(
        Item(idFirstPage + page),
        [](HWND child, LPARAM list) -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
  // 3 + 3 + 5 + 11 (the panel round the picture, 8 lists, 2 sliders) + 9 (a check box, 8 markers) + 2.
  ASSERT_EQ(controls.size(), 33u) << "every window of the six pages";
  for (HWND control : controls) {
    SCOPED_TRACE(GetDlgCtrlID(control));
    EXPECT_FALSE(IsWindowEnabled(control)) << "disabled, so drawn disabled";
    const TComPtr<IAccessible> object = ClientObject(control);
    ASSERT_TRUE(object);
    EXPECT_TRUE(StateOf(object) & STATE_SYSTEM_UNAVAILABLE);
    // Nothing offered, and a request fails rather than telling the client that it was carried out.
    EXPECT_EQ(DefaultActionOf(*object.Get()), "<none>");
    EXPECT_EQ(object->accDoDefaultAction(Self()), DISP_E_MEMBERNOTFOUND);
  }

  // A screen reader's default actions change nothing: the marker, a check box.
  ClientObject(Item(idMarker + 6))->accDoDefaultAction(Self());
  ClientObject(Item(idRunWithWindows))->accDoDefaultAction(Self());
  ASSERT_TRUE(test::RoundTrips(window));
  EXPECT_FALSE(StateOf(ClientObject(Item(idMarker + 6))) & STATE_SYSTEM_CHECKED);
  EXPECT_FALSE(Ticked(idRunWithWindows));
  EXPECT_FALSE(ApplyEnabled());

  Click(Item(idAccept));
  ExpectExit();
  held.Reset();
  EXPECT_EQ(ReadBytes(SettingsPath()), stored);
}

}  // namespace
}  // namespace px2d::e2e
