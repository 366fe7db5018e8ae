// Scripts the registrar's tests share.
#pragma once

#include <string>

namespace qvapi::testing {

// The server's own registration script, byte for byte.
std::string ServerScript();

// The module path the tests define as "Module".
constexpr const char16_t* kModulePath = u"C:\\Program Files\\QVAPI\\QVAPI.DLL";
constexpr const char* kModulePathAnsi = "C:\\Program Files\\QVAPI\\QVAPI.DLL";

}  // namespace qvapi::testing
