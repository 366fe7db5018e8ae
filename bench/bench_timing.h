#pragma once
// Timing for the Windows benchmarks: nanoseconds per call of a body run
// many times, the best of several rounds, so one slow round (a page fault,
// the other core busy) does not decide the figure.

#include <windows.h>

#include <algorithm>

namespace qvapi::bench {

inline double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// `body` returns a value that is kept, so the compiler cannot drop the call.
template <typename Body>
double NanosecondsPerCall(int calls, Body body) {
  volatile LONG sink = 0;
  LARGE_INTEGER start, stop;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < calls; ++i) sink = sink + LONG(body());
  QueryPerformanceCounter(&stop);
  return Seconds(start, stop) * 1e9 / calls;
}

// Keeps the best (lowest) figure of the rounds measured so far.
inline void KeepBest(double& best, double figure) { best = std::min(best, figure); }

}  // namespace qvapi::bench
