// The native stand-in for the locale's case-insensitive comparison: ASCII letters only.
// The Windows program passes CompareStringA instead.
#pragma once

#include <cctype>
#include <string_view>

namespace px2d::standin {

inline bool AsciiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace px2d::standin
