#include "ExtCtrls.h"

#include <oleacc.h>

#include <cstring>
#include <vector>

#include "Handles.h"
#include "SysUtils.h"

namespace px2d {

// --- TPanel ---

void TPanel::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TPanel::GetAccessibleFacts(TAccessibleFacts& Facts) const {
  TWinControl::GetAccessibleFacts(Facts);
  if (!Facts.Name.empty()) Facts.Role = ROLE_SYSTEM_GROUPING;
  Facts.StateRemoved = STATE_SYSTEM_FOCUSABLE;
}

// --- TBevel ---

void TBevel::Paint() {
  const int w = Width();
  Canvas().FillRect(RECT{0, 0, w, 1}, clBtnShadow);
  Canvas().FillRect(RECT{0, 1, w, 2}, clBtnHighlight);
}

// --- TImage ---

void TImage::LoadFromResourceName(const char* Name) {
  const std::vector<std::uint8_t> info = ResourceBytes(Name, MAKEINTRESOURCEA(2));  // RT_BITMAP
  BITMAPINFOHEADER header{};
  if (info.size() < sizeof(header)) throw Exception(Format("Resource %s not found", Name));
  std::memcpy(&header, info.data(), sizeof(header));
  // A bitmap resource is a BMP file without its file header: put one in front.
  DWORD colors = header.biClrUsed;
  if (colors == 0 && header.biBitCount <= 8) colors = 1u << header.biBitCount;
  const DWORD masks = header.biCompression == BI_BITFIELDS ? 12 : 0;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = static_cast<DWORD>(sizeof(file)) + header.biSize + masks + colors * 4;
  file.bfSize = static_cast<DWORD>(sizeof(file) + info.size());
  TMemoryStream stream;
  stream.Write(&file, sizeof(file));
  stream.Write(info.data(), info.size());
  stream.SetPosition(0);
  FPicture.LoadFromStream(&stream);
  Invalidate();
}

void TImage::Paint() {
  if (FPicture.Empty()) return;
  // Drawn at its own size at the design resolution; at another, scaled with the rest of the layout.
  const int w = Scale(FPicture.Width()), h = Scale(FPicture.Height());
  HDC dc = Canvas().Handle();
  if (w == FPicture.Width() && h == FPicture.Height()) {
    BitBlt(dc, 0, 0, w, h, FPicture.DC(), 0, 0, SRCCOPY);
    return;
  }
  const int oldMode = SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, 0, 0, w, h, FPicture.DC(), 0, 0, FPicture.Width(), FPicture.Height(), SRCCOPY);
  SetStretchBltMode(dc, oldMode);
}

}  // namespace px2d
