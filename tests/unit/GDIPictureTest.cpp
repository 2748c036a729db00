// The picture keeps bytes unchanged, notifies in a fixed order and decodes on every measure and draw.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GdiPlusEnvironment.h"
#include "controls/GDIPicture.h"
#include "framework/SysUtils.h"

namespace px2d {
namespace {

struct TRecorder {
  std::vector<std::string> Log;
  void Attach(TGDIPPicture& p) {
    p.OnChange = [this](TObject*) { Log.push_back("change"); };
    p.OnClear = [this](TObject*) { Log.push_back("clear"); };
  }
};

std::vector<std::uint8_t> RedPng() {
  // 3 by 2: opaque red, half-transparent red, fully transparent.
  return test::EncodePng(3, 2, {0xFFFF0000, 0x80FF0000, 0x00000000, 0xFFFF0000, 0x80FF0000, 0x00000000});
}

TEST(GDIPPicture, DataFromTheLayoutIsKeptUnchangedAndMeasuredOnlyWhenAsked) {
  const auto png = RedPng();
  ASSERT_FALSE(png.empty());
  TGDIPPicture p;
  TRecorder r;
  r.Attach(p);
  EXPECT_TRUE(p.Empty());
  p.SetData(png);
  EXPECT_FALSE(p.Empty());
  EXPECT_EQ(p.Width(), 0);
  EXPECT_TRUE(r.Log.empty());
  p.MeasurePicture();
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(p.Height(), 2);
  EXPECT_EQ(p.Format(), TImageFormat::PNG);
  p.SetWidth(50);
  EXPECT_EQ(p.Width(), 3);
  TMemoryStream saved;
  p.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), png);
}

TEST(GDIPPicture, AssignmentNotifiesInOrder) {
  TGDIPPicture source;
  source.SetData(RedPng());
  TGDIPPicture p;
  TRecorder r;
  r.Attach(p);

  p.Assign(&source);
  EXPECT_FALSE(p.Empty());
  EXPECT_EQ(p.Data(), source.Data());
  EXPECT_EQ(p.Width(), 3);  // measured after the copy
  EXPECT_EQ(r.Log, (std::vector<std::string>{"change"}));
  // The copy shares the decoded picture, not the future: new bytes in it leave the source as it was.
  {
    TGDIPPicture copy;
    copy.Assign(&source);
    TBitmap other;
    other.SetSize(5, 4);
    TGDIPPicture bmp;
    bmp.Assign(&other);
    copy.Assign(&bmp);
    EXPECT_EQ(copy.Width(), 5);
    source.MeasurePicture();
    EXPECT_EQ(source.Width(), 3);
    EXPECT_EQ(p.Format(), TImageFormat::PNG);
  }

  r.Log.clear();
  p.Assign(nullptr);
  EXPECT_TRUE(p.Empty());
  EXPECT_TRUE(p.Data().empty());
  EXPECT_EQ(r.Log, (std::vector<std::string>{"change", "clear"}));

  r.Log.clear();
  TGDIPPicture empty;
  p.Assign(&empty);
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(r.Log, (std::vector<std::string>{"change"}));

  r.Log.clear();
  TBitmap bitmap;
  bitmap.SetSize(5, 4);
  p.Assign(&bitmap);
  EXPECT_FALSE(p.Empty());
  ASSERT_GE(p.Data().size(), 2u);
  EXPECT_EQ(std::string(p.Data().begin(), p.Data().begin() + 2), "BM");
  EXPECT_EQ(p.Width(), 5);
  EXPECT_EQ(p.Format(), TImageFormat::BMP);
  EXPECT_EQ(r.Log, (std::vector<std::string>{"change"}));

  // Anything else keeps the bytes but leaves the picture empty, without a word.
  r.Log.clear();
  TFont font;
  p.Assign(&font);
  EXPECT_TRUE(p.Empty());
  EXPECT_FALSE(p.Data().empty());
  EXPECT_TRUE(r.Log.empty());
}

