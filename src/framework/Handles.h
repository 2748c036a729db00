// Owners for kernel handles, mapped views and GDI objects, so that every path releases them.
#pragma once

#include <windows.h>

#include <utility>

namespace px2d {

class TUniqueHandle {
 public:
  TUniqueHandle() = default;
  explicit TUniqueHandle(HANDLE handle) : FHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~TUniqueHandle() { Reset(); }
  TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      FHandle = std::exchange(other.FHandle, nullptr);
    }
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;

  HANDLE Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }
  void Reset() {
    if (FHandle) CloseHandle(FHandle);
    FHandle = nullptr;
  }

 private:
  HANDLE FHandle = nullptr;
};

// An icon made for this program (not a shared one), destroyed when it goes.
class TIcon {
 public:
  TIcon() = default;
  explicit TIcon(HICON icon) : FIcon(icon) {}
  ~TIcon() { Reset(); }
  TIcon(TIcon&& other) noexcept : FIcon(std::exchange(other.FIcon, nullptr)) {}
  TIcon& operator=(TIcon&& other) noexcept {
    if (this != &other) {
      Reset();
      FIcon = std::exchange(other.FIcon, nullptr);
    }
    return *this;
  }
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  HICON Get() const { return FIcon; }
  explicit operator bool() const { return FIcon != nullptr; }
  void Reset() {
    if (FIcon) DestroyIcon(FIcon);
    FIcon = nullptr;
  }

 private:
  HICON FIcon = nullptr;
};

class TMappedView {
 public:
  TMappedView() = default;
  explicit TMappedView(void* view) : FView(view) {}
  ~TMappedView() { Reset(); }
  TMappedView(TMappedView&& other) noexcept : FView(std::exchange(other.FView, nullptr)) {}
  TMappedView& operator=(TMappedView&& other) noexcept {
    if (this != &other) {
      Reset();
      FView = std::exchange(other.FView, nullptr);
    }
    return *this;
  }
  TMappedView(const TMappedView&) = delete;
  TMappedView& operator=(const TMappedView&) = delete;

  void* Get() const { return FView; }
  explicit operator bool() const { return FView != nullptr; }
  void Reset() {
    if (FView) UnmapViewOfFile(FView);
    FView = nullptr;
  }

 private:
  void* FView = nullptr;
};

// Owner of a GDI object (bitmap, font, brush, pen, region).
template <class T = HGDIOBJ>
class TGdiObject {
 public:
  TGdiObject() = default;
  explicit TGdiObject(T object) : FObject(object) {}
  ~TGdiObject() { Reset(); }
  TGdiObject(TGdiObject&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  TGdiObject& operator=(TGdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      FObject = std::exchange(other.FObject, nullptr);
    }
    return *this;
  }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;

  T Get() const { return FObject; }
  explicit operator bool() const { return FObject != nullptr; }
  void Reset(T object = nullptr) {
    if (FObject) DeleteObject(FObject);
    FObject = object;
  }

 private:
  T FObject = nullptr;
};

// A memory device context, deleted with its owner.
class TMemoryDC {
 public:
  explicit TMemoryDC(HDC compatible) : FDC(CreateCompatibleDC(compatible)) {}
  ~TMemoryDC() {
    if (FDC) DeleteDC(FDC);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const { return FDC; }

 private:
  HDC FDC;
};

// A window's device context from GetDC, released with its owner.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : FWindow(window), FDC(GetDC(window)) {}
  ~TWindowDC() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const { return FDC; }

 private:
  HWND FWindow;
  HDC FDC;
};

// Selects an object into a device context for a scope and puts the previous one back.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ object) : FDC(dc), FOld(SelectObject(dc, object)) {}
  ~TSelectObject() {
    if (FOld && FOld != HGDI_ERROR) SelectObject(FDC, FOld);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC FDC;
  HGDIOBJ FOld;
};

// Saves a device context's state (origin, clip, selections) for a scope.
class TSavedDC {
 public:
  explicit TSavedDC(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
  ~TSavedDC() {
    if (FSaved) RestoreDC(FDC, FSaved);
  }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  HDC FDC;
  int FSaved;
};

}  // namespace px2d
