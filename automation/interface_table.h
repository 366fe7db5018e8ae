#pragma once
// The table-driven QueryInterface of every object of the server: a constant
// table of the interfaces an object answers and where each face lies.

#include <windows.h>
#include <unknwn.h>

namespace qvapi {

// What a row of an interface table is.
enum class InterfaceEntryKind : DWORD_PTR {
  End = 0,     // the row after the last one
  Offset = 1,  // the face lies at a fixed displacement from the object's start
};

// The displacement of the face `Face` within an object of class `Object`,
// as the compiler laid it out.
template <class Object, class Face>
DWORD FaceOffset() noexcept {
  // Any non-null address will do: only the difference is kept.
  Object* const object = reinterpret_cast<Object*>(0x1000);
  return static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(static_cast<Face*>(object)) - 0x1000);
}

}  // namespace qvapi

namespace ATL {

struct InterfaceEntry {
  const IID* iid;  // null only in the end row
  DWORD data;      // displacement of the face from the object's start
  qvapi::InterfaceEntryKind handler;
};

// Answers `iid` from `table` for the object at `object`: the face, with one
// reference added through it, in *out and S_OK; E_NOINTERFACE with *out null
// when no row answers; E_POINTER when `out` is null. IID_IUnknown is always
// answered by the first row, the object's identity.
HRESULT FindInterface(void* object, const InterfaceEntry* table, REFIID iid, void** out) noexcept;

}  // namespace ATL
