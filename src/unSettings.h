// The settings catalogue: every key of the settings file that the options window shows, with its
// kind, default, range, page and control, and what each kind of control does to a value on the way
// between the store and the page. The pages read and write keys only through this unit.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "framework/Classes.h"
#include "unSetup.h"

namespace px2d {

enum TSettingKind { skBoolean, skInteger, skHotKeyText };

// How a control shows a value; each kind has its own read and write rules below.
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

// Check box: ticked when the lowest 8 bits of the value are not all zero; written as 0 or 1.
bool ReadTick(const TGenericSetup& Setup, TSettingId Id);
void WriteTick(TGenericSetup& Setup, TSettingId Id, bool Ticked);

// Track bar: the value clamped into the bar's range; the position shown is written back.
constexpr std::int32_t ClampToRange(TSettingId Id, std::int32_t Value) {
  const TSettingKey& key = SettingKeys[Id];
  return Value < key.Min ? key.Min : Value > key.Max ? key.Max : Value;
}
std::int32_t ReadTrackPosition(const TGenericSetup& Setup, TSettingId Id);
void WriteTrackPosition(TGenericSetup& Setup, TSettingId Id, std::int32_t Position);

// Corner list: the index of the entry to select, -1 (no entry) for a value that names none;
// the selected index is written back, -1 when no entry is selected.
int ReadCornerIndex(const TGenericSetup& Setup, TSettingId Id);
void WriteCornerIndex(TGenericSetup& Setup, TSettingId Id, int ItemIndex);

// Search markers: true with the position when the stored value is 0 to 7; any other value selects
// no marker and stays in the store as it is until a marker writes the position.
bool ReadSearchPosition(const TGenericSetup& Setup, int& Position);
void WriteSearchPosition(TGenericSetup& Setup, int Position);

// Keyboard page: the code of the stored hot-key text, 0 when it names no key.
std::uint16_t ReadActivationKey(const TGenericSetup& Setup);
// Writes the text of the hot key made of the selected key name (empty when none is selected), the
// modifiers and the Win flag; a hot key without a key writes the empty text, which removes the key.
void WriteActivationKey(TGenericSetup& Setup, const std::string& KeyName, TShiftState Shift, bool Win);

}  // namespace px2d
