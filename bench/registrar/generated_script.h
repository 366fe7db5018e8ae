// The registrar benchmarks' input: units of ten keys, each a key with a
// default value, seven children each with a default and a named number, and
// a two-level branch; as a registration script and as the same keys and
// values in a .reg file.
#pragma once

#include <cstdio>
#include <string>

namespace qvapi::bench {

inline constexpr int kKeysPerUnit = 10;

// The entries of one block, for `keys` keys; "%MODULE%" stands in the leaves.
inline std::string GenerateEntries(int keys) {
  std::string entries;
  for (int unit = 0; unit < keys / kKeysPerUnit; ++unit) {
    const std::string id = std::to_string(unit);
    entries += "\tUnit" + id + " = s 'Unit " + id + " of the benchmark'\r\n\t{\r\n";
    for (int child = 0; child < 7; ++child) {
      const std::string c = std::to_string(child);
      entries += "\t\tChild" + c + " = s 'value " + c + "'\r\n\t\t{\r\n\t\t\tval Count = d " + c +
                 "\r\n\t\t}\r\n";
    }
    entries += "\t\tForceRemove Deep\r\n\t\t{\r\n\t\t\tLeaf = s '%MODULE%'\r\n\t\t}\r\n\t}\r\n";
  }
  return entries;
}

// A script of `keys` keys below the root `root`, walked through `parents`
// (single key names, outermost first).
inline std::string GenerateScript(int keys, const std::string& root = "HKCR",
                                  std::initializer_list<const char*> parents = {}) {
  std::string open = root + "\r\n{\r\n", close = "}\r\n";
  for (const char* parent : parents) {
    open += std::string(parent) + "\r\n{\r\n";
    close += "}\r\n";
  }
  return open + GenerateEntries(keys) + close;
}

// The same keys and values as GenerateEntries, below `rootPath` (a full
// registry path such as HKEY_CURRENT_USER\Software\X), in .reg form, with
// `module` as the leaves' text; each Deep key is removed before it is made,
// as "ForceRemove" does.
inline std::string GenerateRegFile(int keys, const std::string& rootPath,
                                   const std::string& module) {
  std::string escaped;
  for (char ch : module) escaped += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
  std::string reg = "REGEDIT4\r\n\r\n";
  for (int unit = 0; unit < keys / kKeysPerUnit; ++unit) {
    const std::string id = std::to_string(unit);
    const std::string key = rootPath + "\\Unit" + id;
    reg += "[" + key + "]\r\n@=\"Unit " + id + " of the benchmark\"\r\n\r\n";
    for (int child = 0; child < 7; ++child) {
      char count[16];
      std::snprintf(count, sizeof count, "%08x", child);
      const std::string c = std::to_string(child);
      reg += "[" + key + "\\Child" + c + "]\r\n@=\"value " + c + "\"\r\n\"Count\"=dword:" + count +
             "\r\n\r\n";
    }
    reg += "[-" + key + "\\Deep]\r\n\r\n[" + key + "\\Deep]\r\n\r\n[" + key +
           "\\Deep\\Leaf]\r\n@=\"" + escaped + "\"\r\n\r\n";
  }
  return reg;
}

}  // namespace qvapi::bench
