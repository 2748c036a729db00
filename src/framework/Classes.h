// The root of the object model: objects, components with an owner, and notify events.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace px2d {

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
};

// An event handler with the sender as its only argument; empty means unassigned.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Keys and buttons held during an input event, combined as bits; also the modifier set of a hot key.
enum TShiftFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};
using TShiftState = unsigned;

// Stores Value in Field when they differ; true when it did. Properties that redraw on a change
// use it so that writing the value a property already has costs nothing.
template <class T>
bool StoreIfChanged(T& Field, const T& Value) {
  if (Field == Value) return false;
  Field = Value;
  return true;
}

// A named component; it owns the components handed to it and frees them, newest first, with itself.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner = nullptr) : FOwner(AOwner) {}
  ~TComponent() override { DestroyComponents(); }

  TComponent* Owner() const { return FOwner; }

  // Takes ownership of a component made for this owner and returns it.
  template <class T>
  T* Own(std::unique_ptr<T> component) {
    T* raw = component.get();
    FComponents.push_back(std::move(component));
    return raw;
  }

  std::string Name;
  int Tag = 0;

  // While a layout is applied to a component and the components it owns, Loading() is true;
  // EndLoading() clears it and then gives each of them its Loaded() notification, owner first.
  bool Loading() const { return FLoading; }
  virtual void BeginLoading() {
    FLoading = true;
    for (auto& c : FComponents) c->BeginLoading();
  }
  virtual void EndLoading() {
    if (!FLoading) return;
    FLoading = false;
    Loaded();
    for (auto& c : FComponents) c->EndLoading();
  }

 protected:
  virtual void Loaded() {}

  void DestroyComponents() {
    while (!FComponents.empty()) FComponents.pop_back();
  }

 private:
  TComponent* FOwner;
  bool FLoading = false;
  std::vector<std::unique_ptr<TComponent>> FComponents;
};

// A list of texts as a list control holds them; FindExact uses the list's own look-up of a whole entry.
class TStrings {
 public:
  virtual ~TStrings() = default;
  virtual void Clear() = 0;
  virtual int Add(const std::string& S) = 0;
  virtual int Count() const = 0;
  virtual std::string Get(int Index) const = 0;
  virtual int FindExact(const std::string& S) const = 0;
};
// The bytes of a resource of the program (RCDATA unless another type is given); empty when it is missing.
std::vector<std::uint8_t> ResourceBytes(const char* Name, const char* Type = nullptr);

// A sequence of bytes with a position, read and written in blocks.
class TStream : public TObject {
 public:
  virtual std::size_t Read(void* Buffer, std::size_t Count) = 0;
  virtual void Write(const void* Buffer, std::size_t Count) = 0;
  virtual std::size_t Size() const = 0;
  virtual std::size_t Position() const = 0;
  virtual void SetPosition(std::size_t Value) = 0;
};

// A stream over bytes held in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> Bytes) : FBytes(std::move(Bytes)) {}

  std::size_t Read(void* Buffer, std::size_t Count) override {
    const std::size_t n = FPosition < FBytes.size() ? std::min(Count, FBytes.size() - FPosition) : 0;
    if (n) std::copy_n(FBytes.data() + FPosition, n, static_cast<std::uint8_t*>(Buffer));
    FPosition += n;
    return n;
  }
  void Write(const void* Buffer, std::size_t Count) override {
    if (FPosition + Count > FBytes.size()) FBytes.resize(FPosition + Count);
    if (Count) std::copy_n(static_cast<const std::uint8_t*>(Buffer), Count, FBytes.data() + FPosition);
    FPosition += Count;
  }
  std::size_t Size() const override { return FBytes.size(); }
  std::size_t Position() const override { return FPosition; }
  void SetPosition(std::size_t Value) override { FPosition = Value; }

  const std::vector<std::uint8_t>& Bytes() const { return FBytes; }
  void Clear() {
    FBytes.clear();
    FPosition = 0;
  }
  // Replaces the content with the rest of Source from its position.
  void LoadFromStream(TStream& Source);
  // Replaces the content with the file's bytes; raises an Exception when it cannot be read.
  void LoadFromFile(const std::string& FileName);

 private:
  std::vector<std::uint8_t> FBytes;
  std::size_t FPosition = 0;
};

}  // namespace px2d
