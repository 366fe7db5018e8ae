// Entry point of the Windows test executable. Its suites reach the DLL
// through its exports and the COM runtime, and the server's code linked in
// directly; that copy's module record is started and stopped around the run
// as the DLL's entry point does at attach and detach.

#include <cstdio>

#include <gtest/gtest.h>

#include "server/server_module.h"

int main(int argc, char** argv) {
  // Unbuffered: a test that crashes the process would otherwise take the
  // lines still in the buffer with it, and with them the name of the case.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  qvapi::g_serverModule.Startup(qvapi::g_classTable, GetModuleHandleW(nullptr));
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  qvapi::g_serverModule.Shutdown();
  return result;
}
