// The checked-in registration script, line by line: the registrar's
// interpreter and every registry entry of the class rest on this text, and
// an editor that changes a line end or a tab breaks it silently.

#include <gtest/gtest.h>

#include "tests/server_names.h"

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadScript() {
  std::ifstream file(QVAPI_REGISTRATION_SCRIPT, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(RegistrationScript, IsTheClassRegistrationWithTabsAndCrLf) {
  const char* const lines[] = {
      "HKCR",
      "{",
      "\t" QVAPI_PROGID " = s 'QV_Api Class'",
      "\t{",
      "\t\tCLSID = s '" QVAPI_CLSID_TEXT "'",
      "\t}",
      "\t" QVAPI_VERSION_INDEPENDENT_PROGID " = s 'QV_Api Class'",
      "\t{",
      "\t\tCLSID = s '" QVAPI_CLSID_TEXT "'",
      "\t\tCurVer = s '" QVAPI_PROGID "'",
      "\t}",
      "\tNoRemove CLSID",
      "\t{",
      "\t\tForceRemove " QVAPI_CLSID_TEXT " = s 'QV_Api Class'",
      "\t\t{",
      "\t\t\tProgID = s '" QVAPI_PROGID "'",
      "\t\t\tVersionIndependentProgID = s '" QVAPI_VERSION_INDEPENDENT_PROGID "'",
      "\t\t\tForceRemove 'Programmable'",
      "\t\t\tInprocServer32 = s '%MODULE%'",
      "\t\t\t{",
      "\t\t\t\tval ThreadingModel = s 'Both'",
      "\t\t\t}",
      "\t\t\t'TypeLib' = s '" QVAPI_LIBID_TEXT "'",
      "\t\t}",
      "\t}",
      "}",
  };
  std::string expected;
  for (const char* line : lines) expected += std::string(line) + "\r\n";

  std::string script = ReadScript();
  EXPECT_EQ(script.size(), 596u);
  EXPECT_EQ(script, expected);
}

}  // namespace
