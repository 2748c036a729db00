// Shows the six page buttons of the options window in a row over white, the first one down, so
// that the glass can be looked at: tools/demo/run-glass-demo writes a screenshot.
#include <windows.h>

#include "DemoMain.h"
#include "controls/GDIPUtil.h"
#include "controls/GlassButton.h"
#include "framework/Forms.h"

using namespace px2d;

namespace {

class TDemoForm : public TForm {
 public:
  explicit TDemoForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Glass Buttons");
    SetClientSize(532, 98);
    SetColor(clWhite);
    TGDIPPicture icon;
    icon.SetData(ResourceBytes("PAGEICON"));
    const char* captions[6] = {"General Options",   "Background",          "Keyboard Activation",
                               "Active\r\nCorners", "Search Capabilities", "Animation Speeds"};
    BeginLoading();
    for (int i = 0; i < 6; ++i) {
      auto* b = InsertControl(std::make_unique<TGlassButton>(this));
      b->SetBounds(8 + 87 * i, 8, 81, 82);
      b->Tag = i;
      b->SetCaption(captions[i]);
      b->SetDown(i == 0);  // stored before the group, as a layout does
      b->SetBackColor(0xE7DCD5);
      b->SetCornerRadius(12);
      b->Font().SetName("Segoe UI");
      b->Font().SetHeight(-11);
      b->Font().SetColor(clWindowText);
      b->SetForeColor(clWhite);
      b->SetGlowColor(0xFFBD8D);
      b->SetGroupIndex(1);
      b->SetInnerBorderColor(0x909090);
      b->SetLayout(blGlyphTopAdjusted);
      b->SetOuterBorderColor(0xF0F0F0);
      b->SetPicture(&icon);
      b->SetShineColor(clWhite);
      b->SetShortCutHintPos(shpAboveTop);
      b->DoubleBuffered = true;
      Buttons[i] = b;
    }
    EndLoading();
  }
  const char* ClassName() const override { return "TGlassButtonDemo"; }
  TGlassButton* Buttons[6] = {};
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  TGDIPUtilSession gdiplus;
  return RunDemo<TDemoForm>("Glass Buttons");
}
