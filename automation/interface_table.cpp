#include "automation/interface_table.h"

namespace {

// The face a row of the table names, in the object at `object`.
IUnknown* FaceOf(void* object, const ATL::InterfaceEntry& row) noexcept {
  return reinterpret_cast<IUnknown*>(static_cast<BYTE*>(object) + row.data);
}

// The face, with a reference added through it, in *out.
HRESULT HandOutFace(IUnknown* face, void** out) noexcept {
  face->AddRef();
  *out = face;
  return S_OK;
}

}  // namespace

namespace ATL {

HRESULT FindInterface(void* object, const InterfaceEntry* table, REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (InlineIsEqualGUID(iid, IID_IUnknown)) return HandOutFace(FaceOf(object, table[0]), out);
  for (const InterfaceEntry* row = table; row->handler != qvapi::InterfaceEntryKind::End; ++row) {
    if (InlineIsEqualGUID(iid, *row->iid)) return HandOutFace(FaceOf(object, *row), out);
  }
  return E_NOINTERFACE;
}

}  // namespace ATL
