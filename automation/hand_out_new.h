#pragma once
// The last step of making an object: its first reference, handed out.

#include <windows.h>
#include <unknwn.h>

#include <memory>

namespace ATL {

// Gives a new object its first reference through `iid`; an object whose
// QueryInterface fails is destroyed at once.
template <class Object>
HRESULT HandOutNew(std::unique_ptr<Object> object, REFIID iid, void** out) noexcept {
  const HRESULT hr = object->QueryInterface(iid, out);
  if (SUCCEEDED(hr)) object.release();  // the caller's reference owns it now
  return hr;
}

}  // namespace ATL
