// Entry point of the Windows test executable. Output is unbuffered so that
// every line a test printed is on the console even if the process dies: under
// Wine a crashing test would otherwise take the buffered report with it.

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
