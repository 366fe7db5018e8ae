#include "automation/interface_table.h"

namespace ATL {

namespace {

IUnknown* FaceAt(void* object, const InterfaceEntry& row) noexcept {
  return reinterpret_cast<IUnknown*>(static_cast<BYTE*>(object) + row.data);
}

HRESULT HandOut(IUnknown* face, void** out) noexcept {
  face->AddRef();
  *out = face;
  return S_OK;
}

}  // namespace

HRESULT FindInterface(void* object, const InterfaceEntry* table, REFIID iid,
                      void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (InlineIsEqualGUID(iid, IID_IUnknown)) return HandOut(FaceAt(object, table[0]), out);
  for (const InterfaceEntry* row = table; row->handler != InterfaceEntryKind::End; ++row) {
    if (InlineIsEqualGUID(iid, *row->iid)) return HandOut(FaceAt(object, *row), out);
  }
  return E_NOINTERFACE;
}

}  // namespace ATL
