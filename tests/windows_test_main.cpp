// Entry point of the Windows test executable.

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Unbuffered: a test that crashes the process would otherwise take the
  // lines still in the buffer with it, and with them the name of the case.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
