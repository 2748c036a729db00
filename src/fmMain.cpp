#include "fmMain.h"

namespace px2d {

const UINT SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Panoplex 2D Options");
  SetClientSize(590, 556);
  Color = RGB(255, 255, 255);
}

}  // namespace px2d
