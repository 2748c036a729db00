// The root of the object model: objects, components with an owner, and notify events.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
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

 protected:
  void DestroyComponents() {
    while (!FComponents.empty()) FComponents.pop_back();
  }

 private:
  TComponent* FOwner;
  std::vector<std::unique_ptr<TComponent>> FComponents;
};

// The keyboard and mouse state that travels with input: a set of these members.
enum TShiftStateElement { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };

class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(std::initializer_list<TShiftStateElement> Elements) {
    for (TShiftStateElement element : Elements) Include(element);
  }
  constexpr bool Contains(TShiftStateElement Element) const { return (FBits & Bit(Element)) != 0; }
  constexpr TShiftState& Include(TShiftStateElement Element) {
    FBits = static_cast<std::uint8_t>(FBits | Bit(Element));
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr bool operator==(const TShiftState&) const = default;

 private:
  static constexpr std::uint8_t Bit(TShiftStateElement Element) {
    return static_cast<std::uint8_t>(1u << Element);
  }
  std::uint8_t FBits = 0;
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

}  // namespace px2d
