// Entry point of the Windows test executable.

#include <cstdio>

#include <windows.h>

#include <gtest/gtest.h>

namespace {

void WINAPI IgnoreDebuggerOutput(LPCSTR) {}

}  // namespace

// GoogleTest mirrors every failure and skip to a debugger through
// OutputDebugStringA. Where Wine runs under qemu's user-mode emulator, the
// exception that call raises brings the whole test process down, taking the
// rest of the run with it. The console report is all these tests need, so
// the import that GoogleTest calls through is bound here to a function that
// drops the text.
extern "C" void(WINAPI* const qvapiOutputDebugStringA)(LPCSTR) __asm__(
    "__imp__OutputDebugStringA@4") = IgnoreDebuggerOutput;

int main(int argc, char** argv) {
  // Unbuffered, so every printed line is on the console even if a test
  // crashes the process.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
