// The real program with prepared settings files, driven as a user drives it (real clicks and keys
// on controls found by their identifiers), with a stand-in for the running switcher listening:
// what the pages show, what Apply writes byte for byte, and when "WM_PX2D_SETUP" is posted.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "OptionsWindowFixture.h"
#include "support/LogPixels.h"

namespace px2d::e2e {
namespace {

// --- Loading, and what an unchanged Apply writes ---

struct TStoredCase {
  const char* name;
  std::optional<std::string> stored;
  std::function<void(OptionsWindow&)> shows;
  std::string written;
};

// Each key at a value other than its default; the corner lists alternate so that no two neighbours
// (clockwise, the eighth beside the first) hold the same action.
const std::map<std::string, std::optional<std::string>> EveryKeyElsewhereChanges = {
    {"search position", "5"},  {"include minimized", "0"},
    {"run with windows", "1"}, {"show balloon", "0"},
    {"show desktop", "0"},     {"show desktop window", "1"},
    {"desktop opacity", "30"}, {"activation key", "Ctrl+Shift+F9"},
    {"active corner 1", "2"},  {"active corner 2", "1"},
    {"active corner 3", "2"},  {"active corner 4", "1"},
    {"active corner 5", "2"},  {"active corner 6", "1"},
    {"active corner 7", "2"},  {"active corner 8", "1"},
    {"area size", "7"},        {"activation delay", "350"},
    {"enable search", "0"},    {"effect duration", "650"},
    {"search duration", "150"}};
const std::string EveryKeyElsewhere = FileWith(EveryKeyElsewhereChanges);

void ExpectShowsEveryKeyElsewhere(OptionsWindow& w, const std::string& Modifiers) {
  EXPECT_EQ(w.SelectedMarker(), 5);
  EXPECT_FALSE(w.Ticked(idIncludeMinimized));
  EXPECT_TRUE(w.Ticked(idRunWithWindows));
  EXPECT_FALSE(w.Ticked(idBalloon));
  EXPECT_FALSE(w.Ticked(idShowDesktop));
  EXPECT_TRUE(w.Ticked(idShowDesktopWindow));
  EXPECT_EQ(w.Position(idDesktopOpacity), 30);
  EXPECT_EQ(w.Selected(idKeys), "F9");
  EXPECT_EQ(Modifiers, "SC--");
  for (int corner = 0; corner < 8; ++corner)
    EXPECT_EQ(w.Selected(idCorner1 + corner),
              corner % 2 ? "Show all windows" : "Show current application windows")
        << "corner " << corner + 1;
  EXPECT_EQ(w.Position(idAreaSize), 7);
  EXPECT_EQ(w.Position(idActivationDelay), 350);
  EXPECT_FALSE(w.Ticked(idEnableSearch));
  EXPECT_EQ(w.Position(idEffectDuration), 650);
  EXPECT_EQ(w.Position(idSearchDuration), 150);
}

class StoredFiles : public OptionsWindow {
 public:
  void Check(const TStoredCase& c) {
    SCOPED_TRACE(c.name);
    Start(c.stored);
    EXPECT_FALSE(ApplyEnabled()) << "the window opens clean";
    c.shows(*this);
    TickAndUntick();
    EXPECT_TRUE(ApplyEnabled()) << "ticking and unticking leaves Apply enabled";
    Apply();
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(ReadBytes(SettingsPath()), c.written);
    Click(Item(idCancel));
    ExpectExit();
    RemoveTree(SettingsFolder());
  }
};

TEST_F(StoredFiles, PagesShowTheFileAndAnUnchangedApplyWritesItBackInItsNormalForm) {
  for (const auto& line : test::FirstFileLines)
    EXPECT_TRUE(EveryKeyElsewhereChanges.count(line.Key))
        << "every key away from its default, but \"" << line.Key << "\"";
  const auto modifiers = [](OptionsWindow& w) {
    return std::string() + (w.Ticked(idShift) ? 'S' : '-') + (w.Ticked(idControl) ? 'C' : '-') +
           (w.Ticked(idAlt) ? 'A' : '-') + (w.Ticked(idWin) ? 'W' : '-');
  };
  const TStoredCase cases[] = {
      {"no settings file: the defaults, written as 21 keys with the search position first", std::nullopt,
       [&](OptionsWindow& o) {
         auto& w = o;
         EXPECT_EQ(w.Selected(idKeys), "F11");
         EXPECT_EQ(modifiers(w), "----");
         EXPECT_TRUE(w.Ticked(idIncludeMinimized));
         EXPECT_EQ(w.Position(idDesktopOpacity), 75);
         EXPECT_EQ(w.Selected(idCorner1), "Show all windows");
         EXPECT_EQ(w.SelectedMarker(), 0);
       },
       FileWith()},
      {"shift+ctrl+f11", FileWith({{"activation key", "shift+ctrl+f11"}}),
       [&](OptionsWindow& o) {
         auto& w = o;
         EXPECT_EQ(w.Selected(idKeys), "F11");
         EXPECT_EQ(modifiers(w), "SC--");
       },
       FileWith({{"activation key", "Ctrl+Shift+F11"}})},
      {"Win+A", FileWith({{"activation key", "Win+A"}}),
       [&](OptionsWindow& o) {
         auto& w = o;
         EXPECT_EQ(w.Selected(idKeys), "A");
         EXPECT_EQ(modifiers(w), "---W");
       },
       FileWith({{"activation key", "Win+A"}})},
      {"a key text that names no key is removed", FileWith({{"activation key", "Ctrl+Nokey"}}),
       [&](OptionsWindow& o) {
         auto& w = o;
         EXPECT_EQ(w.Selected(idKeys), "");
         EXPECT_EQ(modifiers(w), "----");
       },
       FileWith({{"activation key", std::nullopt}})},
      {"out of range: clamped", FileWith({{"area size", "40"}, {"desktop opacity", "-5"}}),
       [](OptionsWindow& o) {
         auto& w = o;
         EXPECT_EQ(w.Position(idAreaSize), 16);
         EXPECT_EQ(w.Position(idDesktopOpacity), 0);
       },
       FileWith({{"area size", "16"}, {"desktop opacity", "0"}})},
      {"a corner action outside the list", FileWith({{"active corner 3", "7"}}),
       [](OptionsWindow& o) { EXPECT_EQ(o.Selected(idCorner1 + 2), ""); },
       FileWith({{"active corner 3", "-1"}})},
      {"no corner action", FileWith({{"active corner 3", "-1"}}),
       [](OptionsWindow& o) { EXPECT_EQ(o.Selected(idCorner1 + 2), ""); },
       FileWith({{"active corner 3", "-1"}})},
      {"search position 8 is kept", FileWith({{"search position", "8"}}),
       [](OptionsWindow& o) { EXPECT_EQ(o.SelectedMarker(), -1); }, FileWith({{"search position", "8"}})},
      {"search position -1 is kept", FileWith({{"search position", "-1"}}),
       [](OptionsWindow& o) { EXPECT_EQ(o.SelectedMarker(), -1); }, FileWith({{"search position", "-1"}})},
      {"lines the window does not know stay where they are, with CR LF",
       std::string("future key=42\nrun with windows=1\nRUN WITH WINDOWS=0\na line without equals\n=5\n"),
       [](OptionsWindow& o) { EXPECT_TRUE(o.Ticked(idRunWithWindows)) << "the first line of a name counts"; },
       "future key=42\r\nrun with windows=1\r\nRUN WITH WINDOWS=0\r\na line without equals\r\n=5\r\n"
       "search position=0\r\n" +
           [] {
             std::string rest =
                 FileWith({{"search position", std::nullopt}, {"run with windows", std::nullopt}});
             return rest;
           }()},
      {"values that are no numbers take their defaults",
       FileWith({{"effect duration", "abc"}, {"area size", ""}}),
       [](OptionsWindow& o) {
         auto& w = o;
         EXPECT_EQ(w.Position(idEffectDuration), 400);
         EXPECT_EQ(w.Position(idAreaSize), 1);
       },
       FileWith()},
      {"every key away from its default, each corner unlike its neighbours: shown, and written back",
       EveryKeyElsewhere, [&](OptionsWindow& o) { ExpectShowsEveryKeyElsewhere(o, modifiers(o)); },
       EveryKeyElsewhere},
  };
  for (const TStoredCase& c : cases) Check(c);
}

// --- Edits ---

TEST_F(OptionsWindow, PageSwitchesChangeNeitherApplyNorTheFile) {
  Start(std::nullopt);
  for (int page : {1, 2, 3, 4, 5, 0}) {
    ShowPage(page);
    EXPECT_FALSE(ApplyEnabled()) << page;
  }
  Click(Item(idAccept));
  ExpectExit();
  EXPECT_FALSE(ReadBytes(SettingsPath())) << "Accept without edits writes nothing";
}

// Each control of the pages edited by real input: the edit enables Apply, and how the window
// closes decides what the file holds. A new control adds its row here.
enum TClose {
  byApply,   // Apply writes the edit, and the window stays open for the next row
  byAccept,  // Accept applies and closes
  byCancel,  // Cancel closes, and the file stays as it was
};

struct TEditCase {
  const char* name;
  int page;
  std::function<void(OptionsWindow&)> input;  // on the page shown
  const char* key;                            // the key that the edit changes, and its value in the file
  const char* value;
  TClose close;
};

// A check box ticked or unticked by a click.
std::function<void(OptionsWindow&)> ClickBox(int Id) {
  return [Id](OptionsWindow& w) {
    const bool ticked = w.Ticked(Id);
    Click(w.Item(Id));
    EXPECT_TRUE(WaitUntil([&] { return w.Ticked(Id) != ticked; }));
  };
}

// A list opened by a click, the next entry chosen with Down and taken with Enter.
std::function<void(OptionsWindow&)> NextEntry(int Id, const char* Entry) {
  return [Id, Entry](OptionsWindow& w) {
    Click(w.Item(Id));
    Press({VK_DOWN});
    Press({VK_RETURN});
    EXPECT_EQ(w.Selected(Id), Entry);
  };
}

// A slider clicked on its channel right of the thumb, which moves it on by a page and gives it the
// focus, then moved with keys: an end of its range, and then steps.
std::function<void(OptionsWindow&)> SlideTo(int Id, WORD End, std::vector<WORD> Steps = {}) {
  return [Id, End, Steps](OptionsWindow& w) {
    const HWND slider = w.Item(Id);
    const int before = w.Position(Id);
    RECT r;
    GetClientRect(slider, &r);
    ClickAt(slider, r.right - 20, r.bottom / 2);
    EXPECT_TRUE(WaitUntil([&] { return w.Position(Id) > before; }))
        << "a click right of the thumb moves it on";
    Press({End});
    for (WORD step : Steps) Press({step});
  };
}

// A marker clicked: it shows its position as chosen.
std::function<void(OptionsWindow&)> ChooseMarker(int Position) {
  return [Position](OptionsWindow& w) {
    Click(w.Item(idMarker + Position));
    EXPECT_EQ(w.SelectedMarker(), Position);
  };
}

TEST_F(OptionsWindow, AnEditOfEachControlEnablesApplyAndIsWrittenByApplyOrAcceptAndDiscardedByCancel) {
  const TEditCase cases[] = {
      {"run with windows", 0, ClickBox(idRunWithWindows), "run with windows", "1", byApply},
      {"minimized windows", 0, ClickBox(idIncludeMinimized), "include minimized", "0", byApply},
      {"balloon", 0, ClickBox(idBalloon), "show balloon", "0", byAccept},
      {"desktop", 1, ClickBox(idShowDesktop), "show desktop", "0", byApply},
      {"desktop as a window", 1, ClickBox(idShowDesktopWindow), "show desktop window", "1", byApply},
      {"desktop opacity", 1, SlideTo(idDesktopOpacity, VK_HOME, {VK_RIGHT}), "desktop opacity", "1", byApply},
      {"Shift", 2, ClickBox(idShift), "activation key", "Shift+F11", byApply},
      {"Control", 2, ClickBox(idControl), "activation key", "Ctrl+F11", byCancel},
      {"Alt", 2, ClickBox(idAlt), "activation key", "Alt+F11", byApply},
      {"Win", 2, ClickBox(idWin), "activation key", "Win+F11", byAccept},
      {"the key", 2, NextEntry(idKeys, "F12"), "activation key", "F12", byApply},
      {"corner 1", 3, NextEntry(idCorner1, "Show current application windows"), "active corner 1", "2",
       byApply},
      {"corner 2", 3, NextEntry(idCorner1 + 1, "Show all windows"), "active corner 2", "1", byApply},
      {"corner 3", 3, NextEntry(idCorner1 + 2, "Show all windows"), "active corner 3", "1", byApply},
      {"corner 4", 3, NextEntry(idCorner1 + 3, "Show all windows"), "active corner 4", "1", byApply},
      {"corner 5", 3, NextEntry(idCorner1 + 4, "Show all windows"), "active corner 5", "1", byApply},
      {"corner 6", 3, NextEntry(idCorner1 + 5, "Show all windows"), "active corner 6", "1", byApply},
      {"corner 7", 3, NextEntry(idCorner1 + 6, "Show all windows"), "active corner 7", "1", byApply},
      {"corner 8", 3, NextEntry(idCorner1 + 7, "Show all windows"), "active corner 8", "1", byCancel},
      {"area size", 3, SlideTo(idAreaSize, VK_END), "area size", "16", byApply},
      {"activation delay", 3, SlideTo(idActivationDelay, VK_END, {VK_LEFT}), "activation delay", "950",
       byApply},
      {"search", 4, ClickBox(idEnableSearch), "enable search", "0", byApply},
      {"marker right middle", 4, ChooseMarker(3), "search position", "3", byApply},
      {"marker bottom left", 4, ChooseMarker(6), "search position", "6", byCancel},
      {"effect duration", 5, SlideTo(idEffectDuration, VK_HOME, {VK_RIGHT}), "effect duration", "50",
       byApply},
      {"search duration", 5, SlideTo(idSearchDuration, VK_END), "search duration", "1000", byAccept},
  };
  // The program starts on a file of the defaults, and after an Apply the next row goes on in the same
  // window (a start costs more than the rest of a row): the file then holds the edits applied there
  // so far, and each row changes its own key alone. A row whose key was applied already in the
  // window starts a new one, so that every row's value is the one its edit gives from the default.
  TSwitcherStandIn switcher;
  std::size_t broadcasts = 0;
  std::map<std::string, std::optional<std::string>> applied;  // in the open window
  for (const TEditCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (program && applied.count(c.key)) {
      Click(Item(idCancel));
      ExpectExit();
      program.reset();
    }
    if (!program) {
      RemoveTree(SettingsFolder());
      applied.clear();
      Start(FileWith());
    }
    ShowPage(c.page);
    c.input(*this);
    EXPECT_TRUE(ApplyEnabled());
    const std::string before = FileWith(applied);
    applied[c.key] = c.value;
    const std::string edited = FileWith(applied);
    if (c.close == byApply) {
      Apply();
      EXPECT_EQ(ReadBytes(SettingsPath()), edited);
      EXPECT_EQ(switcher.Messages(window).size(), ++broadcasts) << "Apply broadcasts once";
      continue;
    }
    Click(Item(c.close == byAccept ? idAccept : idCancel));
    ExpectExit();
    program.reset();
    if (c.close == byAccept) ++broadcasts;
    EXPECT_EQ(ReadBytes(SettingsPath()), c.close == byCancel ? before : edited);
    EXPECT_EQ(switcher.Messages().size(), broadcasts)
        << "only Apply broadcasts: not an edit, a marker or closing";
  }
  if (program) {
    Click(Item(idCancel));
    ExpectExit();
  }
}

// --- Apply, Accept, Cancel and closing, with the switcher listening ---

TEST_F(OptionsWindow, OnlyApplyBroadcastsAndOnlyAfterTheWholeFileIsOnDisk) {
  struct Case {
    const char* name;
    bool edit;
    std::function<void(OptionsWindow&)> act;
    bool written;
  };
  const auto close = [](int Id) { return [Id](OptionsWindow& w) { Click(w.Item(Id)); }; };
  const auto closeBox = [](OptionsWindow& w) { PostMessageA(w.window, WM_SYSCOMMAND, SC_CLOSE, 0); };
  const Case cases[] = {
      {"clean Accept", false, close(idAccept), false}, {"clean Cancel", false, close(idCancel), false},
      {"dirty Cancel", true, close(idCancel), false},  {"dirty close box", true, closeBox, false},
      {"dirty Accept", true, close(idAccept), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSwitcherStandIn switcher;
    Start(FileWith({{"run with windows", "1"}}));
    if (c.edit) Click(Item(idRunWithWindows));
    c.act(*this);
    ExpectExit();
    const std::string expected = FileWith({{"run with windows", c.written ? "0" : "1"}});
    EXPECT_EQ(ReadBytes(SettingsPath()), expected);
    const auto messages = switcher.Messages();
    ASSERT_EQ(messages.size(), c.written ? 1u : 0u);
    if (c.written) {
      EXPECT_EQ(messages[0].wParam, 0u);
      EXPECT_EQ(messages[0].lParam, 0);
      EXPECT_EQ(messages[0].file, expected);
    }
  }

  // Apply, then Accept with nothing left to apply: one message in all.
  TSwitcherStandIn switcher;
  Start(std::nullopt);
  Click(Item(idRunWithWindows));
  Apply();
  const auto afterApply = switcher.Messages(window);
  ASSERT_EQ(afterApply.size(), 1u);
  EXPECT_EQ(afterApply[0].file, FileWith({{"run with windows", "1"}}))
      << "the file was complete when it came";
  EXPECT_FALSE(ApplyEnabled());
  Click(Item(idAccept));
  ExpectExit();
  EXPECT_EQ(switcher.Messages().size(), 1u);
}

// --- Failures ---

TEST_F(OptionsWindow, AFileThatCannotBeWrittenIsReportedKeptAndNothingIsBroadcast) {
  struct Case {
    const char* name;
    std::function<HANDLE()> block;
    std::function<void(HANDLE)> release;
  };
  const Case cases[] = {
      {"held open by another program",
       [] {
         return CreateFileA(SettingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
       },
       [](HANDLE h) { CloseHandle(h); }},
      {"read-only",
       [] {
         SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY);
         return HANDLE{};
       },
       [](HANDLE) { SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSwitcherStandIn switcher;
    const std::string stored = FileWith({{"effect duration", "250"}});
    Start(stored);
    Click(Item(idRunWithWindows));
    HANDLE held = c.block();
    std::string error;
    {
      std::thread answer([&] { error = AnswerBox(Title); });
      Click(Item(idApply));
      answer.join();
    }
    EXPECT_EQ(error.rfind("Cannot create file \"", 0), 0u) << error;
    EXPECT_TRUE(ApplyEnabled()) << "the edits are still to be applied";
    {
      std::thread answer([&] { error = AnswerBox(Title); });
      Click(Item(idAccept));
      answer.join();
    }
    EXPECT_NE(error, "<no box>");
    EXPECT_TRUE(IsWindow(window)) << "Accept does not close after a failed Apply";
    c.release(held);
    EXPECT_EQ(ReadBytes(SettingsPath()), stored) << "the file is byte for byte what it was";
    EXPECT_TRUE(switcher.Messages(window).empty());
    Apply();
    EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"effect duration", "250"}, {"run with windows", "1"}}));
    EXPECT_EQ(switcher.Messages(window).size(), 1u);
    Click(Item(idCancel));
    ExpectExit();
  }
}

TEST_F(OptionsWindow, AFileThatCannotBeReadIsNeverOverwrittenUntilItHasBeenRead) {
  TSwitcherStandIn switcher;
  const std::string stored = FileWith({{"run with windows", "1"}, {"area size", "9"}});
  WriteBytes(SettingsPath(), stored);
  HANDLE held = CreateFileA(SettingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Start(std::nullopt, true);
  EXPECT_EQ(startError.rfind("Cannot open file \"", 0), 0u) << startError;
  EXPECT_TRUE(IsWindowVisible(Item(idReadAgain))) << "the window says why and offers to read again";
  EXPECT_FALSE(Ticked(idRunWithWindows)) << "the pages show the defaults, not the file";
  // Nothing can be edited, so nothing can be lost or written: the pages are disabled.
  EXPECT_FALSE(IsWindowEnabled(Item(idFirstPage)));
  Click(Item(idIncludeMinimized));
  EXPECT_FALSE(ApplyEnabled());

  // Read again while the file is still held: the same error, nothing changes.
  std::string again;
  {
    std::thread answer([&] { again = AnswerBox(Title); });
    Click(Item(idReadAgain));
    answer.join();
  }
  EXPECT_EQ(again.rfind("Cannot open file \"", 0), 0u) << again;
  EXPECT_TRUE(IsWindowVisible(Item(idReadAgain)));
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(SettingsPath()), stored);
  EXPECT_TRUE(switcher.Messages(window).empty());

  // Once the other program lets go, the file is read, the pages show it and can be edited. The
  // click reaches the window through the display: the window shows when it has read the file.
  Click(Item(idReadAgain));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(Item(idReadAgain)); }));
  EXPECT_TRUE(IsWindowEnabled(Item(idFirstPage)));
  EXPECT_TRUE(Ticked(idRunWithWindows));
  EXPECT_EQ(Position(idAreaSize), 9);
  EXPECT_FALSE(ApplyEnabled());
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui);
  EXPECT_EQ(gui.hwndFocus, Item(idRunWithWindows)) << "the focus on the first control of the page";
  TickAndUntick();
  Apply();
  EXPECT_EQ(ReadBytes(SettingsPath()), stored);
  EXPECT_EQ(switcher.Messages(window).size(), 1u);
  Click(Item(idCancel));
  ExpectExit();
}

