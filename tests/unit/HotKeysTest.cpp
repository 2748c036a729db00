// The hot-key codec against the program's string table and Wine's keyboard driver.
#include <gtest/gtest.h>

#include <windows.h>

#include "fmMain.h"
#include "framework/ListItems.h"
#include "framework/SysUtils.h"
#include "unHotKeys.h"

namespace px2d {
namespace {

class HotKeys : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitializeHotKeys(); }
};

TEST_F(HotKeys, KeyCapsAreTheStringTableTexts) {
  const struct {
    UINT id;
    THotKeyCap cap;
  } table[] = {{65340, hcBkSp},  {65341, hcTab},   {65342, hcEsc},  {65343, hcEnter}, {65312, hcSpace},
               {65313, hcPgUp},  {65314, hcPgDn},  {65315, hcEnd},  {65316, hcHome},  {65317, hcLeft},
               {65318, hcUp},    {65319, hcRight}, {65320, hcDown}, {65321, hcIns},   {65322, hcDel},
               {65323, hcShift}, {65324, hcCtrl},  {65325, hcAlt}};
  for (const auto& entry : table) {
    char buffer[256] = {};
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), entry.id, buffer, sizeof buffer), 0) << entry.id;
    EXPECT_EQ(HotKeyCaps[entry.cap], buffer) << entry.id;
    EXPECT_EQ(HotKeyCaps[entry.cap], EnglishHotKeyCaps()[entry.cap]) << entry.id;
  }
  EXPECT_EQ(HotKeyCaps[hcWin], "Win+");
}

TEST_F(HotKeys, MakeAndSplit) {
  EXPECT_EQ(MakeHotKey(0x7A, ssShift | ssCtrl, false), 0x607A);
  EXPECT_EQ(MakeHotKey(0x7A, ssShift | ssCtrl | ssAlt, true), 0xF07A);
  EXPECT_EQ(MakeHotKey(0x41, ssLeft | ssDouble, false), 0x0041);  // not modifiers of a hot key
  EXPECT_EQ(MakeHotKey(0x0141, ssShift | ssCtrl | ssAlt, true), 0);
  EXPECT_EQ(MakeHotKey(0xFF00, {}, false), 0);

  std::uint16_t key = 0xFFFF;
  TShiftState shift{ssAlt};
  bool win = true;
  SplitHotKey(0x607A, key, shift, win);
  EXPECT_EQ(key, 0x7A);
  EXPECT_EQ(shift, TShiftState(ssShift | ssCtrl));
  EXPECT_FALSE(win);
  SplitHotKey(0x0F41, key, shift, win);
  EXPECT_EQ(key, 0x41);
  EXPECT_EQ(shift, 0u);
  EXPECT_FALSE(win);
  SplitHotKey(0x9103, key, shift, win);
  EXPECT_EQ(key, 0x03);
  EXPECT_EQ(shift, TShiftState{ssAlt});
  EXPECT_TRUE(win);
}

TEST_F(HotKeys, ExamplesInBothDirections) {
  const struct {
    std::uint16_t code;
    const char* text;
  } toText[] = {{0x0000, ""},       {0x607A, "Ctrl+Shift+F11"}, {0xF07A, "Win+Ctrl+Shift+Alt+F11"},
                {0x007A, "F11"},    {0x405A, "Ctrl+Z"},         {0xF058, "Win+Ctrl+Shift+Alt+X"},
                {0x4041, "Ctrl+A"}, {0x0020, "Space"},          {0x2008, "Shift+BkSp"}};
  for (const auto& c : toText) EXPECT_EQ(HotKeyToText(c.code), c.text) << std::hex << c.code;

  const struct {
    const char* text;
    std::uint16_t code;
  } toCode[] = {{"F11", 0x007A},
                {"ctrl+shift+f11", 0x607A},
                {"Shift+Ctrl+F11", 0x607A},
                {"^Z", 0x405A},
                {"win+alt+a", 0x9041},
                {"Alt+Shift+Ctrl+Win+X", 0xF058},
                {"Ctrl+Ctrl+A", 0x4041},
                {"^A", 0x4041},
                {"Ctrl+", 0},
                {"Ctrl + A", 0},
                {"", 0},
                {"Shift+", 0},
                {"Win+Alt+", 0},
                {"F11 ", 0},
                {"no such key", 0}};
  for (const auto& c : toCode) EXPECT_EQ(TextToHotKey(c.text), c.code) << c.text;
}

TEST_F(HotKeys, DriverNamesOfKeysWithoutAFixedText) {
  // "Shift" without a plus is the Shift key's name, not a prefix.
  EXPECT_EQ(GetSystemKeyName(VK_SHIFT), "Shift");
  EXPECT_EQ(TextToHotKey("Shift"), VK_SHIFT);
  EXPECT_EQ(TextToHotKey("ctrl+shift"), hkCtrl | VK_SHIFT);

  // Without the extended-key bit the right-hand keys are named like the left-hand ones, and the
  // name converts to the lowest key that has it.
  EXPECT_EQ(GetSystemKeyName(VK_RCONTROL), GetSystemKeyName(VK_LCONTROL));
  EXPECT_EQ(TextToHotKey(HotKeyToText(VK_RCONTROL)), VK_CONTROL);
  EXPECT_EQ(TextToHotKey(HotKeyToText(VK_RSHIFT)), VK_SHIFT);
  // The keypad's divide key shares its scan code with the slash key and is the lower of the two.
  EXPECT_EQ(HotKeyToText(VK_DIVIDE), HotKeyToText(VK_OEM_2));
  EXPECT_EQ(TextToHotKey(HotKeyToText(VK_OEM_2)), VK_DIVIDE);

  // Only bits 0-7 reach the driver.
  EXPECT_EQ(GetSystemKeyName(0xF110), GetSystemKeyName(VK_SHIFT));
  EXPECT_EQ(GetSystemKeyName(0), "");
}

