// The registry entries that a registration script writes, as this
// project's own interpreter writes them: run natively against the
// in-memory registry, with the module's path given as text (in an
// installer package, the installed file's reference "[#QVAPI.DLL]").
// Prints the subtree below HKEY_CLASSES_ROOT in the registry's canonical
// text form, one key or value a line.
// Usage: registry_rows SCRIPT MODULE-PATH

#include "registrar/predefined_roots.h"
#include "registrar/script_parser.h"
#include "standins/memory_registry/memory_registry.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: registry_rows SCRIPT MODULE-PATH\n", stderr);
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string script{std::istreambuf_iterator<char>(file), {}};
  if (!file) {
    std::fprintf(stderr, "registry_rows: cannot read %s\n", argv[1]);
    return 1;
  }
  std::u16string module;
  for (const char* c = argv[2]; *c; ++c) module += char16_t(static_cast<unsigned char>(*c));
  qvapi::ReplacementMap replacements;
  qvapi::MemoryRegistry registry;
  HRESULT hr = replacements.Define(u"Module", module.c_str());
  if (hr == S_OK) hr = qvapi::ScriptParser(registry, replacements).RunScript(script.c_str(), true);
  if (hr != S_OK) {
    std::fprintf(stderr, "registry_rows: the script fails with 0x%08x\n", unsigned(hr));
    return 1;
  }
  // A package's rows name one root: a script that writes elsewhere is refused.
  for (const qvapi::PredefinedRoot& root : qvapi::kPredefinedRoots) {
    if (root.key != HKEY_CLASSES_ROOT && !registry.Dump(root.key).empty()) {
      std::fputs("registry_rows: the script writes outside HKEY_CLASSES_ROOT\n", stderr);
      return 1;
    }
  }
  std::fputs(registry.Dump(HKEY_CLASSES_ROOT).c_str(), stdout);
  return 0;
}
