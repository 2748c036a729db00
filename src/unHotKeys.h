// The hot-key codec: the 16-bit hot-key code, its text form in the settings file, and its parts.
#pragma once

#include <cstdint>
#include <string>

#include "core/HotKeyText.h"
#include "framework/Classes.h"

namespace px2d {

// The key caps in use: entries up to the Alt prefix from the program's string table, "Win+" fixed.
extern const THotKeyCapTable& HotKeyCaps;

// Loads the key caps; runs at start-up before anything converts a hot key.
void InitializeHotKeys();

// The code of a key with its modifiers (Shift, Alt and Ctrl of the set) and the Win flag;
// 0 for a key above 255.
std::uint16_t MakeHotKey(std::uint16_t Key, TShiftState Shift, bool Win);

// The key (bits 0-7), the modifier set and the Win flag of a code; bits 8-11 are dropped.
void SplitHotKey(std::uint16_t HotKey, std::uint16_t& Key, TShiftState& Shift, bool& Win);

// The keyboard driver's name of the key in bits 0-7 under the current layout; possibly empty.
std::string GetSystemKeyName(std::uint16_t HotKey);

std::string HotKeyToText(std::uint16_t HotKey);
std::uint16_t TextToHotKey(const std::string& Text);

}  // namespace px2d
