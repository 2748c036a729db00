// The types that the glass button shares: layouts of picture and caption, hint positions, the
// rich-hint description and the short-cut hint window.
#pragma once

#include <windows.h>

#include <string>

#include "GDIPicture.h"
#include "framework/Controls.h"

namespace px2d {

// Where the picture sits against the caption (eight layouts, not the framework's four).
enum TButtonLayout {
  blGlyphLeft,
  blGlyphTop,
  blGlyphRight,
  blGlyphBottom,
  blGlyphLeftAdjusted,
  blGlyphRightAdjusted,
  blGlyphTopAdjusted,
  blGlyphBottomAdjusted
};

enum TShortCutHintPos {
  shpLeft,
  shpTop,
  shpRight,
  shpBottom,
  shpCenter,
  shpAuto,
  shpTopLeft,
  shpTopRight,
  shpAboveTop,
  shpAboveTopLeft,
  shpAboveTopRight,
  shpBottomLeft,
  shpBottomRight,
  shpBelowBottom,
  shpBelowBottomLeft,
  shpBelowBottomRight,
  shpBelowBottomCenter
};

// The request to show (lParam 1) or hide (lParam 0) a button's short-cut hint; wParam carries the
// short-cut marker ShortCutHintMarker. Other hint requests are the framework's.
constexpr UINT WM_PX2D_HINTSHOW = WM_APP + 0x3F0;
constexpr WPARAM ShortCutHintMarker = 1;

// A rich-hint description: stored with the button, shown by nothing in this program.
class THintInfo : public TObject {
 public:
  std::string Title;
  std::string Notes;
  TGDIPPicture Picture;
  bool ShowHelp = false;

  void Assign(const THintInfo& Source);
};

// A small borderless window beside a button that shows its short-cut: a vertical gradient from
// Color to ColorTo in 16 bands, the text centred on one line, a grey rounded frame.
class TShortCutHintWindow : public TCustomControl {
 public:
  explicit TShortCutHintWindow(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TShortCutHintWindow"; }

  TColor Color = static_cast<TColor>(0xE1FFFF);
  TColor ColorTo = static_cast<TColor>(0x9BD2F5);
  // The window that owns the hint (it stays above it).
  HWND OwnerWindow = nullptr;

  // Sizes the window to the text; never narrower than "O" plus 8 pixels.
  void SetHintText(const std::string& Text);
  void ShowAt(int ScreenX, int ScreenY);

 protected:
  void CreateParams(TCreateParams& Params) override;
  bool EraseBackground(HDC) override { return true; }
  void Paint() override;
};

}  // namespace px2d
