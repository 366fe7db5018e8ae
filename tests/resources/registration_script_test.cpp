// The checked-in registration script, line by line: the registrar's
// interpreter and every registry entry of the class rest on this text, and
// an editor that changes a line end or a tab breaks it silently.

#include <gtest/gtest.h>

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
      "\tQVAPI.QV_Api.1 = s 'QV_Api Class'",
      "\t{",
      "\t\tCLSID = s '{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}'",
      "\t}",
      "\tQVAPI.QV_Api = s 'QV_Api Class'",
      "\t{",
      "\t\tCLSID = s '{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}'",
      "\t\tCurVer = s 'QVAPI.QV_Api.1'",
      "\t}",
      "\tNoRemove CLSID",
      "\t{",
      "\t\tForceRemove {3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4} = s 'QV_Api Class'",
      "\t\t{",
      "\t\t\tProgID = s 'QVAPI.QV_Api.1'",
      "\t\t\tVersionIndependentProgID = s 'QVAPI.QV_Api'",
      "\t\t\tForceRemove 'Programmable'",
      "\t\t\tInprocServer32 = s '%MODULE%'",
      "\t\t\t{",
      "\t\t\t\tval ThreadingModel = s 'Both'",
      "\t\t\t}",
      "\t\t\t'TypeLib' = s '{3F6A9C01-8E4B-41D7-B2C5-6D0E7A19F3B4}'",
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
