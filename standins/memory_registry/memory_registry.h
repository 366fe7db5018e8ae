// An in-memory registry behind the registrar's seam, for the native build
// and for tests that need failures the platform's registry cannot easily
// give. It behaves as the platform does where the registrar relies on it:
// the seven predefined roots, key names of at most 255 characters compared
// without regard to case (one key name per call: a backslash is a byte of
// the name), no deletion of a key with subkeys, enumeration
// that fails past the end or when a name does not fit, and handles opened
// for reading that refuse value writes and subkey creation.
#pragma once

#include "registrar/registry.h"
#include "standins/memory_registry/platform_codes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qvapi {

class MemoryRegistry final : public Registry {
 public:
  // The calls a test can make fail.
  enum class Call { kOpen, kCreate, kClose, kDelete };

  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  // From now on every call of that kind on a key of that name (without
  // regard to case) fails with error and changes nothing;
  // a failed close still releases the handle.
  void FailCall(Call call, const std::string& keyName, LONG error);

  // From now on keys of that name can be opened for reading only, as a key
  // whose access rights deny writing; other opens, and creating an existing
  // one (which asks for full access), fail with access denied.
  void DenyWriteAccess(const std::string& keyName);

  // One key, or one value of a key, of a subtree.
  struct Entry {
    std::string path;               // below the subtree's top, parts joined by '\'
    const std::string* valueName;   // null for the key itself; "" for its default value
    DWORD type;                     // a value's
    const std::vector<BYTE>* data;  // a value's
  };
  using Visitor = std::function<void(const Entry&)>;

  // The subtree below root\path in canonical text form (see TreeDump);
  // empty when the key does not exist.
  std::string Dump(HKEY root, const std::string& path = "") const;
  // Every value and key below `root`, a key's values before its subkeys.
  void ForEach(HKEY root, const Visitor& visit) const;
  // Handles opened or created and not yet closed.
  std::size_t OpenHandleCount() const { return handles_.size(); }

  LONG OpenKey(HKEY parent, const char* name, DWORD access, HKEY* key) override;
  LONG CreateKey(HKEY parent, const char* name, HKEY* key) override;
  LONG CloseKey(HKEY key) override;
  LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override;
  LONG DeleteKey(HKEY parent, const char* name) override;
  LONG DeleteValue(HKEY key, const char* name) override;
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* size) override;
  LONG QueryCounts(HKEY key, DWORD* subkeys, DWORD* values) override;
  LONG QueryDefaultValueSize(HKEY key, DWORD* size) override;

 private:
  struct Node;
  struct Handle {
    std::shared_ptr<Node> node;
    DWORD access;
  };
  struct Failure {
    Call call;
    std::string keyName;
    LONG error;
  };

  LONG Resolve(HKEY key, DWORD neededAccess, Handle* handle) const;
  // The subkey of that name (the parent itself for an empty name), made
  // when creating and missing.
  static LONG Find(const std::shared_ptr<Node>& parent, const char* name, bool creating,
                   std::shared_ptr<Node>* found);
  static void Walk(const Node& node, const std::string& at, const Visitor& visit);
  bool Injected(Call call, const std::string& keyName, LONG* error) const;
  HKEY AddHandle(std::shared_ptr<Node> node, DWORD access);

  std::map<std::uintptr_t, std::shared_ptr<Node>> roots_;
  std::map<std::uintptr_t, Handle> handles_;
  std::uintptr_t nextHandle_ = 0x1000;
  std::vector<Failure> failures_;
  std::vector<std::string> readOnlyKeys_;
};

}  // namespace qvapi
