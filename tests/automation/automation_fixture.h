#pragma once
// What the automation tests share: objects made by the class's instance
// creator, the module's and the holder's counts, an outer object for
// aggregates, and the type library registered for the length of a test.

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "automation/com_ptr.h"
#include "automation/qv_api.h"

namespace qvapi::testing {

using qvapi::ComPtr;

// The object's count as its AddRef and Release report it.
LONG RefCount(IUnknown* object);

// The module's lock count: its live objects.
LONG LockCount();

// A plain QV_Api object asked for `Interface`; fails the test if it cannot
// be made.
template <class Interface>
ComPtr<Interface> NewObject(REFIID iid) {
  ComPtr<Interface> object;
  EXPECT_EQ(CQV_Api::CreateInstance(nullptr, iid, reinterpret_cast<void**>(object.put())), S_OK);
  return object;
}

// An outer object that aggregates one QV_Api object: counts its own
// references, starting from a value no inner object reaches, and answers
// IID_IUnknown with itself and everything else through the inner object.
class OuterObject : public IUnknown {
 public:
  static constexpr LONG kInitialCount = 1000;

  STDMETHOD(QueryInterface)(REFIID iid, void** out) override;
  STDMETHOD_(ULONG, AddRef)() override { return InterlockedIncrement(&count_); }
  STDMETHOD_(ULONG, Release)() override { return InterlockedDecrement(&count_); }

  LONG count() const { return count_; }
  // The inner object's own IUnknown face, as the creator handed it out.
  ComPtr<IUnknown>& inner() { return inner_; }

 private:
  volatile LONG count_ = kInitialCount;
  ComPtr<IUnknown> inner_;
};

// The server's type library, registered from QVAPI.DLL for the lifetime of
// the object and unregistered before and after.
class RegisteredTypeLibrary {
 public:
  RegisteredTypeLibrary();
  ~RegisteredTypeLibrary();
  RegisteredTypeLibrary(const RegisteredTypeLibrary&) = delete;
  RegisteredTypeLibrary& operator=(const RegisteredTypeLibrary&) = delete;

  static void Unregister();
};

// Every automation test starts and ends with no live object.
class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace qvapi::testing
