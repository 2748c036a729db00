// Random codes and random texts through the hot-key text rules: no crash, every named code comes
// back from its text in the normal form, and every code found in a text converts back to itself.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/HotKeyText.h"
#include "support/AsciiSameText.h"

namespace {

// A layout with twins (0x10/0xA0/0xA1, 0x11/0xA2/0xA3), a name only a key below 8 has (0x03), a name
// a key below 8 shares with one above (0x06/0x91), and keys without a name.
std::string DriverName(std::uint16_t code) {
  switch (code & 0xFF) {
    case 0x03:
      return "Cancel";
    case 0x06:
    case 0x91:
      return "Scroll Lock";
    case 0x10:
    case 0xA0:
    case 0xA1:
      return "Shift";
    case 0x11:
    case 0xA2:
    case 0xA3:
      return "Ctrl";
    case 0x12:
      return "Alt";
    case 0x6A:
      return "Num *";
    case 0x6E:
      return "Num Del";
    case 0xBA:
      return ";";
    case 0xBB:
      return "=";
    default:
      return std::string();
  }
}

const px2d::THotKeyNaming kNaming{px2d::EnglishHotKeyCaps(), DriverName, px2d::standin::AsciiSameText};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 2) {
    const auto code = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    const std::string text = px2d::HotKeyToText(code, kNaming);
    if (!text.empty()) {
      const std::uint16_t back = px2d::TextToHotKey(text, kNaming);
      if (px2d::HotKeyToText(back, kNaming) != text) std::abort();
      if ((back & 0xF000) != (code & 0xF000)) std::abort();
    }
  }

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::uint16_t code = px2d::TextToHotKey(text, kNaming);
  if (code != 0) {
    const std::string normal = px2d::HotKeyToText(code, kNaming);
    if (normal.empty() || px2d::TextToHotKey(normal, kNaming) != code) std::abort();
  }
  return 0;
}
