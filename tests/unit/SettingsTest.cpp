// The settings catalogue: each key's default, its exact text, and what the controls do to values.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/FirstFile.h"
#include "unHotKeys.h"
#include "unSettings.h"

namespace px2d {
namespace {

class Settings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitializeHotKeys(); }
  TGenericSetup setup_;
};

// What the page shows for a key, as an integer: tick, position, entry, marker (-1 for none), or
// the hot-key code.
int Shown(const TGenericSetup& setup, TSettingId id) {
  switch (SettingKeys[id].ControlKind) {
    case scCheckBox:
      return ReadTick(setup, id) ? 1 : 0;
    case scTrackBar:
      return ReadTrackPosition(setup, id);
    case scCornerList:
      return ReadCornerIndex(setup, id);
    case scSearchMarkers: {
      int position = -1;
      return ReadSearchPosition(setup, position) ? position : -1;
    }
    case scKeyboard:
      return ReadActivationKey(setup);
  }
  return -2;
}

// Writes what a page would write for a shown value.
void WriteShown(TGenericSetup& setup, TSettingId id, int value) {
  switch (SettingKeys[id].ControlKind) {
    case scCheckBox:
      return WriteTick(setup, id, value != 0);
    case scTrackBar:
      return WriteTrackPosition(setup, id, value);
    case scCornerList:
      return WriteCornerIndex(setup, id, value);
    case scSearchMarkers:
      return WriteSearchPosition(setup, value);
    case scKeyboard: {
      std::uint16_t key = 0;
      TShiftState shift;
      bool win = false;
      SplitHotKey(static_cast<std::uint16_t>(value), key, shift, win);
      return WriteActivationKey(setup, HotKeyToText(key), shift, win);
    }
  }
}

// What the page writes for what it shows: the hot-key text, or the integer.
std::string ShownText(const TGenericSetup& setup, TSettingId id) {
  const int shown = Shown(setup, id);
  if (SettingKeys[id].ControlKind == scKeyboard) return HotKeyToText(static_cast<std::uint16_t>(shown));
  return std::to_string(shown);
}

// The row of the catalogue whose key is exactly this text, letter case and spaces alike; siCount
// for none.
TSettingId RowOfKey(const std::string& key) {
  for (const TSettingKey& row : SettingKeys)
    if (row.Key == key) return row.Id;
  return siCount;
}

// The keys' texts and defaults are the design's, written out in the first file (support/FirstFile.h),
// never taken from the catalogue under test: a default changed or a key misspelt there fails here.
TEST_F(Settings, EmptyStoreGivesEveryDefault) {
  std::set<TSettingId> rows;
  for (const auto& [key, value] : test::FirstFileLines) {
    const TSettingId id = RowOfKey(key);
    if (id == siCount) {
      ADD_FAILURE() << "no key of the catalogue is exactly \"" << key << "\"";
      continue;
    }
    rows.insert(id);
    EXPECT_EQ(ShownText(setup_, id), value) << key;
  }
  EXPECT_EQ(rows.size(), SettingKeys.size()) << "a key of the catalogue that the first file does not hold";
}

TEST_F(Settings, DefaultsWrittenByThePagesGiveTheFirstFile) {
  // The search page's load writes the selected marker first; the pages then write in their order.
  WriteShown(setup_, siSearchPosition, Shown(setup_, siSearchPosition));
  for (int i = 0; i < siCount; ++i) {
    const auto id = static_cast<TSettingId>(i);
    if (id != siSearchPosition) WriteShown(setup_, id, Shown(setup_, id));
  }
  TextLines expected;
  for (const auto& [key, value] : test::FirstFileLines) expected.push_back(std::string(key) + "=" + value);
  EXPECT_EQ(setup_.Lines, expected);
}

TEST_F(Settings, EachKeyIsReadAndWrittenUnderItsExactText) {
  for (const auto& [keyText, defaultText] : test::FirstFileLines) {
    const std::string expectedKey = keyText;
    const TSettingId id = RowOfKey(expectedKey);
    if (id == siCount) {
      ADD_FAILURE() << "no key of the catalogue is exactly \"" << expectedKey << "\"";
      continue;
    }
    const TSettingKey& key = SettingKeys[id];
    // A value other than the default, shown by the control as it is.
    const int value = key.ControlKind == scKeyboard ? 0x607A : key.Default == key.Max ? key.Min : key.Max;
    TGenericSetup setup;
    WriteShown(setup, id, value);
    const std::string valueText = key.ControlKind == scKeyboard ? "Ctrl+Shift+F11" : std::to_string(value);
    ASSERT_NE(valueText, defaultText) << expectedKey;
    EXPECT_EQ(setup.Lines, TextLines{expectedKey + "=" + valueText});
    EXPECT_EQ(Shown(setup, id), value) << expectedKey;
  }
  EXPECT_EQ(SettingKeys[ActiveCornerSetting(1)].Key, std::string("active corner 1"));
  EXPECT_EQ(SettingKeys[ActiveCornerSetting(8)].Key, std::string("active corner 8"));
}

