#include "fmMain.h"

#include "unHotKeys.h"

namespace px2d {

const UINT SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");

void FillKeyList(TStrings& List) {
  List.Clear();
  for (std::uint16_t key = 0; key <= 255; ++key) {
    const std::string name = HotKeyToText(key);
    if (!name.empty() && List.FindExact(name) < 0) List.Add(name);
  }
}

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Panoplex 2D Options");
  SetClientSize(590, 556);
  SetColor(clWhite);
}

}  // namespace px2d
