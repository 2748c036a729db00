// The options window.
#pragma once

#include <windows.h>

#include "framework/Classes.h"
#include "framework/Forms.h"

namespace px2d {

// "WM_PX2D_SETUP", registered when the program starts; posted to every top-level window after Apply.
extern const UINT SetupMessage;

// Clears the list and appends the name of every key from 0 to 255 that has one, each name once,
// at the place of the lowest key that has it.
void FillKeyList(TStrings& List);

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);
  const char* ClassName() const override { return "TForm1"; }
};

}  // namespace px2d
