// Owners for COM: the apartment of the calling thread and interface pointers.
#pragma once

#include <objbase.h>

#include <utility>

namespace dm {

// COM for this thread while the object lives. Uninitialised only when this
// object's call started it (a thread that already had COM keeps it).
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // False when COM could not be used on this thread at all.
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

// One reference to a COM interface, released with its owner.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }

  void Reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }
  T* Get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For the calls that hand out a new reference.
  void** Put() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }

  // Another interface of the same object; empty when it has none.
  template <typename U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> other;
    if (pointer_ && FAILED(pointer_->QueryInterface(iid, other.Put()))) other.Reset();
    return other;
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace dm
