#pragma once
// A VARIANT that clears itself: what a conversion gives (a BSTR, an object
// reference) is freed with its owner.

#include <windows.h>
#include <oleauto.h>

namespace qvapi {

class OwnedVariant {
 public:
  OwnedVariant() noexcept { VariantInit(&value_); }
  ~OwnedVariant() { VariantClear(&value_); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;

  // For an out-parameter: the variant, empty.
  VARIANT* put() noexcept {
    VariantClear(&value_);
    return &value_;
  }
  const VARIANT* get() const noexcept { return &value_; }

 private:
  VARIANT value_;
};

}  // namespace qvapi
