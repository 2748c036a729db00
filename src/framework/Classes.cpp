#include "Classes.h"

#include <windows.h>

#include "Handles.h"
#include "SysUtils.h"

namespace px2d {

std::vector<std::uint8_t> ResourceBytes(const char* Name, const char* Type) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, Name, Type ? Type : MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  if (!bytes) return {};
  return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(module, found));
}

void TMemoryStream::LoadFromStream(TStream& Source) {
  const std::size_t start = Source.Position();
  const std::size_t count = Source.Size() > start ? Source.Size() - start : 0;
  std::vector<std::uint8_t> bytes(count);
  bytes.resize(Source.Read(bytes.data(), count));
  FBytes = std::move(bytes);
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TUniqueHandle file(CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    throw Exception(
        Format("Cannot open file \"%s\". %s", FileName.c_str(), SysErrorMessage(GetLastError()).c_str()));
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) RaiseLastOSError();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    RaiseLastOSError();
  FBytes = std::move(bytes);
  FPosition = 0;
}

}  // namespace px2d
