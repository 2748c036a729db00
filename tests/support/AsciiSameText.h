// The native stand-in for the locale's case-insensitive comparison: ASCII letters only.
// The Windows program passes CompareStringA instead.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

#include "core/SettingsText.h"

namespace px2d::standin {

inline bool AsciiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

inline std::string AsciiLowerCase(std::string_view a) {
  std::string key(a);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

// The stand-in's rule for settings names: the comparison above, and the key that it makes equal.
inline const TNameRule& AsciiNameRule() {
  static const TNameRule rule{AsciiSameText, [](std::string_view a) { return HashBytes(AsciiLowerCase(a)); }};
  return rule;
}

}  // namespace px2d::standin
