// Preprocessing and both walks over arbitrary script text, on the in-memory
// registry. The first input byte picks the code page and whether the run
// registers, unregisters, or does both in turn.
#include "standins/ansi_text/code_page.h"
#include "registrar/script_parser.h"
#include "standins/memory_registry/memory_registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const std::string script(reinterpret_cast<const char*>(data + 1), size - 1);

  qvapi::SetDoubleByteCodePage((mode & 4) != 0);
  qvapi::MemoryRegistry registry;
  qvapi::ReplacementMap replacements;
  replacements.Define(u"Module", u"C:\\dir\\QVAPI.DLL");
  replacements.Define(u"Quote", u"it's %Module%");
  if (mode & 8) registry.DenyWriteAccess("Locked");
  qvapi::ScriptParser parser(registry, replacements);
  if ((mode & 3) != 1) parser.RunScript(script.c_str(), true);
  if ((mode & 3) != 0) parser.RunScript(script.c_str(), false);
  // Every key a run opens is closed again, whatever the script.
  if (registry.OpenHandleCount() != 0) std::abort();
  return 0;
}
