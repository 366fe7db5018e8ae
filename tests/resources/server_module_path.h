// Where the tests find the built QVAPI.DLL: beside the test executable.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring ServerModulePath() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"QVAPI.DLL";
}
