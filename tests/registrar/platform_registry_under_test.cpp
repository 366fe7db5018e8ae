// The real registry for one test, in a private key under
// HKCU\Software\QVAPI-tests, wiped before and after.
#include "tests/registrar/registry_under_test.h"

#include "registrar/advapi_registry.h"
#include "registrar/registry_key.h"
#include "standins/memory_registry/tree_dump.h"

#include <shlwapi.h>

#include <vector>

namespace qvapi::testing {

namespace {

// Large enough for every name and value the registrar writes.
constexpr DWORD kNameSize = 260;
constexpr DWORD kTokenSize = 4096;
constexpr const char* kTestsPath = "Software\\QVAPI-tests";

std::string TestKeyPath(const std::string& keyName) {
  return std::string(kTestsPath) + "\\" + keyName;
}

// Removes whatever an earlier, interrupted run left, including key names that
// Wine accepts beyond Windows' 255 characters, which the registrar's own
// subtree deletion cannot enumerate.
void Wipe(const std::string& keyName) {
  SHDeleteKeyA(HKEY_CURRENT_USER, TestKeyPath(keyName).c_str());
}

void DumpKey(HKEY key, const std::string& path, TreeDump& dump) {
  for (DWORD index = 0;; ++index) {
    char name[kNameSize];
    DWORD nameSize = sizeof name;
    BYTE data[kTokenSize];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) !=
        ERROR_SUCCESS)
      break;
    dump.AddValue(path, name, type, data, dataSize);
  }
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    std::string below = path.empty() ? name : path + "\\" + name;
    dump.AddKey(below);
    HKEY subkey = nullptr;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &subkey) == ERROR_SUCCESS) {
      DumpKey(subkey, below, dump);
      RegCloseKey(subkey);
    }
  }
}

}  // namespace

std::string DumpPlatformKey(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "(missing)";
  TreeDump dump;
  DumpKey(key, "", dump);
  RegCloseKey(key);
  return dump.Text();
}

namespace {

class PlatformRegistryUnderTest final : public RegistryUnderTest {
 public:
  explicit PlatformRegistryUnderTest(const std::string& keyName) : keyName_(keyName) {
    Wipe(keyName_);
    RegCreateKeyExA(HKEY_CURRENT_USER, TestKeyPath(keyName_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &root_, nullptr);
  }
  ~PlatformRegistryUnderTest() override {
    RegCloseKey(root_);
    Wipe(keyName_);
  }

  Registry& registry() override { return PlatformRegistry(); }
  HKEY root() override { return root_; }
  std::string Dump() override {
    TreeDump dump;
    DumpKey(root_, "", dump);
    return dump.Text();
  }

 private:
  std::string keyName_;
  HKEY root_ = nullptr;
};

}  // namespace

std::unique_ptr<RegistryUnderTest> MakePlatformRegistryUnderTest(const std::string& keyName) {
  return std::make_unique<PlatformRegistryUnderTest>(keyName);
}

}  // namespace qvapi::testing
