#include "tests/registrar/test_scripts.h"

#include "tests/data_file.h"

#include <fstream>
#include <iterator>

namespace qvapi::testing {

std::string ServerScript() {
  std::ifstream file(DataFile("QVAPI.rgs"), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace qvapi::testing