TEST(GDIPPicture, LoadingFromStreamAndFile) {
  TGDIPPicture p;
  TRecorder r;
  r.Attach(p);
  p.LoadFromStream(nullptr);
  EXPECT_TRUE(p.Empty());
  TMemoryStream stream(RedPng());
  stream.SetPosition(5);  // the whole content counts, wherever the stream stands
  p.LoadFromStream(&stream);
  EXPECT_EQ(p.Data(), RedPng());
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(r.Log, (std::vector<std::string>{"change"}));

  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string file = std::string(dir) + "px2d_picture_test.png";
  const auto png = RedPng();
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(h, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
  CloseHandle(h);

  TGDIPPicture q;
  TRecorder rq;
  rq.Attach(q);
  q.LoadFromFile(file);
  DeleteFileA(file.c_str());
  EXPECT_FALSE(q.Empty());
  EXPECT_EQ(q.Height(), 2);
  EXPECT_EQ(rq.Log, (std::vector<std::string>{"clear", "change"}));

  rq.Log.clear();
  q.LoadFromFile(file);  // gone now
  EXPECT_TRUE(q.Empty());
  EXPECT_TRUE(rq.Log.empty());
}

// Draws the picture at (1, 1) on white and returns the surface.
std::unique_ptr<TDibSurface> DrawOnWhite(TGDIPPicture& p) {
  auto surface = std::make_unique<TDibSurface>(8, 8);
  surface->Fill(RGB(255, 255, 255));
  TCanvas canvas;
  canvas.SetHandle(surface->DC());
  p.MeasurePicture();
  canvas.Draw(1, 1, p);
  canvas.SetHandle(nullptr);
  return surface;
}

std::uint32_t Rgb(std::uint32_t pixel) { return pixel & 0xFFFFFF; }

TEST(GDIPPicture, PngDrawsWithItsAlphaAndBmpWithoutItsBottomLeftColour) {
  TGDIPPicture png;
  png.SetData(RedPng());
  auto s = DrawOnWhite(png);
  EXPECT_EQ(Rgb(s->Pixel(1, 1)), 0xFF0000u);
  const std::uint32_t half = s->Pixel(2, 1);  // alpha 128 red over white
  EXPECT_EQ((half >> 16) & 0xFF, 255u);
  EXPECT_NEAR(static_cast<int>((half >> 8) & 0xFF), 127, 3);
  EXPECT_EQ(Rgb(s->Pixel(3, 1)), 0xFFFFFFu);
  EXPECT_EQ(Rgb(s->Pixel(4, 1)), 0xFFFFFFu);  // nothing beyond the natural size

  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  SetPixel(bitmap.DC(), 0, 1, RGB(255, 0, 255));  // bottom-left: the transparent colour
  SetPixel(bitmap.DC(), 1, 1, RGB(255, 0, 255));
  SetPixel(bitmap.DC(), 0, 0, RGB(0, 0, 255));
  TGDIPPicture bmp;
  bmp.Assign(&bitmap);
  s = DrawOnWhite(bmp);
  EXPECT_EQ(Rgb(s->Pixel(1, 1)), 0x0000FFu);
  EXPECT_EQ(Rgb(s->Pixel(1, 2)), 0xFFFFFFu);
  EXPECT_EQ(Rgb(s->Pixel(2, 2)), 0xFFFFFFu);
  EXPECT_EQ(Rgb(s->Pixel(2, 1)), 0xFFFFFFu);  // the bitmap's own white
}

TEST(GDIPPicture, UndecodableBytesMeasureZeroAndDrawNothing) {
  TGDIPPicture p;
  p.SetData({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
  p.MeasurePicture();
  EXPECT_FALSE(p.Empty());
  EXPECT_EQ(p.Width(), 0);
  EXPECT_EQ(p.Height(), 0);
  EXPECT_EQ(p.Format(), TImageFormat::Unknown);
  auto surface = std::make_unique<TDibSurface>(8, 8);
  surface->Fill(RGB(255, 255, 255));
  TCanvas canvas;
  canvas.SetHandle(surface->DC());
  canvas.Draw(0, 0, p);
  canvas.SetHandle(nullptr);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Rgb(surface->Pixel(x, y)), 0xFFFFFFu);
}

}  // namespace
}  // namespace px2d
