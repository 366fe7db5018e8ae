#include "tests/registrar/registry_under_test.h"

#include "standins/memory_registry/memory_registry.h"

namespace qvapi::testing {

namespace {

constexpr const char* kTestsKey = "QVAPI-tests";

class MemoryRegistryUnderTest final : public RegistryUnderTest {
 public:
  explicit MemoryRegistryUnderTest(const std::string& keyName) : keyName_(keyName) {
    HKEY software = nullptr;
    HKEY tests = nullptr;
    memory_.CreateKey(HKEY_CURRENT_USER, "Software", &software);
    memory_.CreateKey(software, kTestsKey, &tests);
    memory_.CreateKey(tests, keyName.c_str(), &root_);
    memory_.CloseKey(tests);
    memory_.CloseKey(software);
  }
  ~MemoryRegistryUnderTest() override { memory_.CloseKey(root_); }

  Registry& registry() override { return memory_; }
  HKEY root() override { return root_; }
  std::string Dump() override {
    return memory_.Dump(HKEY_CURRENT_USER, std::string("Software\\") + kTestsKey + "\\" + keyName_);
  }

 private:
  MemoryRegistry memory_;
  std::string keyName_;
  HKEY root_ = nullptr;
};

}  // namespace

#ifdef _WIN32
std::unique_ptr<RegistryUnderTest> MakePlatformRegistryUnderTest(const std::string& keyName);
#endif

std::unique_ptr<RegistryUnderTest> MakeRegistryUnderTest(Backend backend,
                                                         const std::string& keyName) {
#ifdef _WIN32
  if (backend == Backend::kPlatform) return MakePlatformRegistryUnderTest(keyName);
#endif
  (void)backend;
  return std::make_unique<MemoryRegistryUnderTest>(keyName);
}

std::string BackendName(Backend backend) {
  return backend == Backend::kMemory ? "Memory" : "Platform";
}

}  // namespace qvapi::testing
