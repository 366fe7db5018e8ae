// The resources that the built QVAPI.DLL carries: exactly four, each as
// installers, the registrar and the platform read them.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "server_module_path.h"
#include "tests/data_file.h"

namespace {

constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string ResourceId(LPCSTR id) {
  return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id))
                            : std::string(id);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR found) {
  char entry[16];
  wsprintfA(entry, "%04X", language);
  reinterpret_cast<std::set<std::string>*>(found)->insert(ResourceId(type) + " " +
                                                          ResourceId(name) + " " + entry);
  return TRUE;
}

BOOL CALLBACK CollectNames(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR found) {
  EnumResourceLanguagesA(module, type, name, CollectLanguage, found);
  return TRUE;
}

BOOL CALLBACK CollectTypes(HMODULE module, LPSTR type, LONG_PTR found) {
  EnumResourceNamesA(module, type, CollectNames, found);
  return TRUE;
}

std::vector<char> ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// One node of a version resource: length, value length, type, key, value
// and children, each aligned to 32 bits.
struct VersionNode {
  std::wstring key;
  const BYTE* value;
  WORD valueLength;
  std::vector<VersionNode> children;
};

VersionNode ParseVersionNode(const BYTE* node) {
  auto align = [node](size_t offset) { return (offset + 3) & ~size_t{3}; };
  const WORD* words = reinterpret_cast<const WORD*>(node);
  WORD length = words[0];
  const wchar_t* key = reinterpret_cast<const wchar_t*>(node + 6);
  VersionNode parsed{key, nullptr, words[1], {}};
  size_t offset = align(6 + (parsed.key.size() + 1) * sizeof(wchar_t));
  parsed.value = node + offset;
  // A text value's length counts UTF-16 units, a binary one's bytes.
  offset = align(offset + (words[2] == 1 ? words[1] * sizeof(wchar_t) : words[1]));
  while (offset < length) {
    parsed.children.push_back(ParseVersionNode(node + offset));
    offset = align(offset + reinterpret_cast<const WORD*>(node + offset)[0]);
  }
  return parsed;
}

class ModuleResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ServerModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << "error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  std::vector<BYTE> Resource(LPCSTR type, LPCSTR name) const {
    HRSRC found = FindResourceExA(module_, type, name, kUsEnglish);
    if (!found) return {};
    auto bytes = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    return {bytes, bytes + SizeofResource(module_, found)};
  }

  HMODULE module_ = nullptr;
};

TEST_F(ModuleResources, HoldsExactlyTheFourResourcesInUsEnglish) {
  std::set<std::string> found;
  ASSERT_TRUE(EnumResourceTypesA(module_, CollectTypes, reinterpret_cast<LONG_PTR>(&found)));
  EXPECT_EQ(found, (std::set<std::string>{
                       "REGISTRY #101 0409", "TYPELIB #1 0409",
                       "#6 #7 0409",   // string table block 7: ids 96 to 111
                       "#16 #1 0409",  // version information
                   }));
}

TEST_F(ModuleResources, RegistrationScriptIsTheCheckedInFileWithoutTerminator) {
  std::vector<BYTE> script = Resource("REGISTRY", MAKEINTRESOURCEA(101));
  ASSERT_EQ(script.size(), 596u);
  EXPECT_EQ(script[594], '\r');
  EXPECT_EQ(script[595], '\n');
  EXPECT_EQ(std::count(script.begin(), script.end(), 0), 0);

  std::vector<char> file = ReadFile(qvapi::testing::DataFile("QVAPI.rgs").c_str());
  EXPECT_TRUE(std::equal(script.begin(), script.end(), file.begin(), file.end()));
}

TEST_F(ModuleResources, StringBlockHoldsOnlyId100) {
  char text[16];
  EXPECT_EQ(LoadStringA(module_, 100, text, sizeof text), 5);
  EXPECT_STREQ(text, "QVAPI");
  for (UINT id = 96; id <= 111; ++id) {
    if (id != 100) {
      EXPECT_EQ(LoadStringA(module_, id, text, sizeof text), 0) << id;
    }
  }
  // Sixteen length words and the five characters.
  EXPECT_EQ(Resource(RT_STRING, MAKEINTRESOURCEA(7)).size(), 42u);
}

TEST_F(ModuleResources, VersionFixedPart) {
  std::wstring path = ServerModulePath();
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_NE(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwStrucVersion, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00060005u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x000005BAu);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00060005u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x000005BAu);
  EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileSubtype, 0u);
  EXPECT_EQ(fixed->dwFileDateMS, 0u);
  EXPECT_EQ(fixed->dwFileDateLS, 0u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04B0);
}

TEST_F(ModuleResources, VersionStringsInOrder) {
  std::vector<BYTE> resource = Resource(RT_VERSION, MAKEINTRESOURCEA(1));
  ASSERT_FALSE(resource.empty());
  VersionNode root = ParseVersionNode(resource.data());
  ASSERT_EQ(root.key, L"VS_VERSION_INFO");
  ASSERT_EQ(root.children.size(), 2u);
  ASSERT_EQ(root.children[0].key, L"StringFileInfo");
  ASSERT_EQ(root.children[0].children.size(), 1u);
  const VersionNode& table = root.children[0].children[0];
  EXPECT_EQ(table.key, L"040904B0");

  std::vector<std::wstring> keys;
  for (const VersionNode& entry : table.children) {
    keys.push_back(entry.key);
    std::wstring value(reinterpret_cast<const wchar_t*>(entry.value), entry.valueLength);
    value = value.c_str();  // without the terminating zero the length counts
    if (entry.key == L"FileVersion" || entry.key == L"ProductVersion") {
      EXPECT_EQ(value, L"6.5.0 (Build 1466)") << entry.key;
    } else if (entry.key == L"InternalName") {
      EXPECT_EQ(value, L"QVAPI");
    } else if (entry.key == L"OriginalFilename") {
      EXPECT_EQ(value, L"QVAPI.DLL");
    } else if (entry.key == L"FileDescription" || entry.key == L"ProductName") {
      EXPECT_EQ(value, L"QVAPI") << entry.key;
    } else if (entry.key == L"OLESelfRegister") {
      EXPECT_EQ(value, L"");
    } else {
      EXPECT_FALSE(value.empty()) << entry.key;
    }
  }
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"CompanyName", L"FileDescription", L"FileVersion",
                                             L"InternalName", L"LegalCopyright", L"LegalTrademarks",
                                             L"OriginalFilename", L"ProductName", L"ProductVersion",
                                             L"OLESelfRegister"}));
  EXPECT_EQ(root.children[1].key, L"VarFileInfo");
}

}  // namespace
