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

TEST_F(OptionsWindow, AChangedCornerListEnablesApplyAndAcceptWritesIt) {
  TSwitcherStandIn switcher;
  Start(FileWith());
  ShowPage(3);
  Click(Item(idCorner1));  // opens the list
  Press({VK_DOWN});
  Press({VK_RETURN});
  EXPECT_EQ(Selected(idCorner1), "Show current application windows");
  EXPECT_TRUE(ApplyEnabled());
  Click(Item(idAccept));
  ExpectExit();
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"active corner 1", "2"}}));
  const auto messages = switcher.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].file, FileWith({{"active corner 1", "2"}}));
}

TEST_F(OptionsWindow, AMarkerClickSelectsItsPositionEnablesApplyAndCancelDiscardsIt) {
  TSwitcherStandIn switcher;
  Start(FileWith());
  ShowPage(4);
  Click(Item(idMarker + 3));  // right-middle
  EXPECT_TRUE(ApplyEnabled());
  EXPECT_EQ(SelectedMarker(), 3);
  Click(Item(idCancel));
  ExpectExit();
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith()) << "nothing written on closing";

  Start(std::nullopt);
  ShowPage(4);
  Click(Item(idMarker + 3));
  Apply();
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"search position", "3"}}));
  Click(Item(idCancel));
  ExpectExit();
  EXPECT_EQ(switcher.Messages().size(), 1u) << "only Apply broadcasts: not loading, the marker or closing";
}

TEST_F(OptionsWindow, ASliderMovedByTheMouseAndTheKeyboardIsWrittenByApply) {
  Start(FileWith());
  ShowPage(5);
  const HWND slider = Item(idEffectDuration);
  // A click on the channel right of the thumb moves it on by a page; the slider takes the focus.
  RECT r;
  GetClientRect(slider, &r);
  ClickAt(slider, r.right - 20, r.bottom / 2);
  ASSERT_TRUE(WaitUntil([&] { return Position(idEffectDuration) > 400; }));
  const int byMouse = Position(idEffectDuration);
  EXPECT_TRUE(ApplyEnabled());
  ASSERT_LE(byMouse, 950);
  // Right moves it one step on, 50 ms.
  Press({VK_RIGHT});
  ASSERT_TRUE(WaitUntil([&] { return Position(idEffectDuration) == byMouse + 50; }));
  Apply();
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"effect duration", std::to_string(byMouse + 50)}}));
  Click(Item(idCancel));
  ExpectExit();
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
