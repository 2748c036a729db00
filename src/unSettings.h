// The settings catalogue: every key of the settings file that the options window shows, with its
// kind, default, range, page and control, and what each kind of control does to a value on the way
// between the store and the page. The pages read and write keys only through this unit.
#pragma once

#include <cstdint>
#include <string>

#include "core/SettingKeys.h"
#include "framework/Classes.h"
#include "unSetup.h"

namespace px2d {

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
// modifiers and the Win flag; a hot key without a key removes every line of the key.
void WriteActivationKey(TGenericSetup& Setup, const std::string& KeyName, TShiftState Shift, bool Win);

}  // namespace px2d
