// What a registration script means for the registry, as this project's own
// interpreter carries it out: run natively against the in-memory registry,
// with the module's path given as text. Prints, as JSON, below
// HKEY_CLASSES_ROOT:
//   "written": every key and value that registering writes (from a registry
//     without them);
//   "removed": every key that registering deletes, with its subtree, where
//     the script says "ForceRemove" or "Delete" (subkeys among them);
//   "kept": what unregistering then leaves of the written entries ("NoRemove").
// A key is {"key": path}; a value adds "name" ("" for the default value),
// "type" ("string" or "integer") and "data". Text is the script's bytes:
// '"', '\' and every byte outside printable ASCII are escaped.
// Usage: registry_rows SCRIPT MODULE-PATH

#include "registrar/predefined_roots.h"
#include "registrar/script_parser.h"
#include "standins/memory_registry/memory_registry.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using qvapi::MemoryRegistry;

// The registry as a register walk meets it when every key it opens
// exists: each subtree the script deletes before writing shows as the
// deletions of its keys, recorded by their paths from the root's name.
class DeletionRecorder final : public qvapi::Registry {
 public:
  DeletionRecorder() {
    for (const qvapi::PredefinedRoot& root : qvapi::kPredefinedRoots)
      paths_[root.key] = root.shortName;
  }
  const std::vector<std::string>& deleted() const { return deleted_; }

  LONG OpenKey(HKEY parent, const char* name, DWORD access, HKEY* key) override {
    LONG error = inner_.OpenKey(parent, name, access, key);
    if (error == ERROR_FILE_NOT_FOUND) error = inner_.CreateKey(parent, name, key);
    return Named(error, parent, name, key);
  }
  LONG CreateKey(HKEY parent, const char* name, HKEY* key) override {
    return Named(inner_.CreateKey(parent, name, key), parent, name, key);
  }
  LONG DeleteKey(HKEY parent, const char* name) override {
    const LONG error = inner_.DeleteKey(parent, name);
    if (error == ERROR_SUCCESS) deleted_.push_back(paths_[parent] + "\\" + name);
    return error;
  }
  LONG CloseKey(HKEY key) override { return inner_.CloseKey(key); }
  LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override {
    return inner_.SetValue(key, name, type, data, size);
  }
  LONG DeleteValue(HKEY key, const char* name) override { return inner_.DeleteValue(key, name); }
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* size) override {
    return inner_.EnumKey(key, index, name, size);
  }
  LONG QueryCounts(HKEY key, DWORD* subkeys, DWORD* values) override {
    return inner_.QueryCounts(key, subkeys, values);
  }
  LONG QueryDefaultValueSize(HKEY key, DWORD* size) override {
    return inner_.QueryDefaultValueSize(key, size);
  }

 private:
  LONG Named(LONG error, HKEY parent, const char* name, HKEY* key) {
    if (error == ERROR_SUCCESS)
      paths_[*key] = *name ? paths_[parent] + "\\" + name : paths_[parent];
    return error;
  }

  MemoryRegistry inner_;
  std::map<HKEY, std::string> paths_;  // a handle's last holder names it
  std::vector<std::string> deleted_;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const unsigned char byte : text) {
    if (byte == '"' || byte == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(byte);
    } else if (byte < 0x20 || byte >= 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted += static_cast<char>(byte);
    }
  }
  return quoted + "\"";
}

// The keys and values below HKEY_CLASSES_ROOT as a JSON list; false when
// anything is written below another root, which a package's rows cannot
// name.
bool Entries(const MemoryRegistry& registry, std::string* list) {
  for (const qvapi::PredefinedRoot& root : qvapi::kPredefinedRoots) {
    bool any = false;
    registry.ForEach(root.key, [&](const MemoryRegistry::Entry&) { any = true; });
    if (any && root.key != HKEY_CLASSES_ROOT) return false;
  }
  std::string separator;
  *list = "[";
  registry.ForEach(HKEY_CLASSES_ROOT, [&](const MemoryRegistry::Entry& entry) {
    *list += separator + "{\"key\": " + Quoted(entry.path);
    separator = ",\n  ";
    if (!entry.valueName) {
      *list += "}";
    } else if (entry.type == REG_DWORD && entry.data->size() == 4) {
      const BYTE* bytes = entry.data->data();
      const auto number = static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                                    std::uint32_t{bytes[3]} << 24);
      *list += ", \"name\": " + Quoted(*entry.valueName) +
               ", \"type\": \"integer\", \"data\": " + std::to_string(number) + "}";
    } else {  // the interpreter writes strings with their terminating zero
      const std::string text(entry.data->begin(), entry.data->end() - 1);
      *list += ", \"name\": " + Quoted(*entry.valueName) +
               ", \"type\": \"string\", \"data\": " + Quoted(text) + "}";
    }
  });
  *list += "]";
  return true;
}

int Fail(const char* message) {
  std::fprintf(stderr, "registry_rows: %s\n", message);
  return 1;
}

}  // namespace

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
  if (replacements.Define(u"Module", module.c_str()) != S_OK) return Fail("no room for the path");

  MemoryRegistry registry;
  DeletionRecorder recorder;
  for (qvapi::Registry* target :
       {static_cast<qvapi::Registry*>(&registry), static_cast<qvapi::Registry*>(&recorder)}) {
    const HRESULT hr = qvapi::ScriptParser(*target, replacements).RunScript(script.c_str(), true);
    if (hr != S_OK) {
      std::fprintf(stderr, "registry_rows: the script fails with 0x%08x\n", unsigned(hr));
      return 1;
    }
  }
  std::string written, kept;
  if (!Entries(registry, &written)) return Fail("the script writes outside HKEY_CLASSES_ROOT");
  if (qvapi::ScriptParser(registry, replacements).RunScript(script.c_str(), false) != S_OK)
    return Fail("the script fails to unregister");
  Entries(registry, &kept);

  std::string removed = "[";
  for (const std::string& path : recorder.deleted()) {
    if (path.rfind("HKCR\\", 0) != 0) return Fail("the script deletes outside HKEY_CLASSES_ROOT");
    removed += (removed.size() > 1 ? ", " : "") + Quoted(path.substr(5));
  }
  removed += "]";
  std::printf("{\"written\": %s,\n \"removed\": %s,\n \"kept\": %s}\n", written.c_str(),
              removed.c_str(), kept.c_str());
  return 0;
}
