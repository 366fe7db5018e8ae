// A file the tests read, by its name: beside the test program under
// Windows (the build copies it there, and the Windows test kit carries it),
// so that the program runs wherever it is put; natively, in the folder the
// build names (QVAPI_DATA_FOLDER).
#pragma once

#include <string>

#ifdef _WIN32
#include "standins/core/loaded_core.h"
#endif

namespace qvapi::testing {

inline std::string DataFile(const char* name) {
#ifdef _WIN32
  return standins::ExecutableFolder() + name;
#else
  return std::string(QVAPI_DATA_FOLDER "/") + name;
#endif
}

}  // namespace qvapi::testing
