#include "GDIPicture.h"

#include <cstring>
#include <memory>

#include "GDIPUtil.h"
#include "framework/SysUtils.h"

namespace px2d {

namespace {

// GDI+'s raw format identifiers differ only in their first group.
TImageFormat FormatOf(const GUID& raw) {
  static const GUID tail = {0, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  if (raw.Data2 != tail.Data2 || raw.Data3 != tail.Data3 || std::memcmp(raw.Data4, tail.Data4, 8) != 0)
    return TImageFormat::Unknown;
  switch (raw.Data1) {
    case 0xb96b3caa:
      return TImageFormat::MemoryBMP;
    case 0xb96b3cab:
      return TImageFormat::BMP;
    case 0xb96b3cac:
      return TImageFormat::EMF;
    case 0xb96b3cad:
      return TImageFormat::WMF;
    case 0xb96b3cae:
      return TImageFormat::JPEG;
    case 0xb96b3caf:
      return TImageFormat::PNG;
    case 0xb96b3cb0:
      return TImageFormat::GIF;
    case 0xb96b3cb1:
      return TImageFormat::TIFF;
    case 0xb96b3cb2:
      return TImageFormat::EXIF;
    case 0xb96b3cb5:
      return TImageFormat::Icon;
    default:
      return TImageFormat::Unknown;
  }
}

struct TStreamRelease {
  void operator()(IStream* s) const { s->Release(); }
};

std::vector<std::uint8_t> SavedBytes(const TGraphic& Graphic) {
  TMemoryStream stream;
  Graphic.SaveToStream(stream);
  return stream.Bytes();
}

}  // namespace

// The bytes decoded by GDI+ from a global memory block with a stream over it.
class TDecodedImage {
 public:
  explicit TDecodedImage(const std::vector<std::uint8_t>& Data) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, Data.size());
    if (!block) throw Exception("Could not allocate memory for image");
    if (void* p = GlobalLock(block)) {
      std::memcpy(p, Data.data(), Data.size());
      GlobalUnlock(block);
    }
    IStream* stream = nullptr;
    // The stream frees the block when it is released.
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || !stream) {
      GlobalFree(block);
      throw Exception("Could not allocate memory for image");
    }
    FStream.reset(stream);
    FImage = std::make_unique<Gdiplus::Image>(stream, FALSE);
    if (FImage->GetLastStatus() != Gdiplus::Ok) FImage.reset();
  }
  ~TDecodedImage() { FImage.reset(); }  // before the stream it reads from
  TDecodedImage(const TDecodedImage&) = delete;
  TDecodedImage& operator=(const TDecodedImage&) = delete;

  Gdiplus::Image* Image() const { return FImage.get(); }
  TImageFormat Format() const {
    GUID raw{};
    return FImage && FImage->GetRawFormat(&raw) == Gdiplus::Ok ? FormatOf(raw) : TImageFormat::Unknown;
  }

 private:
  std::unique_ptr<IStream, TStreamRelease> FStream;
  std::unique_ptr<Gdiplus::Image> FImage;
};

TGDIPPicture::TGDIPPicture() = default;
TGDIPPicture::~TGDIPPicture() = default;

const TDecodedImage& TGDIPPicture::Decoded() const {
  if (!FDecoded || FDecodedBytes != FData) {
    FDecoded = std::make_shared<const TDecodedImage>(FData);
    FDecodedBytes = FData;
  }
  return *FDecoded;
}

void TGDIPPicture::SetData(std::vector<std::uint8_t> Bytes) {
  FData = std::move(Bytes);
  FEmpty = false;
}

void TGDIPPicture::Assign(const TObject* Source) {
  FEmpty = true;
  if (!Source) {
    FData.clear();
    Changed();
    if (OnClear) OnClear(this);
    return;
  }
  if (const auto* picture = dynamic_cast<const TGDIPPicture*>(Source)) {
    if (picture != this) FData = picture->FData;
    FEmpty = FData.empty();
    if (picture != this && !FEmpty) {
      picture->Decoded();
      FDecoded = picture->FDecoded;
      FDecodedBytes = picture->FDecodedBytes;
    }
    Changed();
  } else if (const auto* bitmap = dynamic_cast<const TBitmap*>(Source)) {
    FData = SavedBytes(*bitmap);
    FEmpty = false;
    Changed();
  } else if (const auto* holder = dynamic_cast<const TPicture*>(Source)) {
    FData = holder->Graphic() ? SavedBytes(*holder->Graphic()) : std::vector<std::uint8_t>{};
    FEmpty = false;
    Changed();
  }
  MeasurePicture();
}

void TGDIPPicture::LoadFromStream(TStream* Stream) {
  if (!Stream) return;
  Stream->SetPosition(0);
  TMemoryStream bytes;
  bytes.LoadFromStream(*Stream);
  FData = bytes.Bytes();
  FEmpty = false;
  MeasurePicture();
  Changed();
}

void TGDIPPicture::SaveToStream(TStream& Stream) const { Stream.Write(FData.data(), FData.size()); }

void TGDIPPicture::LoadFromFile(const std::string& FileName) {
  try {
    TMemoryStream bytes;
    bytes.LoadFromFile(FileName);
    FData = bytes.Bytes();
    FEmpty = false;
    if (OnClear) OnClear(this);
    MeasurePicture();
    Changed();
  } catch (const std::exception&) {
    FEmpty = true;
  }
}

void TGDIPPicture::MeasurePicture() {
  if (FEmpty || FData.empty()) return;
  const TDecodedImage& decoded = Decoded();
  FWidth = decoded.Image() ? static_cast<int>(decoded.Image()->GetWidth()) : 0;
  FHeight = decoded.Image() ? static_cast<int>(decoded.Image()->GetHeight()) : 0;
}

TImageFormat TGDIPPicture::Format() const {
  if (FData.empty()) return TImageFormat::Unknown;
  return Decoded().Format();
}

void TGDIPPicture::Draw(TCanvas& Canvas, const RECT& Rect) {
  if (FEmpty || FData.empty()) return;
  const TDecodedImage& decoded = Decoded();
  if (!decoded.Image()) return;
  if (decoded.Format() == TImageFormat::BMP) {
    // A bitmap has no alpha of its own: the colour of its bottom-left pixel is left out instead.
    // One that cannot be loaded draws nothing: an error raised from a paint would come back with
    // every repaint.
    TBitmap bitmap;
    TMemoryStream bytes(FData);
    try {
      bitmap.LoadFromStream(&bytes);
    } catch (const Exception&) {
      return;
    }
    bitmap.SetTransparent(true);
    Canvas.Draw(Rect.left, Rect.top, bitmap);
    return;
  }
  FWidth = static_cast<int>(decoded.Image()->GetWidth());
  FHeight = static_cast<int>(decoded.Image()->GetHeight());
  Gdiplus::Graphics graphics(Canvas.Handle());
  graphics.DrawImage(decoded.Image(), static_cast<INT>(Rect.left), static_cast<INT>(Rect.top),
                     static_cast<INT>(Rect.right - Rect.left), static_cast<INT>(Rect.bottom - Rect.top));
}

}  // namespace px2d