TEST_F(HotKeys, NumericKeypadTakesTheDriverNames) {
  for (std::uint16_t key = VK_NUMPAD0; key <= VK_DIVIDE; ++key)
    EXPECT_EQ(HotKeyToText(key), GetSystemKeyName(key)) << key;
  // Wine names these after X key symbols ("KP_Add"; Windows says "Num +"). Its keypad digits have
  // no scan code and so no name; Windows names them "Num 0" to "Num 9".
  EXPECT_NE(HotKeyToText(VK_ADD), "");
  EXPECT_EQ(TextToHotKey(HotKeyToText(VK_ADD)), VK_ADD);
  EXPECT_EQ(TextToHotKey("Alt+" + HotKeyToText(VK_SUBTRACT)), hkAlt | VK_SUBTRACT);
  // The keypad's decimal key is named after Delete, whose own text is the fixed "Del".
  EXPECT_EQ(TextToHotKey(HotKeyToText(VK_DECIMAL)), VK_DECIMAL);
}

TEST_F(HotKeys, NamesOfKeysBelowEight) {
  bool anyNamed = false;
  for (std::uint16_t key = 0; key < 8; ++key) {
    const std::string name = HotKeyToText(key);
    if (name.empty()) continue;
    anyNamed = true;
    std::uint16_t twin = 0;
    for (std::uint16_t other = 8; other <= 255 && twin == 0; ++other)
      if (AnsiSameText(HotKeyToText(other), name)) twin = other;
    EXPECT_EQ(TextToHotKey(name), twin != 0 ? twin : 0x0100 + key) << name;
  }
  ASSERT_TRUE(anyNamed);
}

// Wine names VK_CANCEL "Cancel", a name of no other key (Windows calls it "Scroll Lock", like 0x91):
// its text converts with bit 8 set, which makes no hot key.
TEST_F(HotKeys, AKeyBelowEightNamedLikeNoOtherConvertsWithBitEight) {
  if (HotKeyToText(VK_CANCEL) != "Cancel")
    GTEST_SKIP() << "the keyboard driver names VK_CANCEL \"" << HotKeyToText(VK_CANCEL)
                 << "\", not a name of its own";
  EXPECT_EQ(TextToHotKey("Alt+Cancel"), hkAlt | 0x0100 | VK_CANCEL);
  std::uint16_t key = 0;
  TShiftState shift;
  bool win = false;
  SplitHotKey(TextToHotKey("Alt+Cancel"), key, shift, win);
  EXPECT_EQ(key, VK_CANCEL);
  EXPECT_EQ(MakeHotKey(TextToHotKey("Cancel"), shift, win), 0);
}

TEST_F(HotKeys, EveryNamedKeyComesBackInTheNormalForm) {
  const std::uint16_t modifiers[] = {0, hkCtrl | hkShift, hkWin | hkAlt, hkWin | hkCtrl | hkShift | hkAlt};
  for (std::uint16_t key = 0; key <= 255; ++key) {
    for (std::uint16_t modifier : modifiers) {
      const std::string text = HotKeyToText(key | modifier);
      if (text.empty()) continue;
      EXPECT_EQ(HotKeyToText(TextToHotKey(text)), text) << std::hex << key;
      EXPECT_EQ(TextToHotKey(text) & 0xF000, modifier) << text;
    }
  }
}

class KeyList : public HotKeys {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
    combo_ = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0,
                             0, 145, 200, parent_, nullptr, nullptr, nullptr);
    ASSERT_NE(combo_, nullptr);
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
  }
  HWND parent_ = nullptr;
  HWND combo_ = nullptr;
};

TEST_F(KeyList, EachNameOnceInKeyOrder) {
  TComboBoxStrings items(combo_);
  items.Add("left over");
  FillKeyList(items);
  EXPECT_EQ(items.FindExact("left over"), -1);

  // Every key's name is listed ...
  for (std::uint16_t key = 0; key <= 255; ++key) {
    const std::string name = HotKeyToText(key);
    if (!name.empty()) {
      EXPECT_GE(items.FindExact(name), 0) << name;
    }
  }
  // ... once, at the place of the lowest key that has it.
  int previous = -1;
  for (int i = 0; i < items.Count(); ++i) {
    const std::string item = items.Get(i);
    EXPECT_EQ(items.FindExact(item), i) << item;
    const int key = TextToHotKey(item) & 0xFF;
    EXPECT_GT(key, previous) << item;
    previous = key;
  }
  EXPECT_EQ(items.Get(items.FindExact("BkSp") + 1), "Tab");
  EXPECT_EQ(items.Get(items.FindExact("F23") + 1), "F24");
  EXPECT_EQ(items.FindExact("SHIFT"), items.FindExact("Shift"));

  // Filling again gives the same list.
  const int count = items.Count();
  FillKeyList(items);
  EXPECT_EQ(items.Count(), count);
}

}  // namespace
}  // namespace px2d
