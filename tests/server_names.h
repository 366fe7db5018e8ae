#pragma once
// The server's identifiers as its registry entries spell them, named once
// for the tests and benchmarks; the members' DISPIDs are the generated
// header's (DISPID_QV_...). Macros, so that expected texts can be written
// as one literal.

#define QVAPI_CLSID_TEXT "{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}"
#define QVAPI_LIBID_TEXT "{3F6A9C01-8E4B-41D7-B2C5-6D0E7A19F3B4}"
#define QVAPI_IID_TEXT "{3F6A9C0F-8E4B-41D7-B2C5-6D0E7A19F3B4}"
#define QVAPI_PROGID "QVAPI.QV_Api.1"
#define QVAPI_VERSION_INDEPENDENT_PROGID "QVAPI.QV_Api"

namespace qvapi::testing {

// Below HKEY_CLASSES_ROOT.
constexpr char kClassKey[] = "CLSID\\" QVAPI_CLSID_TEXT;
constexpr char kTypeLibraryKey[] = "TypeLib\\" QVAPI_LIBID_TEXT;
constexpr char kInterfaceKey[] = "Interface\\" QVAPI_IID_TEXT;

}  // namespace qvapi::testing
