// The items of a standard drop-down list, seen as a list of texts.
#pragma once

#include <windows.h>

#include <string>

#include "Classes.h"

namespace px2d {

// Reads and changes the items of a combo box window; FindExact is the box's own whole-entry
// look-up, which ignores letter case.
class TComboBoxStrings : public TStrings {
 public:
  explicit TComboBoxStrings(HWND ComboBox) : FHandle(ComboBox) {}

  void Clear() override;
  int Add(const std::string& S) override;
  int Count() const override;
  std::string Get(int Index) const override;
  int FindExact(const std::string& S) const override;

 private:
  HWND FHandle;
};

}  // namespace px2d