TEST_F(OptionsWindow, AcceptWhileTheFileIsUnreadClosesWithoutWritingIt) {
  const std::string stored = FileWith({{"run with windows", "1"}});
  WriteBytes(SettingsPath(), stored);
  HANDLE held = CreateFileA(SettingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Start(std::nullopt, true);
  Click(Item(idAccept));
  ExpectExit();
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(SettingsPath()), stored);
}

TEST_F(OptionsWindow, EnterAppliesAndClosesEscapeDoesNothing) {
  TSwitcherStandIn switcher;
  Start(FileWith());
  Click(Item(idRunWithWindows));
  Press({VK_ESCAPE});
  EXPECT_TRUE(IsWindow(window)) << "no button is the cancel button";
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith());
  Press({VK_RETURN});  // the focus is on the check box: Enter presses Accept
  ExpectExit();
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"run with windows", "1"}}));
  EXPECT_EQ(switcher.Messages().size(), 1u);
}

TEST_F(OptionsWindow, RestoreDefaultsSetsThePagesAndKeepsKeysTheWindowDoesNotShow) {
  const std::string stored = "future key=42\r\n" + FileWith({{"run with windows", "1"}, {"area size", "9"}});
  Start(stored);
  PostMessageA(window, WM_SYSCOMMAND, 0x0100, 0);  // the system menu's "Restore defaults"
  ASSERT_TRUE(WaitUntil([&] { return ApplyEnabled(); }));
  EXPECT_FALSE(Ticked(idRunWithWindows));
  EXPECT_EQ(Position(idAreaSize), 1);
  EXPECT_TRUE(ApplyEnabled());
  Click(Item(idCancel));
  ExpectExit();
  EXPECT_EQ(ReadBytes(SettingsPath()), stored) << "Cancel discards it";

  Start(stored);
  PostMessageA(window, WM_SYSCOMMAND, 0x0100, 0);
  ASSERT_TRUE(WaitUntil([&] { return ApplyEnabled(); }));
  Apply();
  EXPECT_EQ(ReadBytes(SettingsPath()), "future key=42\r\n" + FileWith());
  Click(Item(idCancel));
  ExpectExit();
}

