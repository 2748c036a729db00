// The text rules of hot keys, free of any platform header so that they are also built natively
// under the sanitizers and fuzzed. The hot-key unit wires them to the keyboard driver and the
// locale's comparison; the key caps come from the program's string table.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace px2d {

// A hot-key code: the virtual-key code in bits 0-7 and the modifier bits below; bits 8-11 carry
// nothing, and 0 means no hot key.
constexpr std::uint16_t hkKeyMask = 0x00FF;
constexpr std::uint16_t hkWin = 0x1000;
constexpr std::uint16_t hkShift = 0x2000;
constexpr std::uint16_t hkCtrl = 0x4000;
constexpr std::uint16_t hkAlt = 0x8000;

// The key caps: names of the keys that have a fixed text, and the four prefixes.
// clang-format off
enum THotKeyCap {
  hcBkSp, hcTab, hcEsc, hcEnter, hcSpace, hcPgUp, hcPgDn, hcEnd, hcHome,
  hcLeft, hcUp, hcRight, hcDown, hcIns, hcDel, hcShift, hcCtrl, hcAlt, hcWin,
  hcCount
};
// clang-format on
using THotKeyCapTable = std::array<std::string, hcCount>;

// The untranslated texts; the string table of the program normally holds the same.
const THotKeyCapTable& EnglishHotKeyCaps();

// What the text rules need from the platform: the key caps in use, the keyboard driver's name of
// a key (bits 0-7 of the code; possibly empty), and equality of two texts ignoring case.
struct THotKeyNaming {
  const THotKeyCapTable& Caps;
  std::function<std::string(std::uint16_t Code)> SystemKeyName;
  std::function<bool(std::string_view A, std::string_view B)> SameText;
};

// The name of the key in bits 0-7: a fixed text, or the keyboard driver's name.
std::string KeyName(std::uint16_t Code, const THotKeyNaming& Naming);

// The text of a hot-key code: its prefixes in the order Win, Ctrl, Shift, Alt, then the key's
// name; empty when the key has no name, whatever the modifiers.
std::string HotKeyToText(std::uint16_t Code, const THotKeyNaming& Naming);

// The code of a hot-key text: prefixes in any order and number ("^" stands for Ctrl), then a key
// name as a whole; 0 when nothing but prefixes is given or the rest names no key.
std::uint16_t TextToHotKey(std::string_view Text, const THotKeyNaming& Naming);

}  // namespace px2d
