#include "HotKeyText.h"

#include <optional>

namespace px2d {

const THotKeyCapTable& EnglishHotKeyCaps() {
  static const THotKeyCapTable caps = {"BkSp", "Tab",    "Esc",   "Enter", "Space", "PgUp", "PgDn",
                                       "End",  "Home",   "Left",  "Up",    "Right", "Down", "Ins",
                                       "Del",  "Shift+", "Ctrl+", "Alt+",  "Win+"};
  return caps;
}

namespace {

// The key cap of a key with a fixed text, or -1.
int FixedCap(unsigned key) {
  switch (key) {
    case 0x08:
      return hcBkSp;
    case 0x09:
      return hcTab;
    case 0x0D:
      return hcEnter;
    case 0x1B:
      return hcEsc;
    case 0x2D:
      return hcIns;
    case 0x2E:
      return hcDel;
    default:
      break;
  }
  if (key >= 0x20 && key <= 0x28) return hcSpace + static_cast<int>(key - 0x20);
  return -1;
}

}  // namespace

std::string KeyName(std::uint16_t Code, const THotKeyNaming& Naming) {
  const unsigned key = Code & hkKeyMask;
  const int cap = FixedCap(key);
  if (cap >= 0) return Naming.Caps[static_cast<std::size_t>(cap)];
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= 0x70 && key <= 0x87) {
    const unsigned number = key - 0x6F;
    std::string name = "F";
    if (number >= 10) name += static_cast<char>('0' + number / 10);
    name += static_cast<char>('0' + number % 10);
    return name;
  }
  return Naming.SystemKeyName(static_cast<std::uint16_t>(key));
}

std::string HotKeyToText(std::uint16_t Code, const THotKeyNaming& Naming) {
  std::string name = KeyName(Code, Naming);
  if (name.empty()) return name;
  std::string text;
  if (Code & hkWin) text += Naming.Caps[hcWin];
  if (Code & hkCtrl) text += Naming.Caps[hcCtrl];
  if (Code & hkShift) text += Naming.Caps[hcShift];
  if (Code & hkAlt) text += Naming.Caps[hcAlt];
  return text + name;
}

std::uint16_t TextToHotKey(std::string_view Text, const THotKeyNaming& Naming) {
  struct Prefix {
    std::string_view text;
    std::uint16_t flag;
  };
  const Prefix prefixes[] = {{Naming.Caps[hcWin], hkWin},
                             {"^", hkCtrl},
                             {Naming.Caps[hcCtrl], hkCtrl},
                             {Naming.Caps[hcShift], hkShift},
                             {Naming.Caps[hcAlt], hkAlt}};
  std::uint16_t flags = 0;
  for (bool stripped = true; stripped;) {
    stripped = false;
    for (const Prefix& prefix : prefixes) {
      // An empty prefix (a string table without it) would match forever; it matches nothing.
      if (prefix.text.empty() || Text.size() < prefix.text.size()) continue;
      if (!Naming.SameText(Text.substr(0, prefix.text.size()), prefix.text)) continue;
      Text.remove_prefix(prefix.text.size());
      flags |= prefix.flag;
      stripped = true;
      break;
    }
  }
  if (Text.empty()) return 0;

  // Candidates above 255 name their low byte again, so each key is asked for its name once per call.
  std::array<std::optional<std::string>, 256> names;
  for (unsigned candidate = 8; candidate <= 0x255; ++candidate) {
    std::optional<std::string>& name = names[candidate & hkKeyMask];
    if (!name) name = KeyName(static_cast<std::uint16_t>(candidate), Naming);
    if (!name->empty() && Naming.SameText(Text, *name)) return static_cast<std::uint16_t>(candidate | flags);
  }
  return 0;
}

}  // namespace px2d