// --- Identifiers and resolution ---

TEST_F(OptionsWindow, EveryWindowedControlHasItsFixedIdentifier) {
  Start(std::nullopt);
  struct Expected {
    int id;
    const char* className;
    const char* text;
  };
  const Expected controls[] = {
      {10, "Button", "Apply"},
      {11, "Button", "Cancel"},
      {12, "Button", "Accept"},
      {100, "TGlassButton", "General Options"},
      {101, "TGlassButton", "Background"},
      {102, "TGlassButton", "Keyboard Activation"},
      {103, "TGlassButton", "Active\r\nCorners"},
      {104, "TGlassButton", "Search Capabilities"},
      {105, "TGlassButton", "Animation Speeds"},
      {200, "Button", "Run when Windows starts."},
      {201, "Button", "Show the system tray balloon when Panoplex starts."},
      {202, "Button", "Include minimized windows."},
      {300, "Button", "Show desktop in the background."},
      {301, "Button", "Include the desktop as a window."},
      {302, TRACKBAR_CLASSA, ""},
      {400, "Button", "Shift"},
      {401, "Button", "Control"},
      {402, "Button", "Alt"},
      {403, "Button", "Win"},
      {404, "ComboBox", nullptr},
      {510, TRACKBAR_CLASSA, ""},
      {511, TRACKBAR_CLASSA, ""},
      {600, "Button", "Enable search capabilities."},
      {700, TRACKBAR_CLASSA, ""},
      {701, TRACKBAR_CLASSA, ""},
  };
  for (const Expected& e : controls) {
    HWND h = Item(e.id);
    ASSERT_TRUE(h) << e.id;
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    EXPECT_STRCASEEQ(name, e.className) << e.id;
    if (e.text) {
      EXPECT_EQ(WindowText(h), e.text) << e.id;
    }
  }
  for (int n = 1; n <= 8; ++n) EXPECT_TRUE(Item(500 + n)) << "corner list " << n;
  for (int p = 0; p < 8; ++p) {
    char name[64] = {};
    GetClassNameA(Item(idMarker + p), name, sizeof name);
    EXPECT_STREQ(name, "TSmoothButton") << p;
  }
  Click(Item(idCancel));
  ExpectExit();
}

