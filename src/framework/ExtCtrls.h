// Containers and decorations: the panel, the bevel line and the picture.
#pragma once

#include <string>

#include "Controls.h"

namespace px2d {

// A container without a border, painted in its own colour or, while ParentColor is on, its parent's.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* AOwner = nullptr) : TWinControl(AOwner) {}
  const char* ClassName() const override { return "TPanel"; }

  // A panel holds the focus only through its controls; one with an AccessibleName is a group of
  // them, announced by that name.
  void GetAccessibleFacts(TAccessibleFacts& Facts) const override;

 protected:
  void CreateParams(TCreateParams& Params) override;
};

// A lowered (etched) line along the top edge of its bounds.
class TBevel : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override;
};

// A bitmap shown at its own size in the top-left corner of its bounds (scaled with the layout at
// another resolution), neither stretched to the bounds nor centred.
class TImage : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

  TBitmap& Picture() { return FPicture; }
  // Loads a bitmap resource of the program; raises an Exception when it is missing or not valid.
  void LoadFromResourceName(const char* Name);

 protected:
  void Paint() override;

 private:
  TBitmap FPicture;
};

}  // namespace px2d
