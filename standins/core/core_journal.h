#pragma once
// What a stand-in run-time core records of each call that reaches it, and the
// control procedures it exports beside the four core procedures. Tests and
// the demo bind these by name, since both stand-in cores export the same
// names.

#include <windows.h>

namespace qvapi::standins {

struct CoreCall {
  char module[16];     // the stand-in's module name
  char procedure[24];  // the core procedure that was called
  LONG argumentCount;
  DWORD_PTR arguments[3];  // raw values, pointers included
  // The string arguments of "SaveMemory", copied without ever touching an
  // unreadable byte; a null pointer is recorded as null.
  char texts[2][128];
  BOOL textIsNull[2];
};

// Names of the control procedures.
inline constexpr char kSetResult[] =
    "StandinSetResult";  // void(const char* procedure, LONG result)
inline constexpr char kCallCount[] = "StandinCallCount";  // LONG()
inline constexpr char kGetCall[] = "StandinGetCall";      // BOOL(LONG index, CoreCall*)
inline constexpr char kReset[] = "StandinReset";          // void()

using SetResultFn = void(__cdecl*)(const char*, LONG);
using CallCountFn = LONG(__cdecl*)();
using GetCallFn = BOOL(__cdecl*)(LONG, CoreCall*);
using ResetFn = void(__cdecl*)();

}  // namespace qvapi::standins
