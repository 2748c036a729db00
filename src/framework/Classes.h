// The root of the object model: objects, components with an owner, and notify events.
#pragma once

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

}  // namespace px2d
