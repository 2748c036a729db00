#include "unHotKeys.h"

#include <windows.h>

#include <cstring>

#include "framework/SysUtils.h"

namespace px2d {

namespace {

THotKeyCapTable Caps = EnglishHotKeyCaps();

// String-table ids of the key caps, in the table's order up to the Alt prefix.
constexpr UINT kCapIds[hcWin] = {65340, 65341, 65342, 65343, 65312, 65313, 65314, 65315, 65316,
                                 65317, 65318, 65319, 65320, 65321, 65322, 65323, 65324, 65325};

const THotKeyNaming& Naming() {
  static const THotKeyNaming naming{
      Caps, [](std::uint16_t code) { return GetSystemKeyName(code); },
      [](std::string_view a, std::string_view b) { return AnsiSameText(a, b); }};
  return naming;
}

}  // namespace

const THotKeyCapTable& HotKeyCaps = Caps;

void InitializeHotKeys() {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  for (int i = 0; i < hcWin; ++i) {
    char buffer[256] = {};
    // A text missing from the string table keeps its untranslated form, so no prefix is ever empty.
    if (LoadStringA(module, kCapIds[i], buffer, sizeof buffer) > 0)
      Caps[static_cast<std::size_t>(i)] = buffer;
  }
  Caps[hcWin] = "Win+";
}

std::uint16_t MakeHotKey(std::uint16_t Key, TShiftState Shift, bool Win) {
  if (Key & 0xFF00) return 0;
  std::uint16_t code = Key;
  if (Win) code |= hkWin;
  if ((Shift & ssCtrl)) code |= hkCtrl;
  if ((Shift & ssShift)) code |= hkShift;
  if ((Shift & ssAlt)) code |= hkAlt;
  return code;
}

void SplitHotKey(std::uint16_t HotKey, std::uint16_t& Key, TShiftState& Shift, bool& Win) {
  Key = HotKey & hkKeyMask;
  Shift = 0;
  if (HotKey & hkCtrl) Shift |= ssCtrl;
  if (HotKey & hkShift) Shift |= ssShift;
  if (HotKey & hkAlt) Shift |= ssAlt;
  Win = (HotKey & hkWin) != 0;
}

std::string GetSystemKeyName(std::uint16_t HotKey) {
  const UINT scanCode = MapVirtualKeyA(HotKey & hkKeyMask, MAPVK_VK_TO_VSC);
  if (scanCode == 0) return std::string();
  // Neither the extended-key bit nor the don't-care bit: the right-hand twin of a key gets its name.
  char buffer[64] = {};
  if (GetKeyNameTextA(static_cast<LONG>((scanCode & 0xFF) << 16), buffer, sizeof buffer) <= 0)
    return std::string();
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string HotKeyToText(std::uint16_t HotKey) { return HotKeyToText(HotKey, Naming()); }

std::uint16_t TextToHotKey(const std::string& Text) { return TextToHotKey(Text, Naming()); }

}  // namespace px2d
