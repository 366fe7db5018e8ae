#pragma once
// A move-only owner of one COM interface reference.

#include <utility>

namespace qvapi {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* get() const noexcept { return pointer_; }
  Interface* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  // For out-parameters: drops what is held and hands out the empty slot.
  Interface** put() noexcept {
    reset();
    return &pointer_;
  }
  // Hands the reference over to the caller.
  Interface* detach() noexcept { return std::exchange(pointer_, nullptr); }

  void reset() noexcept {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace qvapi