TEST_F(OptionsWindow, At144PixelsPerInchEverythingIsScaledOnce) {
  // Wine reads the resolution from the registry for every new process; Windows does not, and a test
  // must not change the resolution of the user's own desktop there.
  if (!test::WineReadsLogPixels()) GTEST_SKIP() << "Wine's LogPixels only";
  {
    const test::TLogPixels resolution(144);
    Start(std::nullopt);
  }
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 885);
  EXPECT_EQ(client.bottom, 834);
  const auto bounds = [this](int Id) {
    RECT r;
    GetWindowRect(Item(Id), &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  struct Expected {
    int id;
    RECT at;  // in the window's client area: the designed edges times 1.5
  };
  const Expected controls[] = {
      {idApply, {737, 784, 873, 822}},          // 491, 8 in the bar 41 high at the bottom; anchored right
      {idPageButton + 0, {12, 12, 134, 135}},   // 8, 8, 81 by 82
      {idPageButton + 5, {665, 12, 786, 135}},  // 443, 8
  };
  // Inside a page, in its panel: (65, 43), 145 by 23.
  RECT corner;
  GetWindowRect(Item(idCorner1), &corner);
  MapWindowPoints(HWND_DESKTOP, GetParent(Item(idCorner1)), reinterpret_cast<POINT*>(&corner), 2);
  EXPECT_EQ(corner.left, 98);
  EXPECT_EQ(corner.top, 65);
  EXPECT_EQ(corner.right, 315);
  for (const Expected& e : controls) {
    const RECT r = bounds(e.id);
    EXPECT_TRUE(EqualRect(&r, &e.at))
        << e.id << ": (" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
  }
  Click(Item(idCancel));
  ExpectExit();
}

}  // namespace
}  // namespace px2d::e2e
