#include "unSettings.h"

#include "unHotKeys.h"

namespace px2d {

bool ReadTick(const TGenericSetup& Setup, TSettingId Id) {
  const TSettingKey& key = SettingKeys[Id];
  return Setup.ReadBool(key.Key, key.Default != 0);
}

void WriteTick(TGenericSetup& Setup, TSettingId Id, bool Ticked) {
  Setup.WriteBool(SettingKeys[Id].Key, Ticked);
}

std::int32_t ReadTrackPosition(const TGenericSetup& Setup, TSettingId Id) {
  const TSettingKey& key = SettingKeys[Id];
  return ClampToRange(Id, Setup.ReadInteger(key.Key, key.Default));
}

void WriteTrackPosition(TGenericSetup& Setup, TSettingId Id, std::int32_t Position) {
  Setup.WriteInteger(SettingKeys[Id].Key, Position);
}

int ReadCornerIndex(const TGenericSetup& Setup, TSettingId Id) {
  const TSettingKey& key = SettingKeys[Id];
  const std::int32_t value = Setup.ReadInteger(key.Key, key.Default);
  return value >= key.Min && value <= key.Max ? value : -1;
}

void WriteCornerIndex(TGenericSetup& Setup, TSettingId Id, int ItemIndex) {
  Setup.WriteInteger(SettingKeys[Id].Key, ItemIndex);
}

bool ReadSearchPosition(const TGenericSetup& Setup, int& Position) {
  const TSettingKey& key = SettingKeys[siSearchPosition];
  const std::int32_t value = Setup.ReadInteger(key.Key, key.Default);
  if (value < key.Min || value > key.Max) return false;
  Position = value;
  return true;
}

void WriteSearchPosition(TGenericSetup& Setup, int Position) {
  Setup.WriteInteger(SettingKeys[siSearchPosition].Key, Position);
}

std::uint16_t ReadActivationKey(const TGenericSetup& Setup) {
  const TSettingKey& key = SettingKeys[siActivationKey];
  return TextToHotKey(Setup.ReadString(key.Key, key.DefaultText));
}

void WriteActivationKey(TGenericSetup& Setup, const std::string& KeyName, TShiftState Shift, bool Win) {
  const std::uint16_t code = MakeHotKey(TextToHotKey(KeyName), Shift, Win);
  const std::string text = HotKeyToText(code);
  // A cleared key goes with every copy of its line: a second one would otherwise be read instead.
  if (text.empty())
    Setup.EraseKey(SettingKeys[siActivationKey].Key);
  else
    Setup.WriteString(SettingKeys[siActivationKey].Key, text);
}

}  // namespace px2d
