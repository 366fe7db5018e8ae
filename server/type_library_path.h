#pragma once
// Where the server looks for its type library when its own file has none,
// and the help directory it registers the library with.

#include <windows.h>

#include <cstddef>

namespace qvapi {

// Replaces the extension of the path's file name with ".tlb", or appends
// ".tlb" to a file name without one. Only the file name is searched for
// the ".": a dot in a folder name never makes the library another file.
// Steps by characters, so a double-byte character is never cut.
void ReplaceFileExtensionWithTlb(char* path) noexcept;

// The length of the path's folder: up to and including its last "\", "/"
// or ":"; 0 when it has none.
std::size_t HelpDirectoryLength(const wchar_t* path) noexcept;

}  // namespace qvapi
