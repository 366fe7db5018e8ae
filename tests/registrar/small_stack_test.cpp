// The interpreter on a thread with a small stack: the deepest script it
// accepts, with a value at every level, registers and unregisters against
// the real registry on a thread created with 64 KB of stack.
#include "registrar/script_parser.h"
#include "tests/registrar/redirected_roots.h"
#include "tests/registrar/registry_under_test.h"
#include "tests/registrar/test_scripts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace qvapi {
namespace {

constexpr SIZE_T kSmallStack = 64 * 1024;

std::string DeepestScript() {
  std::string script = "HKCU {";
  for (int level = 1; level < kMaxNesting; ++level) {
    script += " K = s 'k' { val N = d " + std::to_string(level) + " val T = s 't'";
  }
  script += " Leaf = d 1";
  for (int level = 1; level < kMaxNesting; ++level) script += " }";
  return script + " }";
}

struct Run {
  Registry& registry;
  const std::string& script;
  bool registering;
  HRESULT result = E_UNEXPECTED;
};

DWORD WINAPI RunScript(void* argument) {
  Run& run = *static_cast<Run*>(argument);
  ReplacementMap replacements;
  run.result =
      ScriptParser(run.registry, replacements).RunScript(run.script.c_str(), run.registering);
  return 0;
}

// The script's result, run on a new thread with a small stack.
HRESULT RunOnSmallStack(Registry& registry, const std::string& script, bool registering) {
  Run run{registry, script, registering};
  HANDLE thread = CreateThread(nullptr, kSmallStack, RunScript, &run,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!thread) return HRESULT_FROM_WIN32(GetLastError());
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return run.result;
}

TEST(SmallStackTest, DeepestScriptRunsOnA64KBStack) {
  auto under = testing::MakeRegistryUnderTest(testing::Backend::kPlatform, "SmallStack");
  testing::RedirectedRoots roots(under->registry(), under->root());
  const std::string script = DeepestScript();
  const std::string before = under->Dump();
  EXPECT_EQ(RunOnSmallStack(roots, script, true), S_OK);
  const std::string registered = under->Dump();
  EXPECT_NE(registered.find("Leaf]"), std::string::npos) << registered;
  EXPECT_EQ(RunOnSmallStack(roots, script, false), S_OK);
  EXPECT_EQ(under->Dump(), before);
}

}  // namespace
}  // namespace qvapi
