// Any settings file through the store's whole text cycle, as the options window runs it: split the
// bytes, read every key of the catalogue as its kind, write every key back, join. What the window
// reads must survive a save and a load, a second cycle must change nothing, and every line that is
// not a key's comes through in its order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/SettingKeys.h"
#include "core/SettingsText.h"
#include "support/AsciiSameText.h"

namespace {

using TValue = std::variant<bool, std::int32_t, std::string>;

px2d::TSettingsLines Indexed(const px2d::TextLines& text) {
  px2d::TSettingsLines lines(px2d::standin::AsciiNameRule());
  lines = text;
  return lines;
}

TValue Read(const px2d::TSettingsLines& lines, const px2d::TSettingKey& key) {
  switch (key.Kind) {
    case px2d::skBoolean:
      return lines.ReadBool(key.Key, key.Default != 0);
    case px2d::skInteger:
      return lines.ReadInteger(key.Key, key.Default);
    default:
      return lines.ReadText(key.Key, key.DefaultText);
  }
}

void Write(px2d::TSettingsLines& lines, const px2d::TSettingKey& key, const TValue& value) {
  if (const auto* b = std::get_if<bool>(&value))
    lines.WriteBool(key.Key, *b);
  else if (const auto* i = std::get_if<std::int32_t>(&value))
    lines.WriteInteger(key.Key, *i);
  else
    lines.Write(key.Key, std::get<std::string>(value));
}

std::vector<TValue> ReadAll(const px2d::TSettingsLines& lines) {
  std::vector<TValue> values;
  for (const auto& key : px2d::SettingKeys) values.push_back(Read(lines, key));
  return values;
}

// One cycle: the values read and the bytes saved after writing them all back.
std::string Cycle(const px2d::TextLines& loaded, std::vector<TValue>& values) {
  px2d::TSettingsLines lines = Indexed(loaded);
  values = ReadAll(lines);
  for (std::size_t i = 0; i < values.size(); ++i) Write(lines, px2d::SettingKeys[i], values[i]);
  return px2d::JoinLines(lines);
}

// The lines that are no key's line: the store passes them through untouched.
px2d::TextLines Foreign(const px2d::TextLines& lines) {
  px2d::TextLines foreign;
  for (const auto& line : lines) {
    const px2d::TSettingsLines one = Indexed({line});
    bool isKey = false;
    for (const auto& key : px2d::SettingKeys) isKey = isKey || one.Find(key.Key) == 0;
    if (!isKey) foreign.push_back(line);
  }
  return foreign;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const px2d::TextLines loaded =
      px2d::SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));
  std::vector<TValue> values;
  const std::string saved = Cycle(loaded, values);
  const px2d::TSettingsLines reloaded = Indexed(px2d::SplitLines(saved));

  // The bytes saved are the lines written, each with CR LF.
  if (px2d::JoinLines(reloaded) != saved) std::abort();
  // Every key reads back as what the window read, and as its value's normal text.
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto& key = px2d::SettingKeys[i];
    if (Read(reloaded, key) != values[i]) std::abort();
    std::string text;
    if (const auto* b = std::get_if<bool>(&values[i]))
      text = *b ? "1" : "0";
    else if (const auto* n = std::get_if<std::int32_t>(&values[i]))
      text = std::to_string(*n);
    else
      text = std::get<std::string>(values[i]);
    if (reloaded.ReadText(key.Key, "") != text) std::abort();
  }
  // A second cycle changes nothing.
  std::vector<TValue> again;
  if (Cycle(reloaded, again) != saved || again != values) std::abort();
  // Nothing else moves: the lines that are no key's come through in order.
  if (Foreign(reloaded) != Foreign(loaded)) std::abort();
  return 0;
}
