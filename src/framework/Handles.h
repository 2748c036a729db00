// Owners for kernel handles and mapped views, so that every path releases them.
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

}  // namespace px2d
