// The real program started on a prepared settings file, its window found and driven as a user
// drives it: shared by the end-to-end tests of the options window.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "E2eSupport.h"
#include "support/FirstFile.h"

namespace px2d::e2e {

inline constexpr const char* Title = "Panoplex 2D Options";

// Control identifiers.
enum : int {
  idApply = 10,
  idCancel = 11,
  idAccept = 12,
  idReadAgain = 13,
  idFirstPage = 22,
  idRunWithWindows = 200,
  idBalloon = 201,
  idIncludeMinimized = 202,
  idShowDesktop = 300,
  idShowDesktopWindow = 301,
  idDesktopOpacity = 302,
  idShift = 400,
  idControl = 401,
  idAlt = 402,
  idWin = 403,
  idKeys = 404,
  idCorner1 = 501,
  idEnableSearch = 600,
  idAreaSize = 510,
  idActivationDelay = 511,
  idEffectDuration = 700,
  idSearchDuration = 701,
  idPageButton = 100,  // + page
  idMarker = 610,      // + search position
};

// A settings file of every key with its default, in the order in which a first Apply writes them
// (the first file), but for the changed values (none: the line is left out). A change of a key that
// the file does not hold would leave the file as it is without a word: it is refused.
inline std::string FileWith(const std::map<std::string, std::optional<std::string>>& Changes = {}) {
  for (const auto& change : Changes) {
    const auto& lines = test::FirstFileLines;
    if (std::none_of(std::begin(lines), std::end(lines),
                     [&](const auto& line) { return change.first == line.Key; }))
      throw std::invalid_argument("FileWith: no key \"" + change.first + "\" in the first file");
  }
  std::string text;
  for (const auto& [key, value] : test::FirstFileLines) {
    const auto change = Changes.find(key);
    if (change == Changes.end())
      text += std::string(key) + "=" + value + "\r\n";
    else if (change->second)
      text += std::string(key) + "=" + *change->second + "\r\n";
  }
  return text;
}

class OptionsWindow : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_FALSE(ReadRecord(ProgramPath())) << "a copy from an earlier test still runs";
    RemoveTree(SettingsFolder());
  }
  void TearDown() override {
    if (program && !program->WaitExit(0)) program->Kill();
    RemoveTree(SettingsFolder());
  }

  // Starts the program on the stored text (none: without a settings file) and brings its window
  // forward; with AnswerError, the error box that the window shows first is answered and kept.
  void Start(const std::optional<std::string>& Stored, bool AnswerError = false) {
    if (Stored) WriteBytes(SettingsPath(), *Stored);
    program.emplace(ProgramPath());
    window = FindProcessWindow(program->Id(), "TForm1", Title, 20000);
    if (!window) throw std::runtime_error("the options window did not open");
    if (AnswerError) startError = AnswerBox(Title);
    // The pages not shown get their windows once the window has painted: wait for the last of them.
    if (!WaitUntil([&] { return FindChild(window, idSearchDuration) != nullptr; }))
      throw std::runtime_error("the pages not shown got no windows");
    SetForegroundWindow(window);
    if (!WaitUntil([&] { return GetForegroundWindow() == window; }) || !test::RoundTrips(window))
      throw std::runtime_error("the options window did not come forward");
  }
  HWND Item(int Id) const { return FindChild(window, Id); }
  bool Ticked(int Id) const { return SendMessageA(Item(Id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  int Position(int Id) const { return static_cast<int>(SendMessageA(Item(Id), TBM_GETPOS, 0, 0)); }
  std::string Selected(int Id) const {
    const LRESULT index = SendMessageA(Item(Id), CB_GETCURSEL, 0, 0);
    if (index < 0) return "";
    // The wide message: Wine hands the text of another process's list over in its own form.
    wchar_t text[128] = {};
    SendMessageW(Item(Id), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    char narrow[128] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
  }
  bool ApplyEnabled() const { return IsWindowEnabled(Item(idApply)) != FALSE; }
  // Presses Apply and waits until it has ended: Apply disabled, or an error box up.
  void Apply() {
    Click(Item(idApply));
    EXPECT_TRUE(WaitUntil([&] { return !ApplyEnabled() || FindWindowA("#32770", Title); }))
        << "Apply neither ended nor failed";
  }
  void ShowPage(int Page) { Click(Item(idPageButton + Page)); }
  // The search position that the markers show: the one marker painted blue, or -1 for none.
  int SelectedMarker() {
    ShowPage(4);
    // The markers are on the screen once none of them shows the white of the page any more.
    COLORREF centre[8] = {};
    const auto read = [&] {
      HDC screen = GetDC(nullptr);
      bool drawn = true;
      for (int p = 0; p < 8; ++p) {
        RECT r;
        GetWindowRect(Item(idMarker + p), &r);
        centre[p] = GetPixel(screen, r.left + 8, r.top + 8);
        drawn = drawn && GetRValue(centre[p]) + GetGValue(centre[p]) + GetBValue(centre[p]) < 3 * 240;
      }
      ReleaseDC(nullptr, screen);
      return drawn;
    };
    EXPECT_TRUE(WaitUntil(read)) << "the markers are drawn";
    int selected = -1, blue = 0;
    for (int p = 0; p < 8; ++p) {
      const COLORREF c = centre[p];
      if (GetBValue(c) > GetRValue(c) + 60) {
        selected = p;
        ++blue;
      } else {
        EXPECT_LT(std::abs(GetBValue(c) - GetRValue(c)), 30) << "marker " << p << " in the idle grey";
      }
    }
    EXPECT_LE(blue, 1);
    ShowPage(0);
    return selected;
  }
  // An edit that changes nothing: the tick goes on and off again, and Apply is enabled.
  // (On a disabled page the clicks change nothing, which is for the caller to check.)
  void TickAndUntick() {
    const bool ticked = Ticked(idRunWithWindows);
    const bool editable = IsWindowEnabled(Item(idRunWithWindows)) != FALSE;
    Click(Item(idRunWithWindows));
    if (editable) {
      EXPECT_TRUE(WaitUntil([&] { return Ticked(idRunWithWindows) != ticked; }));
    }
    Click(Item(idRunWithWindows));
    if (editable) {
      EXPECT_TRUE(WaitUntil([&] { return Ticked(idRunWithWindows) == ticked; }));
    }
  }
  // Clicks the control and answers the error box that it brings up; its text, or "<no box>".
  std::string ClickAndAnswer(int Id) {
    std::string text;
    std::thread answer([&] { text = AnswerBox(Title); });
    Click(Item(Id));
    answer.join();
    return text;
  }
  void ExpectExit() {
    ASSERT_TRUE(program);
    EXPECT_EQ(program->WaitExit(10000), 0u);
  }

  std::optional<TProcess> program;
  HWND window = nullptr;
  std::string startError;
};

}  // namespace px2d::e2e
