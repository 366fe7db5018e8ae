// A move-only owner of one COM interface reference, so no test leaks a
// reference when an assertion ends it early.
#pragma once

#include <utility>

template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For out-parameters: drops what is held and hands out the empty slot.
    Interface** put() {
        reset();
        return &pointer_;
    }

    void reset() {
        if (pointer_) std::exchange(pointer_, nullptr)->Release();
    }

private:
    Interface* pointer_ = nullptr;
};
