// A registry for one test: the in-memory one, or (under Wine) the real one,
// each with a private empty key that is wiped before and after the test.
#pragma once

#include "registrar/registry.h"
#include "standins/memory_registry/platform_codes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qvapi::testing {

enum class Backend { kMemory, kPlatform };

class RegistryUnderTest {
 public:
  virtual ~RegistryUnderTest() = default;
  virtual Registry& registry() = 0;
  // The test's own key, empty at the start.
  virtual HKEY root() = 0;
  // The subtree below root() in the canonical text form.
  virtual std::string Dump() = 0;
};

// keyName names the test's key below HKCU\Software\QVAPI-tests.
std::unique_ptr<RegistryUnderTest> MakeRegistryUnderTest(Backend backend,
                                                         const std::string& keyName);

std::string BackendName(Backend backend);

#ifdef _WIN32
// The subtree below root\path of the real registry in the canonical text
// form; "(missing)" when the key does not exist.
std::string DumpPlatformKey(HKEY root, const char* path);
#endif

// The registries a fixture runs on: the in-memory one, and on Windows the
// real one too; the test names end in the registry's name.
inline auto AllBackends() {
#ifdef _WIN32
  return ::testing::Values(Backend::kMemory, Backend::kPlatform);
#else
  return ::testing::Values(Backend::kMemory);
#endif
}
inline std::string BackendParamName(const ::testing::TestParamInfo<Backend>& info) {
  return BackendName(info.param);
}

}  // namespace qvapi::testing
