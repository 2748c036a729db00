// A picture that keeps an image file's bytes unchanged and decodes them with GDI+ whenever it is
// measured or drawn, so that pictures with alpha land correctly on translucent glass.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Graphics.h"

namespace px2d {

class TDecodedImage;

// The stored format of an image, told apart by GDI+'s raw format identifiers.
enum class TImageFormat { Unknown, MemoryBMP, BMP, EMF, WMF, JPEG, PNG, GIF, TIFF, EXIF, Icon };

class TGDIPPicture : public TGraphic {
 public:
  TGDIPPicture();
  ~TGDIPPicture() override;

  // Counts as empty after construction, after clearing and after a failed load, even when bytes remain.
  bool Empty() const override { return FEmpty; }
  // The size as last measured; writing it does nothing.
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}

  // The encoded image, byte for byte: the value stored with the layout as "Data".
  const std::vector<std::uint8_t>& Data() const { return FData; }
  // Reading "Data" from the layout: the bytes become the data; no measurement, no notification.
  void SetData(std::vector<std::uint8_t> Bytes);

  void Assign(const TObject* Source) override;
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream& Stream) const override;
  // A failed load leaves the picture empty and reports nothing.
  void LoadFromFile(const std::string& FileName) override;
  void LoadFromClipboardFormat() {}
  void SaveToClipboardFormat() const {}

  // Refreshes Width and Height from the data; undecodable bytes measure 0 by 0.
  void MeasurePicture();
  // The format of the data as GDI+ decodes it; Unknown when it cannot be decoded.
  TImageFormat Format() const;

  TNotifyEvent OnClear;

 protected:
  void Draw(TCanvas& Canvas, const RECT& Rect) override;

 private:
  // The bytes decoded, kept while they stay the same: a paint measures and draws without decoding
  // the same image again, and every change of the bytes is decoded afresh.
  const TDecodedImage& Decoded() const;
  std::vector<std::uint8_t> FData;
  bool FEmpty = true;
  int FWidth = 0, FHeight = 0;
  // Shared by the copies of the same bytes: six page buttons show one picture, decoded once.
  mutable std::shared_ptr<const TDecodedImage> FDecoded;
  mutable std::vector<std::uint8_t> FDecodedBytes;
};

}  // namespace px2d
