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

struct TSettingKey {
  const char* Key;  // exact text in the settings file
  TSettingKind Kind;
  std::int32_t Default;     // boolean (0, 1) or integer default
  const char* DefaultText;  // default of the hot-key text, empty for the other kinds
  std::int32_t Min, Max;    // values the control can hold; a corner list also holds -1 for no entry
  TSettingsPage Page;
  const char* Control;  // the control in the window's layout; the first of a row of markers
  TSettingControl ControlKind;
};

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

// clang-format off
inline constexpr std::array<TSettingKey, siCount> SettingKeys = {{
    {"include minimized", skBoolean, 1, "", 0, 1, spGeneral, "cbIncludeMinimized", scCheckBox},
    {"run with windows", skBoolean, 0, "", 0, 1, spGeneral, "cbRunWithWindows", scCheckBox},
    {"show balloon", skBoolean, 1, "", 0, 1, spGeneral, "cbBalloon", scCheckBox},
    {"show desktop", skBoolean, 1, "", 0, 1, spBackground, "cbShowDesktop", scCheckBox},
    {"show desktop window", skBoolean, 0, "", 0, 1, spBackground, "cbShowDesktopWindow", scCheckBox},
    {"desktop opacity", skInteger, 75, "", 0, 100, spBackground, "tbDesktopOpacity", scTrackBar},
    {"activation key", skHotKeyText, 0, "F11", 0, 0, spKeyboard, "cbKeys", scKeyboard},
    {"active corner 1", skInteger, 1, "", 0, 2, spActiveCorners, "cbCorner1", scCornerList},
    {"active corner 2", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner2", scCornerList},
    {"active corner 3", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner3", scCornerList},
    {"active corner 4", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner4", scCornerList},
    {"active corner 5", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner5", scCornerList},
    {"active corner 6", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner6", scCornerList},
    {"active corner 7", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner7", scCornerList},
    {"active corner 8", skInteger, 0, "", 0, 2, spActiveCorners, "cbCorner8", scCornerList},
    {"area size", skInteger, 1, "", 1, 16, spActiveCorners, "tbAreaSize", scTrackBar},
    {"activation delay", skInteger, 100, "", 0, 1000, spActiveCorners, "tbActivationDelay", scTrackBar},
    {"enable search", skBoolean, 1, "", 0, 1, spSearch, "cbEnableSearch", scCheckBox},
    {"search position", skInteger, 0, "", 0, 7, spSearch, "btSearch1", scSearchMarkers},
    {"effect duration", skInteger, 400, "", 0, 1000, spAnimation, "tbEffectDuration", scTrackBar},
    {"search duration", skInteger, 300, "", 0, 1000, spAnimation, "tbSearchDuration", scTrackBar},
}};
// clang-format on

// The key of active corner N, 1 to 8 clockwise from the top-left corner.
constexpr TSettingId ActiveCornerSetting(int N) { return static_cast<TSettingId>(siActiveCorner1 + N - 1); }

}  // namespace px2d
