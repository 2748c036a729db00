// A colour scheme set for the whole desktop with SetSysColors, and the one before put back when it
// goes, whatever the test did meanwhile. (Wine does not take a high-contrast flag from
// SPI_SETHIGHCONTRAST; its colours are what such a scheme sets.)
#pragma once

#include <windows.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace px2d::test {

class TColorScheme {
 public:
  explicit TColorScheme(std::initializer_list<std::pair<int, COLORREF>> Colors) {
    for (const auto& [index, color] : Colors) {
      FIndexes.push_back(index);
      FOld.push_back(GetSysColor(index));
      FNew.push_back(color);
    }
    SetSysColors(static_cast<int>(FIndexes.size()), FIndexes.data(), FNew.data());
  }
  ~TColorScheme() { SetSysColors(static_cast<int>(FIndexes.size()), FIndexes.data(), FOld.data()); }
  TColorScheme(const TColorScheme&) = delete;
  TColorScheme& operator=(const TColorScheme&) = delete;

 private:
  std::vector<int> FIndexes;
  std::vector<COLORREF> FOld, FNew;
};

}  // namespace px2d::test
