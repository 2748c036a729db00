#include "GdiPlusEnvironment.h"

#include <memory>

namespace px2d::test {
namespace {

class TGdiPlusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { FSession = std::make_unique<TGDIPUtilSession>(); }
  void TearDown() override { FSession.reset(); }

 private:
  std::unique_ptr<TGDIPUtilSession> FSession;
};

const auto* const Registered = ::testing::AddGlobalTestEnvironment(new TGdiPlusEnvironment);

bool PngEncoder(CLSID& clsid) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  std::vector<std::uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (!size || Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) == L"image/png") {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(int Width, int Height, const std::vector<std::uint32_t>& Pixels) {
  Gdiplus::Bitmap bitmap(Width, Height, PixelFormat32bppARGB);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(Pixels[y * Width + x]));
  CLSID png{};
  IStream* stream = nullptr;
  if (!PngEncoder(png) || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return {};
  std::vector<std::uint8_t> bytes;
  if (bitmap.Save(stream, &png, nullptr) == Gdiplus::Ok) {
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    bytes.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    bytes.resize(read);
  }
  stream->Release();
  return bytes;
}

}  // namespace px2d::test