struct StoredCase {
  TSettingId id;
  const char* stored;   // the value text in the file
  int shown;            // what the control shows
  const char* written;  // the line after the page writes back what it shows; empty for none
};

TEST_F(Settings, ControlsShowAndWriteBackStoredValues) {
  const StoredCase cases[] = {
      {siDesktopOpacity, "150", 100, "desktop opacity=100"},
      {siDesktopOpacity, "-1", 0, "desktop opacity=0"},
      {siAreaSize, "0", 1, "area size=1"},
      {siAreaSize, "17", 16, "area size=16"},
      {siActivationDelay, "-5", 0, "activation delay=0"},
      {siEffectDuration, "$7FFFFFFF", 1000, "effect duration=1000"},
      {siSearchDuration, "fast", 300, "search duration=300"},  // unreadable: the default
      {siShowBalloon, "2", 1, "show balloon=1"},
      {siShowBalloon, "256", 0, "show balloon=0"},
      {siRunWithWindows, "-1", 1, "run with windows=1"},
      {siShowDesktop, "yes", 1, "show desktop=1"},
      {siActiveCorner3, "7", -1, "active corner 3=-1"},
      {siActiveCorner3, "-1", -1, "active corner 3=-1"},
      {siActiveCorner2, "2", 2, "active corner 2=2"},
      {siActiveCorner1, "x", 1, "active corner 1=1"},
      {siSearchPosition, "05", 5, "search position=5"},
      {siActivationKey, "ctrl+shift+f11", 0x607A, "activation key=Ctrl+Shift+F11"},
      {siActivationKey, "^z", 0x405A, "activation key=Ctrl+Z"},
  };
  for (const auto& c : cases) {
    const std::string key = SettingKeys[c.id].Key;
    TGenericSetup setup;
    setup.Lines = {"before=1", key + "=" + c.stored, "after=2"};
    const int shown = Shown(setup, c.id);
    EXPECT_EQ(shown, c.shown) << key << "=" << c.stored;
    WriteShown(setup, c.id, shown);
    EXPECT_EQ(setup.Lines, (TextLines{"before=1", c.written, "after=2"})) << key << "=" << c.stored;
  }
}

TEST_F(Settings, SearchPositionOutsideTheMarkersSelectsNone) {
  for (const char* stored : {"9", "8", "-1", "-2147483648"}) {
    setup_.Lines = {std::string("search position=") + stored};
    int position = -1;
    EXPECT_FALSE(ReadSearchPosition(setup_, position)) << stored;
    EXPECT_EQ(position, -1) << stored;
    EXPECT_EQ(setup_.Lines, TextLines{std::string("search position=") + stored});
  }
  // An unreadable value is the default, the top-left position.
  setup_.Lines = {"search position=middle"};
  int position = -1;
  EXPECT_TRUE(ReadSearchPosition(setup_, position));
  EXPECT_EQ(position, 0);
}

// A cleared key goes with every copy of its line, so that it reads as cleared: a second copy (from
// another program, or from the file as it was) would otherwise become the key's line.
TEST_F(Settings, ActivationKeyThatNamesNoKeyIsRemoved) {
  for (const char* stored : {"Ctrl+", "Shift+Alt+", "Enter the key", "Ctrl + A"}) {
    TGenericSetup setup;
    setup.Lines = {"show balloon=1", std::string("activation key=") + stored, "x=y", "ACTIVATION KEY=F10"};
    EXPECT_EQ(ReadActivationKey(setup), 0) << stored;
    // Nothing is selected in the key list: no key, whatever the modifier ticks.
    WriteActivationKey(setup, "", ssCtrl | ssShift, true);
    EXPECT_EQ(setup.Lines, (TextLines{"show balloon=1", "x=y"})) << stored;
    EXPECT_EQ(ReadActivationKey(setup), 0x007A);
  }
}

// A key named like no other below 8 (Wine names VK_CANCEL "Cancel") converts with bit 8 set: the page
// shows it selected, and writing it back makes no hot key.
TEST_F(Settings, ActivationKeyNamedOnlyBelowEightWritesNoHotKey) {
  if (TextToHotKey("Cancel") != 0x0103)
    GTEST_SKIP() << "the keyboard driver gives no key below 8 a name of its own (\"Cancel\")";
  setup_.Lines = {"activation key=Alt+Cancel"};
  EXPECT_EQ(Shown(setup_, siActivationKey), hkAlt | 0x0103);
  WriteShown(setup_, siActivationKey, Shown(setup_, siActivationKey));
  EXPECT_TRUE(setup_.Lines.empty());
}

}  // namespace
}  // namespace px2d
