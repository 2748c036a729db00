// A window to look at: eight position markers around a small screen picture, placed as on the
// search page. A click selects a marker. Run it in the test bed and capture "Position Markers".
#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "DemoMain.h"
#include "controls/SmoothButton.h"
#include "controls/SmoothGDIP.h"
#include "framework/Forms.h"

using namespace px2d;

namespace {

constexpr TColor SelectedColor = 16750899;
constexpr TColor IdleColor = 7237229;
// The search page's origin is moved so that the picture and its markers fill a small window.
constexpr int OffsetX = 150, OffsetY = 200;

// A stand-in for the plain screen picture: a blue-green desktop, brighter yellow-green towards
// the bottom left, with two soft light streaks.
class TScreenPicture : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override {
    if (!FPicture) {
      FPicture = std::make_unique<TDibSurface>(120, 90);
      for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
          const double warm = std::clamp((y / 90.0) * 0.8 + (1 - x / 120.0) * 0.5 - 0.4, 0.0, 1.0);
          const double streak = std::max(0.0, 1 - std::abs((x - 1.6 * y) - 10) / 14.0) * 0.35 +
                                std::max(0.0, 1 - std::abs((x - 1.6 * y) + 50) / 10.0) * 0.25;
          auto mix = [&](double a, double b) {
            return static_cast<std::uint32_t>(
                std::clamp(a + (b - a) * warm + 255 * streak * 0.5, 0.0, 255.0));
          };
          FPicture->Bits()[y * 120 + x] = mix(20, 170) << 16 | mix(110, 200) << 8 | mix(150, 60);
        }
    }
    BitBlt(Canvas().Handle(), 0, 0, 120, 90, FPicture->DC(), 0, 0, SRCCOPY);
  }

 private:
  std::unique_ptr<TDibSurface> FPicture;
};

class TMarkerDemo : public TForm {
 public:
  explicit TMarkerDemo(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Position Markers");
    SetClientSize(370, 200);
    SetColor(clWhite);
    auto picture = InsertControl(std::make_unique<TScreenPicture>(this));
    picture->SetBounds(200 - OffsetX, 251 - OffsetY, 120, 90);
    // Clockwise from the top-left, as the search positions count.
    const std::array<POINT, 8> places = {
        {{178, 229}, {249, 229}, {326, 229}, {326, 291}, {326, 347}, {249, 347}, {178, 347}, {178, 291}}};
    for (int i = 0; i < 8; ++i) {
      auto marker = InsertControl(std::make_unique<TSmoothButton>(this));
      marker->SetBounds(places[i].x - OffsetX, places[i].y - OffsetY, 16, 16);
      marker->Tag = i;
      marker->OnClick = [this](TObject* Sender) { Select(static_cast<TSmoothButton*>(Sender)->Tag); };
      FMarkers[i] = marker;
    }
    Select(0);
  }
  const char* ClassName() const override { return "TMarkerDemo"; }

 private:
  void Select(int Index) {
    for (auto* marker : FMarkers) marker->SetColor(marker->Tag == Index ? SelectedColor : IdleColor);
  }
  std::array<TSmoothButton*, 8> FMarkers{};
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  TSmoothGDIP gdip;
  return RunDemo<TMarkerDemo>("Position Markers");
}
