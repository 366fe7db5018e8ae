#include "server/type_library_path.h"

namespace qvapi {

namespace {

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/' || c == ':'; }

}  // namespace

void ReplaceFileExtensionWithTlb(char* path) noexcept {
  char* end = path;
  char* dot = nullptr;
  for (; *end; end = CharNextA(end)) {
    if (*end == '.') dot = end;
    if (IsSeparator(*end)) dot = nullptr;  // that dot was in a folder's name
  }
  lstrcpyA(dot ? dot : end, ".tlb");
}

std::size_t HelpDirectoryLength(const wchar_t* path) noexcept {
  std::size_t length = 0;
  for (std::size_t i = 0; path[i]; ++i) {
    if (path[i] == L'\\' || path[i] == L'/' || path[i] == L':') length = i + 1;
  }
  return length;
}

}  // namespace qvapi
