// The text rules of hot keys over a small stand-in keyboard layout and an ASCII comparison.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <utility>

#include "core/HotKeyText.h"
#include "support/AsciiSameText.h"

namespace px2d {
namespace {

// Driver names in the manner of a common layout: left- and right-hand twins share a name, one key
// below 8 has a name of its own, and another below 8 shares the name of a key above.
const std::map<std::uint16_t, std::string> kDriverNames = {
    {0x03, "Cancel"},      {0x06, "Scroll Lock"}, {0x10, "Shift"}, {0x11, "Ctrl"},  {0x12, "Alt"},
    {0x14, "Caps Lock"},   {0x2E, "Num Del"},     {0x6A, "Num *"}, {0x6B, "Num +"}, {0x6E, "Num Del"},
    {0x91, "Scroll Lock"}, {0xA0, "Shift"},       {0xA1, "Shift"}, {0xA2, "Ctrl"},  {0xA3, "Ctrl"},
    {0xBA, ";"},           {0xDC, "^"},
};

std::string DriverName(std::uint16_t code) {
  const auto it = kDriverNames.find(static_cast<std::uint16_t>(code & 0xFF));
  return it == kDriverNames.end() ? std::string() : it->second;
}

const THotKeyNaming kNaming{EnglishHotKeyCaps(), DriverName, standin::AsciiSameText};

struct CodeText {
  std::uint16_t code;
  const char* text;
};

TEST(HotKeyText, CodeToText) {
  const CodeText cases[] = {
      {0x0000, ""},
      {0x607A, "Ctrl+Shift+F11"},
      {0xF07A, "Win+Ctrl+Shift+Alt+F11"},
      {0x007A, "F11"},
      {0x405A, "Ctrl+Z"},
      {0x1041, "Win+A"},
      {0x8030, "Alt+0"},
      {0x0039, "9"},
      {0x0070, "F1"},
      {0x0087, "F24"},
      {0x0F41, "A"},  // bits 8-11 carry nothing
      {0x0008, "BkSp"},
      {0x0009, "Tab"},
      {0x000D, "Enter"},
      {0x001B, "Esc"},
      {0x0020, "Space"},
      {0x0021, "PgUp"},
      {0x0022, "PgDn"},
      {0x0023, "End"},
      {0x0024, "Home"},
      {0x0025, "Left"},
      {0x0026, "Up"},
      {0x0027, "Right"},
      {0x0028, "Down"},
      {0x002D, "Ins"},
      {0x002E, "Del"},  // fixed, not the driver's
      {0x0010, "Shift"},
      {0x6011, "Ctrl+Shift+Ctrl"},
      {0x006B, "Num +"},  // the numeric keypad takes the driver's names
      {0x0088, ""},       // beyond F24 and without a driver name
      {0xF007, ""},       // no name: no text, whatever the modifiers
  };
  for (const auto& c : cases) EXPECT_EQ(HotKeyToText(c.code, kNaming), c.text) << std::hex << c.code;
}

TEST(HotKeyText, TextToCode) {
  const CodeText cases[] = {
      {0x007A, "F11"},
      {0x607A, "ctrl+shift+f11"},
      {0x607A, "Shift+Ctrl+F11"},
      {0x405A, "^Z"},
      {0x9041, "win+alt+a"},
      {0xF058, "Alt+Shift+Ctrl+Win+X"},
      {0x4041, "Ctrl+Ctrl+A"},
      {0x4041, "^A"},
      {0x4041, "^Ctrl+a"},
      {0x0020, "space"},
      {0x0087, "f24"},
      {0x0010, "Shift"},        // no plus: a key name, the lowest key of that name
      {0x0011, "CTRL"},         // the right-hand twin is never returned
      {0x0103, "Cancel"},       // only a key below 8 has it: its number plus 0x100
      {0x0091, "Scroll Lock"},  // a key below 8 shares it with a key above: the one above
      {0x006E, "Num Del"},      // 0x2E has the fixed name "Del"
      {0x002E, "Del"},
      {0x2011, "Shift+Ctrl"},  // the rest is the name of the Ctrl key
  };
  for (const auto& c : cases) EXPECT_EQ(TextToHotKey(c.text, kNaming), c.code) << c.text;
  const char* const noKey[] = {"",        "Ctrl+", "Shift+", "Win+Alt+", "^",           "Ctrl + A",
                               " F11",    "F11 ",  "F25",    "F0",       "Ctrl+Shift+", "ctrl+A+",
                               "A+Ctrl+", "Win",   "Num",    "^^",       "Ctrl+\xC4"};
  for (const char* text : noKey) EXPECT_EQ(TextToHotKey(text, kNaming), 0) << text;
}

TEST(HotKeyText, TextComesBackInItsNormalForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"ctrl+shift+f11", "Ctrl+Shift+F11"},
      {"Ctrl+Shift+F11", "Ctrl+Shift+F11"},
      {"alt+shift+ctrl+win+x", "Win+Ctrl+Shift+Alt+X"},
      {"^z", "Ctrl+Z"},
      {"ALT+^win+num *", "Win+Ctrl+Alt+Num *"},
      {"shift+alt+bksp", "Shift+Alt+BkSp"},
  };
  for (const auto& [text, normal] : cases)
    EXPECT_EQ(HotKeyToText(TextToHotKey(text, kNaming), kNaming), normal) << text;
}

TEST(HotKeyText, NameThatBeginsWithAPrefixIsLost) {
  // The key's name is taken for the Ctrl prefix, and nothing is left to name a key.
  EXPECT_EQ(HotKeyToText(0x00DC, kNaming), "^");
  EXPECT_EQ(TextToHotKey("^", kNaming), 0);
  EXPECT_EQ(HotKeyToText(0x20DC, kNaming), "Shift+^");
  EXPECT_EQ(TextToHotKey("Shift+^", kNaming), 0);
}

TEST(HotKeyText, KeyCapsComeFromTheTableInUse) {
  THotKeyCapTable caps = EnglishHotKeyCaps();
  caps[hcBkSp] =
      "R\xFC"
      "cktaste";
  caps[hcShift] = "Umschalt+";
  caps[hcCtrl] = "Strg+";
  caps[hcWin] = "Win+";
  const THotKeyNaming german{caps, DriverName, standin::AsciiSameText};
  EXPECT_EQ(HotKeyToText(0x7008, german),
            "Win+Strg+Umschalt+R\xFC"
            "cktaste");
  EXPECT_EQ(TextToHotKey("strg+umschalt+f11", german), 0x607A);
  EXPECT_EQ(TextToHotKey("^F11", german), 0x407A);
  EXPECT_EQ(TextToHotKey("Ctrl+F11", german), 0);  // the English prefix is no prefix here
  EXPECT_EQ(TextToHotKey("BkSp", german), 0);
}

TEST(HotKeyText, EmptyPrefixInTheTableMatchesNothing) {
  THotKeyCapTable caps = EnglishHotKeyCaps();
  caps[hcShift].clear();
  const THotKeyNaming broken{caps, DriverName, standin::AsciiSameText};
  EXPECT_EQ(TextToHotKey("A", broken), 0x0041);
  EXPECT_EQ(TextToHotKey("Ctrl+A", broken), 0x4041);
}

}  // namespace
}  // namespace px2d
