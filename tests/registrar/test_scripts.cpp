#include "tests/registrar/test_scripts.h"

#include <fstream>
#include <iterator>

namespace qvapi::testing {

std::string ServerScript() {
  std::ifstream file(QVAPI_SERVER_SCRIPT, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace qvapi::testing
