// The catalogue of the settings file's keys that the options window shows: each key's text, kind,
// default, range, page and control. Free of any platform header, so that the native build (tests
// and fuzzing of the store's text cycle) reads the same table as the program.
#pragma once

#include <array>
#include <cstdint>

namespace px2d {

enum TSettingKind { skBoolean, skInteger, skHotKeyText };

// How a control shows a value; each kind has its own read and write rules (unSettings.h).
enum TSettingControl { scCheckBox, scTrackBar, scCornerList, scSearchMarkers, scKeyboard };

// The pages of the options window, in the order of their index in the page control.
enum TSettingsPage { spGeneral, spBackground, spKeyboard, spActiveCorners, spSearch, spAnimation };

// The keys in the order in which the pages read and write them.
// clang-format off
enum TSettingId {
  siIncludeMinimized, siRunWithWindows, siShowBalloon,
  siShowDesktop, siShowDesktopWindow, siDesktopOpacity,
  siActivationKey,
  siActiveCorner1, siActiveCorner2, siActiveCorner3, siActiveCorner4,
  siActiveCorner5, siActiveCorner6, siActiveCorner7, siActiveCorner8,
  siAreaSize, siActivationDelay,
  siEnableSearch, siSearchPosition,
  siEffectDuration, siSearchDuration,
  siCount
};
// clang-format on

struct TSettingKey {
  TSettingId Id;    // the row's own identifier: a row is found by it (SettingKeys[Id])
  const char* Key;  // exact text in the settings file
  TSettingKind Kind;
  std::int32_t Default;     // boolean (0, 1) or integer default
  const char* DefaultText;  // default of the hot-key text, empty for the other kinds
  std::int32_t Min, Max;    // values the control can hold; a corner list also holds -1 for no entry
  TSettingsPage Page;
  const char* Control;  // the control in the window's layout; the first of a row of markers
  TSettingControl ControlKind;
};

// clang-format off
inline constexpr std::array<TSettingKey, siCount> SettingKeys = {{
    {siIncludeMinimized, "include minimized", skBoolean, 1, "", 0, 1, spGeneral, "cbIncludeMinimized", scCheckBox},
    {siRunWithWindows, "run with windows", skBoolean, 0, "", 0, 1, spGeneral, "cbRunWithWindows", scCheckBox},
    {siShowBalloon, "show balloon", skBoolean, 1, "", 0, 1, spGeneral, "cbBalloon", scCheckBox},
    {siShowDesktop, "show desktop", skBoolean, 1, "", 0, 1, spBackground, "cbShowDesktop", scCheckBox},
    {siShowDesktopWindow, "show desktop window", skBoolean, 0, "", 0, 1, spBackground, "cbShowDesktopWindow", scCheckBox},
    {siDesktopOpacity, "desktop opacity", skInteger, 75, "", 0, 100, spBackground, "tbDesktopOpacity", scTrackBar},
    {siActivationKey, "activation key", skHotKeyText, 0, "F11", 0, 0, spKeyboard, "cbKeys", scKeyboard},
    {siActiveCorner1, "active corner 1", skInteger, 1, "", 0, 2, spActiveCorners, "cbCorner1", scCornerList},
    {siActiveCorner2, "active corner 2", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner2", scCornerList},
    {siActiveCorner3, "active corner 3", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner3", scCornerList},
    {siActiveCorner4, "active corner 4", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner4", scCornerList},
    {siActiveCorner5, "active corner 5", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner5", scCornerList},
    {siActiveCorner6, "active corner 6", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner6", scCornerList},
    {siActiveCorner7, "active corner 7", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner7", scCornerList},
    {siActiveCorner8, "active corner 8", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner8", scCornerList},
    {siAreaSize, "area size", skInteger, 1, "", 1, 16, spActiveCorners, "tbAreaSize", scTrackBar},
    {siActivationDelay, "activation delay", skInteger, 100, "", 0, 1000, spActiveCorners, "tbActivationDelay", scTrackBar},
    {siEnableSearch, "enable search", skBoolean, 1, "", 0, 1, spSearch, "cbEnableSearch", scCheckBox},
    {siSearchPosition, "search position", skInteger, 0, "", 0, 7, spSearch, "btSearch1", scSearchMarkers},
    {siEffectDuration, "effect duration", skInteger, 400, "", 0, 1000, spAnimation, "tbEffectDuration", scTrackBar},
    {siSearchDuration, "search duration", skInteger, 300, "", 0, 1000, spAnimation, "tbSearchDuration", scTrackBar},
}};
// clang-format on

// Code finds a row by its identifier's place: an identifier moved in the list, or a row placed
// elsewhere, would read another key's row without a word. Each row names its identifier, and the
// build checks that it sits at that place.
constexpr bool EveryRowAtItsIdentifier() {
  for (int i = 0; i < siCount; ++i)
    if (SettingKeys[i].Id != i) return false;
  return true;
}
static_assert(EveryRowAtItsIdentifier(), "a row of SettingKeys is not at the place of its identifier");

// The key of active corner N, 1 to 8 clockwise from the top-left corner.
constexpr TSettingId ActiveCornerSetting(int N) { return static_cast<TSettingId>(siActiveCorner1 + N - 1); }

}  // namespace px2d
